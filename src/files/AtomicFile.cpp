// SPDX-License-Identifier: MIT
#include "files/AtomicFile.h"

#include "files/PathName.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <tuple>
#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace qie {
namespace {

// A new random name per try; a clash with a file of another writer only costs another try.
constexpr int kNameTries = 100;
constexpr int kRandomCharacters = 6;

QString temporaryName(const QString &folder)
{
    static constexpr char kCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = folder + QStringLiteral(".qie");
    for (int i = 0; i < kRandomCharacters; ++i)
        name += QLatin1Char(kCharacters[QRandomGenerator::global()->bounded(36)]);
    return name;
}

// The folder part of a path with its final separator, or "" for a name without one.
QString folderOf(const QString &path)
{
    return path.left(PathName::nameStart(path));
}

#ifndef Q_OS_WIN
// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The file a chain of symbolic links leads to, whether or not that file exists. A name that
// is no link (or cannot be read as one) is the file itself; opening it tells what is wrong.
std::pair<QString, int> followLinks(const QString &path)
{
    QString current = path;
    std::vector<char> buffer(PATH_MAX);
    for (int i = 0; i <= kMaxLinks; ++i) {
        const ssize_t length
            = ::readlink(QFile::encodeName(current).constData(), buffer.data(), buffer.size());
        if (length < 0)
            return { current, 0 };
        const QString target = QFile::decodeName(QByteArray(buffer.data(), length));
        // A relative link is relative to the folder that holds the link.
        current = target.startsWith(u'/') ? target : folderOf(current) + target;
    }
    return { QString(), ELOOP };
}
#endif

} // namespace

AtomicFile::AtomicFile(QString path) : m_path(std::move(path))
{ }

AtomicFile::~AtomicFile()
{
    cancel();
}

bool AtomicFile::fail(int error)
{
    m_error = error;
    cancel();
    return false;
}

QString AtomicFile::errorString() const
{
    return qt_error_string(m_error);
}

#ifdef Q_OS_WIN

AtomicFile::Failure AtomicFile::failure() const
{
    switch (m_error) {
    case 0:
        return Failure::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return Failure::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return Failure::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Failure::DiskFull;
    default:
        return Failure::Other;
    }
}

bool AtomicFile::open()
{
    const QFileInfo info(m_path);
    // A symbolic link is followed; a shortcut (.lnk) is a file of its own and is replaced.
    m_target = info.isSymbolicLink() ? info.symLinkTarget() : m_path;
    const QString folder = folderOf(m_target);
    for (int i = 0; i < kNameTries; ++i) {
        const QString name = temporaryName(folder);
        const HANDLE handle
            = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_WRITE, 0,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = handle;
            m_temporary = name;
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return fail(static_cast<int>(::GetLastError()));
    }
    return fail(ERROR_FILE_EXISTS);
}

bool AtomicFile::write(QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD count = 0;
        const auto chunk = static_cast<DWORD>(std::min<qsizetype>(bytes.size() - done, 1 << 20));
        if (!::WriteFile(m_handle, bytes.data() + done, chunk, &count, nullptr) || count == 0)
            return fail(static_cast<int>(::GetLastError()));
        done += count;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (!::FlushFileBuffers(m_handle))
        return fail(static_cast<int>(::GetLastError()));
    ::CloseHandle(std::exchange(m_handle, nullptr));
    if (!::MoveFileExW(reinterpret_cast<const wchar_t *>(m_temporary.utf16()),
                       reinterpret_cast<const wchar_t *>(m_target.utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail(static_cast<int>(::GetLastError()));
    m_temporary.clear();
    return true;
}

void AtomicFile::cancel()
{
    if (m_handle)
        ::CloseHandle(std::exchange(m_handle, nullptr));
    if (!m_temporary.isEmpty())
        ::DeleteFileW(reinterpret_cast<const wchar_t *>(std::exchange(m_temporary, {}).utf16()));
}

#else

AtomicFile::Failure AtomicFile::failure() const
{
    switch (m_error) {
    case 0:
        return Failure::None;
    case ENOENT:
    case ENOTDIR:
        return Failure::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Failure::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return Failure::DiskFull;
    default:
        return Failure::Other;
    }
}

bool AtomicFile::open()
{
    int error = 0;
    std::tie(m_target, error) = followLinks(m_path);
    if (error != 0)
        return fail(error);
    // The rename needs only the folder's permission; a file its owner made read-only is
    // refused as a write into it would be (judged with the effective ids, as an open is).
    const QByteArray target = QFile::encodeName(m_target);
    if (::faccessat(AT_FDCWD, target.constData(), F_OK, AT_EACCESS) == 0
        && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return fail(errno);
    const QString folder = folderOf(m_target);
    for (int i = 0; i < kNameTries; ++i) {
        const QString name = temporaryName(folder);
        // 0666: the umask applies, as for any file created anew.
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = name;
            return true;
        }
        if (errno != EEXIST)
            return fail(errno);
    }
    return fail(EEXIST);
}

bool AtomicFile::write(QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        // A short write is no error yet: the next one says why it stopped.
        if (count <= 0)
            return fail(count < 0 ? errno : EIO);
        done += count;
    }
    return true;
}

bool AtomicFile::commit()
{
    struct stat old
    {
    };
    if (::stat(QFile::encodeName(m_target).constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Owner first: a change of owner clears the set-user and set-group bits that the mode
        // then brings back. A process that may not give the file away may still give it a
        // group it belongs to; what it may not set at all stays its own.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            && ::fchown(m_fd, old.st_uid, old.st_gid) != 0) {
            // When the group is refused too, the file stays the saving user's, as a new one.
            [[maybe_unused]] const int groupKept
                = ::fchown(m_fd, static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(m_fd, old.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (::fsync(m_fd) != 0)
        return fail(errno);
    if (::close(std::exchange(m_fd, -1)) != 0)
        return fail(errno);
    if (::rename(QFile::encodeName(m_temporary).constData(),
                 QFile::encodeName(m_target).constData())
        != 0)
        return fail(errno);
    m_temporary.clear();
    // The rename is an entry of the folder: it is on the disk once the folder is. The content
    // is already there, so a failure here loses at most the new name after a crash.
    const QString folder = folderOf(m_target);
    const int directory
        = ::open(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(),
                 O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return true;
}

void AtomicFile::cancel()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(std::exchange(m_temporary, {})).constData());
}

#endif

} // namespace qie
