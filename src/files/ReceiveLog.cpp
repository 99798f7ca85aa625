// SPDX-License-Identifier: MIT
#include "files/ReceiveLog.h"

#include "files/FileErrors.h"
#include "files/RegularFile.h"

#include <QFileInfo>
#include <QStorageInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#endif

namespace qie {
namespace {

using FileErrors::shown;

Error notRegularFile(const QString &path)
{
    return FileErrors::notRegularFile(path, QStringLiteral("received data is not logged to it."));
}

Error openError(const QString &path, const QString &reason)
{
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return FileErrors::pathNotFound(path);
    if ((info.exists() && !info.isWritable())
        || (!info.exists() && !QFileInfo(info.absolutePath()).isWritable()))
        return FileErrors::permissionDenied(path, true);
    return { kErrAccess,
             QStringLiteral("\"%1\" cannot be opened for logging: %2.").arg(shown(path), reason) };
}

#ifdef Q_OS_UNIX
// Never waits on a FIFO: one without a reader is refused, as any other non-regular file.
std::optional<Error> openForAppending(const QString &path, QFile &file)
{
    using Step = RegularFile::OpenFailure::Step;
    const auto failure = RegularFile::openWithoutBlocking(
        path, O_WRONLY | O_APPEND | O_CREAT, 0666, file,
        QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (!failure)
        return std::nullopt;
    switch (failure->step) {
    case Step::Open:
        if (failure->error == ENXIO) // a FIFO without a reader
            return notRegularFile(path);
        return openError(path, qt_error_string(failure->error));
    case Step::NotRegular:
        return notRegularFile(path);
    case Step::Hand:
        break;
    }
    return openError(path, file.errorString());
}
#else
std::optional<Error> openForAppending(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return notRegularFile(path);
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return openError(path, file.errorString());
    return std::nullopt;
}
#endif

} // namespace

std::optional<Error> ReceiveLog::open(const QString &path)
{
    close();
    if (auto error = openForAppending(path, m_file))
        return error;
    m_path = path;
    return std::nullopt;
}

std::optional<Error> ReceiveLog::write(QByteArrayView bytes)
{
    if (!m_file.isOpen())
        return std::nullopt;
    qsizetype written = 0;
    while (written < bytes.size()) {
        // Unbuffered: each write goes to the system at once. A short write is not an error
        // yet; the next one reports why it stopped.
        const qint64 count = m_file.write(bytes.data() + written, bytes.size() - written);
        if (count <= 0) {
            const QStorageInfo storage(QFileInfo(m_path).absolutePath());
            Error error = storage.isValid() && storage.bytesAvailable() < 1
                ? Error { kErrDiskFull,
                          QStringLiteral("Disk full: logging to \"%1\" has stopped.")
                              .arg(shown(m_path)) }
                : Error { kErrDeviceIo,
                          QStringLiteral("Logging to \"%1\" has stopped: %2.")
                              .arg(shown(m_path), m_file.errorString()) };
            close(); // one report: the writes after it do nothing
            return error;
        }
        written += count;
    }
    return std::nullopt;
}

void ReceiveLog::close()
{
    m_file.close();
    m_path.clear();
}

} // namespace qie
