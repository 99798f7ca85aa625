// SPDX-License-Identifier: MIT
#include "files/DataFile.h"

#include "files/CodePage.h"
#include "files/FileErrors.h"
#include "files/PathName.h"
#include "files/RegularFile.h"
#include "model/Characters.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#endif

namespace qie {
namespace {

using FileErrors::pathNotFound;
using FileErrors::permissionDenied;
using FileErrors::shown;

// The two choices in the dialog's own form; the descriptions are kept verbatim, half-width
// katakana included, and carry their patterns in parentheses, where the dialog takes them from.
constexpr QStringView kDialogFilter = u"ﾃｷｽﾄ ﾌｧｲﾙ (*.txt);;全てのﾌｧｲﾙ (*.*)";

Error notRegularFile(const QString &path)
{
    return FileErrors::notRegularFile(path,
                                      QStringLiteral("it was not read. Nothing was changed."));
}

Error readError(const QString &path, const QString &reason)
{
    return { kErrDeviceIo, QStringLiteral("\"%1\" cannot be read: %2.").arg(shown(path), reason) };
}

#ifdef Q_OS_UNIX
Error loadOpenError(const QString &path, int error)
{
    switch (error) {
    case ENOENT:
        return QFileInfo(QFileInfo(path).absolutePath()).isDir()
            ? Error { kErrFileNotFound, QStringLiteral("File not found: \"%1\".").arg(shown(path)) }
            : pathNotFound(path);
    case ENOTDIR:
        return pathNotFound(path);
    case EACCES:
    case EPERM:
        return permissionDenied(path, false);
    default:
        return {
            kErrAccess,
            QStringLiteral("\"%1\" cannot be opened: %2.").arg(shown(path), qt_error_string(error))
        };
    }
}

// Opens a regular file for reading, never waiting on a FIFO.
std::optional<Error> openForReading(const QString &path, QFile &file)
{
    using Step = RegularFile::OpenFailure::Step;
    const auto failure = RegularFile::openWithoutBlocking(
        path, O_RDONLY, 0, file, QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!failure)
        return std::nullopt;
    switch (failure->step) {
    case Step::Open:
        return loadOpenError(path, failure->error);
    case Step::NotRegular:
        return notRegularFile(path);
    case Step::Hand:
        break;
    }
    return readError(path, file.errorString());
}
#else
std::optional<Error> openForReading(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return pathNotFound(path);
    if (!info.exists())
        return Error { kErrFileNotFound,
                       QStringLiteral("File not found: \"%1\".").arg(shown(path)) };
    if (!info.isFile())
        return notRegularFile(path);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            return permissionDenied(path, false);
        return Error {
            kErrAccess,
            QStringLiteral("\"%1\" cannot be opened: %2.").arg(shown(path), file.errorString())
        };
    }
    return std::nullopt;
}
#endif

} // namespace

std::optional<Error> DataFile::save(const QString &path, QByteArrayView dataText,
                                    OutputFile::Accepts accepts)
{
    return OutputFile::write(path, { dataText, "\r\n" }, accepts);
}

std::optional<Error> DataFile::saveBytes(const QString &path, QByteArrayView bytes)
{
    return OutputFile::write(path, { bytes }, OutputFile::Accepts::RegularFile);
}

std::variant<LoadedFile, Error> DataFile::load(const QString &path)
{
    QFile file;
    if (const auto error = openForReading(path, file))
        return *error;
    // One byte beyond the bound tells whether the bound cut the file short.
    QByteArray bytes(kMaxLoadBytes + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const qint64 count = file.read(bytes.data() + got, bytes.size() - got);
        if (count < 0)
            return readError(path, file.errorString());
        if (count == 0)
            break;
        got += count;
    }
    const bool complete = got <= kMaxLoadBytes;
    bytes.truncate(qMin<qsizetype>(got, kMaxLoadBytes));
    return parse(bytes, complete, path);
}

std::variant<LoadedFile, Error> DataFile::parse(QByteArrayView bytes, bool complete,
                                                const QString &path)
{
    const auto tooLarge = [&] {
        return Error { kErrPastEnd,
                       QStringLiteral("\"%1\" is not a data file: its first 11 lines do not end "
                                      "within its first %2 KB.")
                           .arg(shown(path))
                           .arg(kMaxLoadBytes / 1024) };
    };
    LoadedFile loaded;
    qsizetype pos = 0;
    for (int i = 0; i < LoadedFile::kLineCount; ++i) {
        if (pos >= bytes.size()) {
            if (!complete)
                return tooLarge();
            return Error { kErrPastEnd,
                           QStringLiteral("Input past end of file: \"%1\" has %2 of the 11 lines "
                                          "of a data file.")
                               .arg(shown(path))
                               .arg(i) };
        }
        qsizetype end = bytes.indexOf('\r', pos);
        if (end < 0) {
            // Without the rest of the file there is no telling where this line ends.
            if (!complete)
                return tooLarge();
            end = bytes.size(); // the last line may lack its end
        }
        loaded.lines[i].assign(bytes.data() + pos, static_cast<std::size_t>(end - pos));
        pos = end + 1;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    // CR never occurs inside a multi-byte character of the code pages in use, so line 10
    // decodes on its own.
    const QString decoded = CodePage::decode(QByteArrayView(loaded.lines[10]));
    const QStringView widthLine(decoded);
    if (Characters::count(std::u16string_view(widthLine.utf16(), widthLine.size()))
        > kMaxWidthLineLength)
        return Error { kErrOverflow,
                       QStringLiteral("Overflow: the 11th line of \"%1\", which sets the width, "
                                      "is longer than %2 characters.")
                           .arg(shown(path))
                           .arg(kMaxWidthLineLength) };
    loaded.sendBytes = QByteArray::fromStdString(Document::dataTextOf(loaded.lines));
    return loaded;
}

QString DataFile::tail(const QString &path)
{
    return path.mid(PathName::nameStart(path));
}

QString DataFile::caption(const QString &path)
{
    return QStringLiteral("file name = ") + tail(path);
}

QString DataFile::dialogFilter()
{
    return kDialogFilter.toString();
}

} // namespace qie
