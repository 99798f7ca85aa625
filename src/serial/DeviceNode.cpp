// SPDX-License-Identifier: MIT
#include "serial/DeviceNode.h"

#include <QFile>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <sys/types.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/sysmacros.h>
#endif

namespace qie {
namespace {

#if defined(Q_OS_LINUX)
// The auxiliary terminal devices have fixed numbers on Linux: 5:0 is /dev/tty, the calling
// process's own terminal, and 5:2 the pseudo-terminal multiplexer (/dev/ptmx, /dev/pts/ptmx),
// whose every open makes a new pseudo-terminal that nobody is on the other side of.
constexpr unsigned kAuxMajor = 5;
constexpr unsigned kOwnTerminalMinor = 0;
constexpr unsigned kMultiplexerMinor = 2;

enum class Terminal { None, Port, Master };

// /proc/tty/drivers: name, node, major, minor or minor range, type. Nothing when the table
// cannot be read, so that a device is never refused on a guess. A pseudo-terminal's master
// side is of type "pty:master", whatever its number and name.
std::optional<Terminal> terminalNumber(unsigned major, unsigned minor)
{
    QFile table(QStringLiteral("/proc/tty/drivers"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 4 || fields[2].toUInt() != major)
            continue;
        const QList<QByteArray> range = fields[3].split('-');
        const unsigned first = range[0].toUInt();
        const unsigned last = range.size() > 1 ? range[1].toUInt() : first;
        if (minor >= first && minor <= last)
            return fields.value(4) == "pty:master" ? Terminal::Master : Terminal::Port;
    }
    return Terminal::None;
}
#endif

} // namespace

std::optional<QString> DeviceNode::notATerminal(const QString &path)
{
#if defined(Q_OS_UNIX)
    struct stat node
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &node) != 0)
        return std::nullopt;
    switch (node.st_mode & S_IFMT) {
    case S_IFREG:
        return QStringLiteral("a regular file");
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFIFO:
        return QStringLiteral("a named pipe");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    case S_IFBLK:
        return QStringLiteral("a block device");
    case S_IFCHR:
        break;
    default:
        return QStringLiteral("not a device");
    }
#if defined(Q_OS_LINUX)
    const unsigned devMajor = major(node.st_rdev);
    const unsigned devMinor = minor(node.st_rdev);
    if (devMajor == kAuxMajor && devMinor == kOwnTerminalMinor)
        return QStringLiteral("the terminal the program runs in (5:0)");
    if (devMajor == kAuxMajor && devMinor == kMultiplexerMinor)
        return QStringLiteral("the pseudo-terminal multiplexer (5:2), which makes a new "
                              "pseudo-terminal with no device behind it");
    const std::optional<Terminal> kind = terminalNumber(devMajor, devMinor);
    if (kind == Terminal::None)
        return QStringLiteral("a character device (%1:%2) that is no terminal")
            .arg(devMajor)
            .arg(devMinor);
    if (kind == Terminal::Master)
        return QStringLiteral("the master side of a pseudo-terminal (%1:%2); use its other "
                              "side, a /dev/pts/ device")
            .arg(devMajor)
            .arg(devMinor);
#endif
    return std::nullopt;
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}

} // namespace qie
