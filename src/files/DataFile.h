// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "files/OutputFile.h"
#include "model/Document.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <variant>

namespace qie {

// The first 11 lines of a data file, as bytes without their line ends, and the data text they
// make (Document::dataTextOf). Bytes travel on as the file had them, so that nothing the code
// page cannot read is ever rewritten.
struct LoadedFile
{
    static constexpr int kLineCount = Document::kDataLines;

    Document::Lines lines;
    QByteArray sendBytes;
};

// Data files: plain text in the system's code page, lines ended by CR or CR LF (a LF alone is
// an ordinary character), saved as the data text's bytes plus one CR LF. Bytes pass through
// as they are; only showing them decodes (CodePage). Nothing here touches a widget; the editor
// window decides how to show results and errors.
//
// Neither call changes anything but the file named: a load hands back the lines and the text
// built from them only when all 11 lines were read, so the window can keep its state as it
// was on any failure.
namespace DataFile {

// Every file this program writes is under 400 bytes, and one with a full 32767-character
// width line still fits. A load reads at most this much (plus one byte to tell whether
// there is more), so that a huge or endless file can neither exhaust memory nor freeze
// the window; a file whose 11 lines do not end within it is refused.
constexpr qint64 kMaxLoadBytes = qint64 { 64 } * 1024;
// The width comes from the number of characters of line 10, a 16-bit count.
constexpr int kMaxWidthLineLength = 32767;

// Writes the data text's bytes + CR LF. Atomic (AtomicFile): on any failure the file that was
// there stays intact, and a replaced file keeps its mode and owner. A name that exists but is
// not a regular file (a device, a FIFO, a folder) is refused untouched, since replacing it by a
// new file is never what was meant; a command's -o also takes streams (`accepts`).
std::optional<Error> save(const QString &path, QByteArrayView dataText,
                          OutputFile::Accepts accepts = OutputFile::Accepts::RegularFile);
// Writes the bytes exactly as given, atomically and with the same refusals and errors as
// save(): the received data saved by the operator.
std::optional<Error> saveBytes(const QString &path, QByteArrayView bytes);

// Reads the first 11 lines of a regular file. Never blocks on a FIFO or device.
std::variant<LoadedFile, Error> load(const QString &path);

// The line rule on bytes already read; `complete` tells whether they are the whole file.
// `path` only names the file in error descriptions.
std::variant<LoadedFile, Error> parse(QByteArrayView bytes, bool complete, const QString &path);

// The part of a path after its last separator ("\" or "/" on Windows, "/" elsewhere).
QString tail(const QString &path);

// "file name = " and the tail of the path: the caption of the editor's frame.
QString caption(const QString &path);

// The two choices of the file dialog, text files first, in the dialog's filter form.
QString dialogFilter();

} // namespace DataFile

} // namespace qie
