// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "model/Picture.h"
#include "serial/NetworkAddress.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qie {

class Drain;

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

// What a file dialog is asked for: which kind, its filter (entries separated by ";;", the first
// one chosen at the start), the folder it starts in and the name it proposes (both may be
// empty: the working folder, no name). An entry whose one pattern is "*.ext" adds ".ext" to a
// name typed without a suffix while it is chosen.
struct FileRequest
{
    // Append: a file to add to, chosen like Save but without asking whether to replace it.
    enum class Mode { Open, Save, Append };
    Mode mode = Mode::Open;
    QString filter;
    QString folder;
    QString name;
};

// What a file dialog hands back: the full path chosen, empty on Cancel, and the filter entry
// chosen with it.
struct FileChoice
{
    QString path;
    QString filter;
};

// What the Send text… dialog hands back: one line for the device and what ends it.
struct SendLine
{
    enum class End { CrLf, Cr, Lf, None };
    QString text;
    End end = End::CrLf;
};

// Everything that would block a test or make a noise: modal message boxes, the file dialogs
// and the beep. The editor and the frame use only this; tests replace it. A text shown in a
// box may hold CR LF or a lone CR as a line break, and is always shown literally.
class DialogService
{
public:
    virtual ~DialogService() = default;

    // A question with Yes and No, Yes the default; Escape and closing the box answer No, so
    // that nothing happens by accident. True for Yes.
    virtual bool ask(const QString &title, const QString &question) = 0;
    // A warning with an exclamation mark and OK.
    virtual void warn(const QString &title, const QString &text) = 0;
    // The error box of every guarded procedure: errorText() under the title "Error", OK.
    virtual void error(const Error &error) = 0;

    // Boxes the program raises by itself, not in answer to the operator: the port's faults
    // and loss, a failed log. Where the window's boxes are held (BoxHold) they are never shown
    // from inside the caller, which may be a port or reception handler, but later from the
    // event loop; without a hold they are shown at once, as warn() and error() are.
    //
    // A warning worth showing only now (a line fault): left out when it cannot be.
    virtual void offerWarning(const QString &title, const QString &text) { warn(title, text); }
    // A warning and an error box that must be seen, once (the port was lost, the log failed).
    virtual void postWarning(const QString &title, const QString &text) { warn(title, text); }
    virtual void postError(const Error &failure) { error(failure); }

    // Shows a modal file dialog.
    virtual FileChoice fileDialog(const FileRequest &request) = 0;
    virtual void beep() = 0;

    // A modal dialog while the bytes written to the port leave it, before it closes: the bytes
    // and the time left, and one button, "Discard", which ends the drain with drain.discard().
    // It closes by itself when the drain ends, and runs the event loop meanwhile, so that
    // reception and repaint go on.
    virtual void showDrain(Drain &drain) = 0;

    // The Text… dialog; nullopt on Cancel.
    virtual std::optional<PictureChoice> chooseText() = 0;
    // The import dialog for the image file at `path`; nullopt when it is cancelled or the file
    // cannot be imported (which it reports).
    virtual std::optional<PictureChoice> chooseImport(const QString &path) = 0;
    // The file dialog, started in `folder`, and the scale; nullopt on Cancel.
    virtual std::optional<ExportChoice> chooseExport(const QString &folder) = 0;
    // The network serial port to pin as port `number`: host, port and protocol; nullopt on
    // Cancel.
    virtual std::optional<NetworkAddress> chooseNetworkPort(int number) = 0;
    // The Send text… dialog, offering the lines sent before (most recent first) and opening
    // with `end` chosen; nullopt on Cancel.
    virtual std::optional<SendLine> chooseSendLine(const QStringList &history, SendLine::End end)
        = 0;

    // "Number : n", a CR, "Description : " and the description.
    static QString errorText(const Error &error) { return describe(error, u'\r'); }
};

} // namespace qie
