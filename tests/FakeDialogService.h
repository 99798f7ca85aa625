// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace qie::test {

// Records every box and beep and answers from queues the test fills in advance, so nothing
// ever blocks. An empty queue answers Yes to questions and "" to file dialogs.
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
    int beeps = 0;
    // Runs while each box is up, as the events a modal box lets through.
    std::function<void()> whileShown;

    int messageBox(const QString &prompt, int style, const QString &title) override
    {
        boxes.append({ prompt, style, title });
        if (whileShown)
            whileShown();
        return answers.isEmpty() ? ((style & 0xF) == YesNo ? Yes : Ok) : answers.takeFirst();
    }
    QString fileDialog(FileMode, const QString &) override
    {
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    void beep() override { ++beeps; }
};

} // namespace qie::test
