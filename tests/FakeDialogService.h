// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

#include <QList>
#include <QStringList>

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
    // The answers of the Text…, Import and Export dialogs; empty means Cancel.
    std::optional<PictureChoice> textChoice;
    std::optional<PictureChoice> importChoice;
    std::optional<ExportChoice> exportChoice;
    int pictureDialogs = 0;

    int messageBox(const QString &prompt, int style, const QString &title) override
    {
        boxes.append({ prompt, style, title });
        return answers.isEmpty() ? ((style & 0xF) == YesNo ? Yes : Ok) : answers.takeFirst();
    }
    QString fileDialog(FileMode, const QString &) override
    {
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    void beep() override { ++beeps; }
    std::optional<PictureChoice> chooseText() override { return ++pictureDialogs, textChoice; }
    std::optional<PictureChoice> chooseImport() override { return ++pictureDialogs, importChoice; }
    std::optional<ExportChoice> chooseExport() override { return exportChoice; }
};

} // namespace qie::test
