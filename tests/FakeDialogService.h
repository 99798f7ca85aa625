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
    enum class Kind { Question, Warning, Error };
    struct Box
    {
        Kind kind = Kind::Warning;
        QString title;
        QString text; // for an error box, errorText() of the error
    };

    QList<Box> boxes;
    QList<bool> answers; // true: Yes
    QStringList fileNames;
    int beeps = 0;
    // Runs while each box is up, as the events a modal box lets through.
    std::function<void()> whileShown;
    // The answers of the Text…, Import and Export dialogs; empty means Cancel.
    std::optional<PictureChoice> textChoice;
    std::optional<PictureChoice> importChoice;
    std::optional<ExportChoice> exportChoice;
    int pictureDialogs = 0;

    bool ask(const QString &title, const QString &question) override
    {
        boxes.append({ Kind::Question, title, question });
        if (whileShown)
            whileShown();
        return answers.isEmpty() || answers.takeFirst();
    }
    void warn(const QString &title, const QString &text) override
    {
        boxes.append({ Kind::Warning, title, text });
        if (whileShown)
            whileShown();
    }
    void error(const qie::Error &error) override
    {
        boxes.append({ Kind::Error, QStringLiteral("Error"), errorText(error) });
        if (whileShown)
            whileShown();
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
