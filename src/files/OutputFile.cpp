// SPDX-License-Identifier: MIT
#include "files/OutputFile.h"

#include "files/AtomicFile.h"
#include "files/DataFile.h"
#include "files/FileErrors.h"
#include "files/RegularFile.h"

#include <QFile>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace qie::OutputFile {
namespace {

using FileErrors::shown;

const QString kKept = QStringLiteral(" Any earlier file of that name is unchanged.");

// Why a replacement failed. Once the temporary file exists (`written`), a missing folder is
// no longer the reason. Either way the old file is as it was.
Error replaceError(const QString &path, const AtomicFile &file, bool written)
{
    switch (file.failure()) {
    case AtomicFile::Failure::PathNotFound:
        if (!written)
            return FileErrors::pathNotFound(path, file.targetPath());
        break;
    case AtomicFile::Failure::PermissionDenied:
        return FileErrors::permissionDenied(path, true);
    case AtomicFile::Failure::DiskFull:
        return { kErrDiskFull,
                 QStringLiteral("Disk full: \"%1\" was not saved.").arg(shown(path)) + kKept };
    case AtomicFile::Failure::NotRegular:
        return FileErrors::notRegularFile(
            path, QStringLiteral("it was not written. Nothing was changed."));
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
                 + kKept };
}

std::optional<Error> replace(const QString &path, std::initializer_list<QByteArrayView> parts)
{
    AtomicFile file(path);
    if (!file.open())
        return replaceError(path, file, false);
    for (const QByteArrayView part : parts) {
        if (!file.write(part))
            return replaceError(path, file, true);
    }
    if (!file.commit())
        return replaceError(path, file, true);
    return std::nullopt;
}

// `name` as the message shows it: quoted for a path, plain for standard output.
Error streamError(const QString &name, const QString &reason)
{
    return { kErrDeviceIo, QStringLiteral("%1 was not written: %2.").arg(name, reason) };
}

// All of `parts` into `device`, opened unbuffered, so that a failure is seen here.
std::optional<Error> writeAll(QFile &device, const QString &name,
                              std::initializer_list<QByteArrayView> parts)
{
    for (const QByteArrayView part : parts) {
        for (qsizetype done = 0; done < part.size();) {
            const qint64 count = device.write(part.data() + done, part.size() - done);
            if (count <= 0)
                return streamError(name, device.errorString());
            done += count;
        }
    }
    return std::nullopt;
}

std::optional<Error> writeStandardOutput(std::initializer_list<QByteArrayView> parts)
{
#ifdef Q_OS_WIN
    // Byte for byte: no CR added before each LF.
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
    std::fflush(stdout);
    QFile out;
    if (!out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return streamError(standardOutputName(), out.errorString());
    return writeAll(out, standardOutputName(), parts);
}

#ifdef Q_OS_UNIX
QString quoted(const QString &path)
{
    return u'"' + shown(path) + u'"';
}

Error notWritable(const QString &path)
{
    return FileErrors::notRegularFile(path, QStringLiteral("nothing was written to it."));
}

// A character device, or a FIFO with a reader, written where it is. Opened without waiting:
// a FIFO nobody reads refuses the open (ENXIO) instead of holding the command for ever.
std::optional<Error> writeInPlace(const QString &path, std::initializer_list<QByteArrayView> parts)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO)
            return Error { kErrAccess,
                           QStringLiteral("\"%1\" is a FIFO that no program reads, so nothing "
                                          "was written to it.")
                               .arg(shown(path)) };
        if (errno == EACCES || errno == EPERM)
            return FileErrors::permissionDenied(path, true);
        return streamError(quoted(path), qt_error_string(errno));
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !(S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        ::close(fd);
        return notWritable(path);
    }
    // The reader is there; from now on the bytes wait for it as for any slow reader.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile device;
    if (!device.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return streamError(quoted(path), device.errorString());
    }
    return writeAll(device, quoted(path), parts);
}

std::optional<Error> writeAnyOutput(const QString &path,
                                    std::initializer_list<QByteArrayView> parts)
{
    const RegularFile::LinkEnd end = RegularFile::followLinks(path);
    if (end.descriptor) {
        if (end.descriptor->own && end.descriptor->number == 1)
            return writeStandardOutput(parts);
        // Another descriptor: only what may be written in place, never the file behind it.
        return writeInPlace(path, parts);
    }
    struct stat status
    {
    };
    if (end.error != 0 || ::stat(QFile::encodeName(end.path).constData(), &status) != 0
        || S_ISREG(status.st_mode))
        return replace(path, parts);
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))
        return writeInPlace(path, parts);
    return notWritable(path);
}
#endif

} // namespace

QString standardOutputName()
{
    return QStringLiteral("standard output");
}

std::optional<Error> write(const QString &path, std::initializer_list<QByteArrayView> parts,
                           Accepts accepts)
{
    if (accepts == Accepts::RegularFile)
        return replace(path, parts);
    if (path == u"-")
        return writeStandardOutput(parts);
#ifdef Q_OS_UNIX
    return writeAnyOutput(path, parts);
#else
    return replace(path, parts);
#endif
}

} // namespace qie::OutputFile
