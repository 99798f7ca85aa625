// SPDX-License-Identifier: MIT
#include "files/RegularFile.h"

#include "files/PathName.h"

#include <QDir>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace qie::RegularFile {

#ifdef Q_OS_UNIX
namespace {

// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The folder part of a path with its final separator, or "" for a name without one.
QString folderOf(const QString &path)
{
    return path.left(PathName::nameStart(path));
}

// `path` with the links of its folder resolved; the name itself is left as it is, since it is
// the one that may be a descriptor's.
QString resolvedFolder(const QString &path)
{
    const QString folder = folderOf(path);
    const QByteArray name = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    char *real = ::realpath(name.constData(), nullptr);
    if (real == nullptr)
        return QDir::cleanPath(QDir::current().absoluteFilePath(path));
    const QString resolved = QFile::decodeName(real);
    std::free(real);
    return QDir::cleanPath(resolved + u'/' + path.mid(PathName::nameStart(path)));
}

} // namespace

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

std::optional<Descriptor> descriptorNamed(const QString &path)
{
    static const QRegularExpression kStandard(
        QStringLiteral("^/dev/(?:std(in|out|err)|fd/(\\d+))$"));
    static const QRegularExpression kProc(
        QStringLiteral("^/proc/(self|thread-self|\\d+)(?:/task/\\d+)?/fd/(\\d+)$"));
    const QString resolved = resolvedFolder(path);
    if (const auto match = kStandard.match(resolved); match.hasMatch()) {
        const QString stream = match.captured(1);
        if (stream.isEmpty())
            return Descriptor { match.captured(2).toInt(), true };
        return Descriptor { stream == u"in" ? 0 : stream == u"out" ? 1 : 2, true };
    }
    if (const auto match = kProc.match(resolved); match.hasMatch()) {
        const QString process = match.captured(1);
        const bool own = !process.front().isDigit() || process.toLongLong() == ::getpid();
        return Descriptor { match.captured(2).toInt(), own };
    }
    return std::nullopt;
}

LinkEnd followLinks(const QString &path)
{
    QString current = path;
    std::vector<char> buffer(PATH_MAX);
    for (int i = 0; i <= kMaxLinks; ++i) {
        if (const auto descriptor = descriptorNamed(current))
            return { current, descriptor };
        const ssize_t length
            = ::readlink(QFile::encodeName(current).constData(), buffer.data(), buffer.size());
        // A name that is no link (or cannot be read as one) is the file itself; opening it
        // tells what is wrong.
        if (length < 0)
            return { current };
        const QString target = QFile::decodeName(QByteArray(buffer.data(), length));
        // A relative link is relative to the folder that holds the link.
        current = target.startsWith(u'/') ? target : folderOf(current) + target;
    }
    return { QString(), std::nullopt, ELOOP };
}
#endif

} // namespace qie::RegularFile
