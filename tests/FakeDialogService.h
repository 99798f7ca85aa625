// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qie::test {

// Records every box, dialog and beep, and answers from queues the test fills in advance, so
// nothing ever blocks. An empty answer queue answers Yes to questions and "" to dialogs.
class FakeDialogService : public DialogService
{
public:
    struct Box
    {
        QString prompt;
        int style = 0;
        QString title;
    };

    QList<Box> boxes;
    QList<int> answers;
    QStringList fileNames;
    QList<FileMode> dialogModes;
    QStringList filters;
    int beeps = 0;

    int messageBox(const QString &prompt, int style, const QString &title) override
    {
        boxes.append({prompt, style, title});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return (style & 0xF) == YesNo ? Yes : Ok;
    }

    QString fileDialog(FileMode mode, const QString &filter) override
    {
        dialogModes.append(mode);
        filters.append(filter);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    void beep() override { ++beeps; }
};

} // namespace qie::test
