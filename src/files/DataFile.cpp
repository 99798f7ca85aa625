// SPDX-License-Identifier: MIT
#include "files/DataFile.h"

#include "files/AtomicFile.h"
#include "files/CodePage.h"
#include "files/FileErrors.h"
#include "files/PathName.h"
#include "files/RegularFile.h"
#include "model/Characters.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <initializer_list>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#endif

namespace qie {
namespace {

using FileErrors::pathNotFound;
using FileErrors::permissionDenied;
using FileErrors::shown;

// The filter as description|pattern pairs, the form operators' notes quote. Kept verbatim so
// the half-width katakana cannot drift; qtFilter() converts it to the dialog's own form.
constexpr QStringView kPipeFilter = u"ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt|全てのﾌｧｲﾙ (*.*)|*.*";

QString verb(bool forWriting)
{
    return forWriting ? QStringLiteral("written") : QStringLiteral("read");
}

Error notRegularFile(const QString &path, bool forWriting)
{
    return { kErrAccess,
             QStringLiteral("\"%1\" is not a regular file (it is a folder, device or pipe), so it "
                            "was not %2. Nothing was changed.")
                 .arg(shown(path), verb(forWriting)) };
}

// Why a save failed. Once the temporary file exists (`written`), a missing folder is no longer
// the reason. Either way the old file is as it was.
Error saveError(const QString &path, const AtomicFile &file, bool written)
{
    const QString kept = QStringLiteral(" Any earlier file of that name is unchanged.");
    switch (file.failure()) {
    case AtomicFile::Failure::PathNotFound:
        if (!written)
            return pathNotFound(path);
        break;
    case AtomicFile::Failure::PermissionDenied:
        return permissionDenied(path, true);
    case AtomicFile::Failure::DiskFull:
        return { kErrDiskFull,
                 QStringLiteral("Disk full: \"%1\" was not saved.").arg(shown(path)) + kept };
    default:
        break;
    }
    if (!written)
        return {
            kErrAccess,
            QStringLiteral("\"%1\" cannot be created: %2.").arg(shown(path), file.errorString())
        };
    return { kErrDeviceIo,
             QStringLiteral("\"%1\" was not saved: %2.").arg(shown(path), file.errorString())
                 + kept };
}

// Writes `parts` one after another into a new file that replaces `path` in one step.
std::optional<Error> replaceFile(const QString &path, std::initializer_list<QByteArrayView> parts)
{
    // The new file is renamed over the old one: for a device or FIFO that would replace the
    // node by a plain file, with root's rights even a system one. Such a name is refused
    // before anything is created. A name swapped for a node between this check and the
    // rename is not covered.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return notRegularFile(path, true);

    AtomicFile file(path);
    if (!file.open())
        return saveError(path, file, false);
    for (const QByteArrayView part : parts) {
        if (!file.write(part))
            return saveError(path, file, true);
    }
    if (!file.commit())
        return saveError(path, file, true);
    return std::nullopt;
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
        return notRegularFile(path, false);
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
        return notRegularFile(path, false);
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

QString qtFilter(QStringView pipeFilter)
{
    const QStringList parts = pipeFilter.toString().split(u'|');
    QStringList choices;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        // The dialog takes the patterns from the parentheses; a description that already
        // shows them is kept as written.
        choices.append(parts[i].contains(u'(') ? parts[i]
                                               : QStringLiteral("%1 (%2)").arg(parts[i], pattern));
    }
    return choices.join(QStringLiteral(";;"));
}

} // namespace

std::optional<Error> DataFile::save(const QString &path, QByteArrayView dataText)
{
    return replaceFile(path, { dataText, "\r\n" });
}

std::optional<Error> DataFile::saveBytes(const QString &path, QByteArrayView bytes)
{
    return replaceFile(path, { bytes });
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
        // Each line is decoded on its own: CR never occurs inside a multi-byte character of
        // the code pages in use, and a broken sequence stays within its line.
        loaded.lineBytes[i] = bytes.sliced(pos, end - pos).toByteArray();
        loaded.lines[i] = CodePage::decode(loaded.lineBytes[i]);
        loaded.sendBytes += loaded.lineBytes[i];
        loaded.sendBytes += "\r\n";
        pos = end + 1;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    const QStringView widthLine(loaded.lines[10]);
    if (Characters::count(std::u16string_view(widthLine.utf16(), widthLine.size()))
        > kMaxWidthLineLength)
        return Error { kErrOverflow,
                       QStringLiteral("Overflow: the 11th line of \"%1\", which sets the width, "
                                      "is longer than %2 characters.")
                           .arg(shown(path))
                           .arg(kMaxWidthLineLength) };
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
    return qtFilter(kPipeFilter);
}

} // namespace qie
