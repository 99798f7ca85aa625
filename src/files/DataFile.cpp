// SPDX-License-Identifier: MIT
#include "files/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace qie {
namespace {

// Error numbers follow the classic file-error numbering that operators' notes refer to.
constexpr int kErrOverflow = 6;
constexpr int kErrFileNotFound = 53;
constexpr int kErrDeviceIo = 57;
constexpr int kErrDiskFull = 61;
constexpr int kErrPastEnd = 62;
constexpr int kErrPermission = 70;
constexpr int kErrAccess = 75;
constexpr int kErrPathNotFound = 76;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

FileError openError(const QString &path, const QFileDevice &file, bool forWriting)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return {kErrPathNotFound,
                QStringLiteral("Path not found: the folder of \"%1\" does not exist.").arg(shown(path))};
    if (!forWriting && !info.exists())
        return {kErrFileNotFound, QStringLiteral("File not found: \"%1\".").arg(shown(path))};
    if (file.error() == QFileDevice::PermissionsError
        || file.errorString().contains(QLatin1String("ermission"))) {
        return {kErrPermission,
                QStringLiteral("Permission denied: \"%1\" cannot be %2.")
                    .arg(shown(path), forWriting ? QStringLiteral("written") : QStringLiteral("read"))};
    }
    return {kErrAccess,
            QStringLiteral("\"%1\" cannot be opened: %2.").arg(shown(path), file.errorString())};
}

FileError writeError(const QString &path, const QFileDevice &file)
{
    const QString reason = file.errorString();
    if (reason.contains(QLatin1String("space"), Qt::CaseInsensitive))
        return {kErrDiskFull, QStringLiteral("Disk full: \"%1\" was not saved.").arg(shown(path))};
    return {kErrDeviceIo,
            QStringLiteral("\"%1\" was not saved: %2.").arg(shown(path), reason)};
}

} // namespace

std::optional<FileError> DataFile::save(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return openError(path, file, true);
    QStringEncoder encode(QStringEncoder::System);
    const QByteArray bytes = encode(text + QStringLiteral("\r\n"));
    // A small write can sit in QSaveFile's buffer until commit(); flushing first makes a full
    // disk show up as a write error here instead of a silent commit of a short file.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const FileError error = writeError(path, file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return writeError(path, file);
    return std::nullopt;
}

std::variant<LoadedFile, FileError> DataFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openError(path, file, false);
    const QByteArray bytes = file.read(kMaxLoadBytes);
    if (file.error() != QFileDevice::NoError)
        return FileError{kErrDeviceIo,
                         QStringLiteral("\"%1\" cannot be read: %2.").arg(shown(path), file.errorString())};
    // One byte more tells whether the bound cut the file short, also for files without a size.
    const bool complete = bytes.size() < kMaxLoadBytes || file.read(1).isEmpty();
    return parse(bytes, complete, path);
}

std::variant<LoadedFile, FileError> DataFile::parse(QByteArrayView bytes, bool complete,
                                                    const QString &path)
{
    const auto tooLarge = [&] {
        return FileError{kErrPastEnd,
                         QStringLiteral("\"%1\" is not a data file: its 11 lines are not within its first %2 KB.")
                             .arg(shown(path))
                             .arg(kMaxLoadBytes / 1024)};
    };
    LoadedFile loaded;
    qsizetype pos = 0;
    for (std::size_t i = 0; i < loaded.lines.size(); ++i) {
        if (pos >= bytes.size()) {
            if (!complete)
                return tooLarge();
            return FileError{kErrPastEnd,
                             QStringLiteral("Input past end of file: \"%1\" has %2 of the 11 lines of a data file.")
                                 .arg(shown(path))
                                 .arg(i)};
        }
        qsizetype end = bytes.indexOf('\r', pos);
        if (end < 0) {
            if (!complete)
                return tooLarge();
            end = bytes.size();  // the last line may lack its end
        }
        // Each line is decoded on its own: CR never occurs inside a multi-byte character of
        // the code pages in use, and a broken sequence stays within its line.
        QStringDecoder decode(QStringDecoder::System);
        loaded.lines[i] = decode(bytes.sliced(pos, end - pos));
        loaded.sendData += loaded.lines[i];
        loaded.sendData += QStringLiteral("\r\n");
        pos = end + 1;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    if (loaded.lines[10].size() > kMaxWidthLineLength)
        return FileError{kErrOverflow,
                         QStringLiteral("Overflow: line 11 of \"%1\" is longer than %2 characters.")
                             .arg(shown(path))
                             .arg(kMaxWidthLineLength)};
    return loaded;
}

QString DataFile::widthTextFor(const QString &widthLine)
{
    const qsizetype count = widthLine.size();
    QString text = QString::number(count / 2);
    if (count % 2 != 0)
        text += QStringLiteral(".5");
    return text;
}

QString DataFile::tail(const QString &path)
{
#ifdef Q_OS_WIN
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
#else
    const qsizetype cut = path.lastIndexOf(u'/');
#endif
    return path.mid(cut + 1);
}

QString DataFile::dialogFilter()
{
    return QStringLiteral("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt);;全てのﾌｧｲﾙ (*.*)");
}

} // namespace qie
