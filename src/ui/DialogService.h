// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QString>
#include <optional>

namespace qie {

// What the Text… and Import image… dialogs hand back: the new picture and the fewest bytes
// that hold it.
struct PictureChoice
{
    Picture picture;
    int widthBytes = 1;
};

// Where the Export image… dialog writes, and at what scale (1..16).
struct ExportChoice
{
    QString path;
    int scale = 1;
};

// Everything that would block a test or make a noise: modal message boxes, the file dialogs
// and the beep. The editor and the frame use only this; tests replace it.
class DialogService
{
public:
    // Message box styles and answers, with the numbers the system's own texts use.
    enum Style : int {
        OkOnly = 0,
        YesNo = 4,
        Exclamation = 48,
    };
    enum Answer : int { Ok = 1, Yes = 6, No = 7 };
    enum class FileMode { Open, Save };

    virtual ~DialogService() = default;

    // `prompt` may hold a lone CR as a line break. Yes is the default button of YesNo.
    virtual int messageBox(const QString &prompt, int style, const QString &title) = 0;
    // Shows a modal file dialog; the full path chosen, or the empty text.
    virtual QString fileDialog(FileMode mode, const QString &filter) = 0;
    virtual void beep() = 0;

    // The Text… dialog; nullopt on Cancel.
    virtual std::optional<PictureChoice> chooseText() = 0;
    // The file dialog, then the import dialog; nullopt when either is cancelled.
    virtual std::optional<PictureChoice> chooseImport() = 0;
    // The file dialog and the scale; nullopt on Cancel.
    virtual std::optional<ExportChoice> chooseExport() = 0;

    // The error box of every guarded procedure.
    void errorBox(int number, const QString &description)
    {
        messageBox(QStringLiteral("Number : %1\rDescription : %2").arg(number).arg(description),
                   OkOnly, QStringLiteral("Error"));
    }
};

} // namespace qie
