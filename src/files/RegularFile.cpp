// SPDX-License-Identifier: MIT
#include "files/RegularFile.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qie::RegularFile {

#ifdef Q_OS_UNIX
std::optional<OpenFailure> openWithoutBlocking(const QString &path, int flags, int permissions,
                                               QFile &file, QIODevice::OpenMode mode)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, permissions);
    if (fd < 0)
        return OpenFailure { OpenFailure::Step::Open, errno };
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return OpenFailure { OpenFailure::Step::NotRegular };
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenFailure { OpenFailure::Step::Hand };
    }
    return std::nullopt;
}
#endif

} // namespace qie::RegularFile
