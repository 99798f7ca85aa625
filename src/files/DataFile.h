// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>
#include <variant>

namespace qie {

// A failure of the file layer, as the error box shows it. The description names the file.
struct FileError
{
    int number = 0;
    QString description;
};

// The first 11 lines of a data file and the text they make: each line followed by CR LF,
// exactly as the file had them, for showing and sending until the next edit.
struct LoadedFile
{
    std::array<QString, 11> lines;
    QString sendData;
};

// Data files: plain text in the system's code page, lines ended by CR or CR LF (a LF alone is
// an ordinary character), saved as the shown data text plus one CR LF. Nothing here touches a
// widget; the editor window decides how to show results and errors.
class DataFile
{
public:
    // A real data file is under 1 KB. A load reads at most this much, so that a huge or
    // endless file (a device, a log) can neither exhaust memory nor freeze the window.
    static constexpr qint64 kMaxLoadBytes = 64 * 1024;
    // The width comes from the length of line 10, counted in a 16-bit integer.
    static constexpr int kMaxWidthLineLength = 32767;

    // Writes text + CR LF. Atomic: on any failure the file that was there stays intact.
    static std::optional<FileError> save(const QString &path, const QString &text);

    // Reads the first 11 lines of the file.
    static std::variant<LoadedFile, FileError> load(const QString &path);

    // The line rule on bytes already read; `complete` tells whether they are the whole file.
    static std::variant<LoadedFile, FileError> parse(QByteArrayView bytes, bool complete,
                                                     const QString &path);

    // Half the number of characters of line 10, as a decimal number ("3.5" for 7). The width
    // text box keeps only its first 2 characters of it.
    static QString widthTextFor(const QString &widthLine);

    // The part of a path after its last separator ("\" or "/" on Windows, "/" elsewhere).
    static QString tail(const QString &path);

    // The two choices of the file dialog, text files first, in the dialog's filter form.
    static QString dialogFilter();
};

} // namespace qie
