// SPDX-License-Identifier: MIT
#include "serial/PortHolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#endif
#if defined(Q_OS_LINUX)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace qie {
namespace {

#if defined(Q_OS_LINUX)
using Clock = std::chrono::steady_clock;
// What a pseudo-terminal's master side is open on: the multiplexer, /dev/ptmx.
const dev_t kMultiplexer = makedev(5, 2);
#endif

#if defined(Q_OS_LINUX)
bool isPid(const char *name)
{
    if (*name == '\0')
        return false;
    for (const char *c = name; *c; ++c) {
        if (*c < '0' || *c > '9')
            return false;
    }
    return true;
}

// Whether descriptor `fd` of process `pid`, a pseudo-terminal master, serves pseudo-terminal
// number `index`; its fdinfo says so as "tty-index:".
bool servesPty(const char *pid, const char *fd, int index)
{
    char path[320];
    std::snprintf(path, sizeof path, "/proc/%s/fdinfo/%s", pid, fd);
    QFile info(QString::fromLatin1(path));
    if (!info.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (line.startsWith("tty-index:"))
            return line.mid(10).trimmed().toInt() == index;
    }
    return false;
}

// One look through every process's descriptors, shared by the threads that do it: each takes
// the next process until one holder is found, all are seen or the time is up. A descriptor is
// compared by the device number of what it is open on, from statx on its entry in
// /proc/PID/fd: no path is built or compared, and AT_STATX_DONT_SYNC keeps a file on a dead
// network mount from being asked about.
struct Scan
{
    struct Found
    {
        qint64 pid = 0;
        std::string name;
    };

    Scan(dev_t target, int ptyIndex, Clock::time_point deadline,
         const std::vector<std::string> &pids)
        : target(target), ptyIndex(ptyIndex), deadline(deadline), pids(pids)
    { }

    dev_t target;
    int ptyIndex = -1;
    Clock::time_point deadline;
    const std::vector<std::string> &pids;
    std::atomic<std::size_t> next { 0 };
    std::atomic<bool> done { false };
    std::atomic<bool> late { false };
    std::mutex lock;
    std::optional<Found> found;

    bool timeUp()
    {
        if (Clock::now() < deadline)
            return false;
        late = true;
        done = true;
        return true;
    }

    void run()
    {
        unsigned checked = 0;
        for (std::size_t i; !done && !timeUp() && (i = next++) < pids.size();) {
            const char *pid = pids[i].c_str();
            char path[64];
            std::snprintf(path, sizeof path, "/proc/%s/fd", pid);
            // Other users' descriptors are unreadable; those processes are simply not seen.
            const int fdsHandle = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fdsHandle < 0)
                continue;
            DIR *fds = ::fdopendir(fdsHandle);
            if (!fds) {
                ::close(fdsHandle);
                continue;
            }
            bool holds = false;
            std::vector<std::string> masters;
            while (const dirent *fd = ::readdir(fds)) {
                if ((++checked & 63) == 0 && timeUp())
                    break;
                if (fd->d_name[0] == '.')
                    continue;
                struct statx node
                {
                };
                if (::statx(fdsHandle, fd->d_name, AT_STATX_DONT_SYNC, STATX_TYPE, &node) != 0
                    || !S_ISCHR(node.stx_mode))
                    continue;
                const dev_t number = makedev(node.stx_rdev_major, node.stx_rdev_minor);
                if (number == target)
                    holds = true;
                else if (ptyIndex >= 0 && number == kMultiplexer)
                    masters.emplace_back(fd->d_name);
            }
            ::closedir(fds);
            if (!holds || done)
                continue;
            const bool deviceSide
                = std::any_of(masters.begin(), masters.end(),
                              [&](const auto &fd) { return servesPty(pid, fd.c_str(), ptyIndex); });
            if (deviceSide)
                continue;
            const std::lock_guard<std::mutex> guard(lock);
            if (!found)
                found = Found { std::strtoll(pid, nullptr, 10), pids[i] };
            done = true;
        }
    }
};

QString commandName(const char *pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(QLatin1String(pid)));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                          : QStringLiteral("?");
}
#endif

#if defined(Q_OS_UNIX)
// Where the port layer keeps its lock file: the same folders in the same order, the first
// readable one that has the file or may take it.
QString lockFilePath(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.prepend(QLatin1String("/LCK.."));
    const QStringList folders { QStringLiteral("/var/lock"),
                                QStringLiteral("/etc/locks"),
                                QStringLiteral("/var/spool/locks"),
                                QStringLiteral("/var/spool/uucp"),
                                QStringLiteral("/tmp"),
                                QStringLiteral("/var/tmp"),
                                QStringLiteral("/var/lock/lockdev"),
                                QStringLiteral("/run/lock"),
                                QStandardPaths::writableLocation(QStandardPaths::TempLocation) };
    for (const QString &folder : folders) {
        const QFileInfo info(folder);
        if (info.isReadable() && (QFile::exists(folder + name) || info.isWritable()))
            return folder + name;
    }
    return {};
}
#endif

} // namespace

PortHolders::Look PortHolders::find(const QString &device, std::chrono::milliseconds budget)
{
#if defined(Q_OS_LINUX)
    const Clock::time_point deadline = Clock::now() + budget;
    const QByteArray name = QFile::encodeName(device);
    struct stat node
    {
    };
    if (::stat(name.constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return {};
    int ptyIndex = -1;
    const QByteArray target = QFile::encodeName(QFileInfo(device).canonicalFilePath());
    if (target.startsWith("/dev/pts/")) {
        bool ok = false;
        ptyIndex = target.mid(9).toInt(&ok);
        if (!ok)
            ptyIndex = -1;
    }
    // /proc lists processes only; their threads share the descriptors and are not listed.
    std::vector<std::string> pids;
    if (DIR *proc = ::opendir("/proc")) {
        while (const dirent *process = ::readdir(proc)) {
            if (isPid(process->d_name))
                pids.emplace_back(process->d_name);
        }
        ::closedir(proc);
    }
    // Each look costs the kernel a microsecond or two; with 100k descriptors around, every
    // core helps.
    Scan scan(node.st_rdev, ptyIndex, deadline, pids);
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i)
        helpers.emplace_back([&scan] { scan.run(); });
    scan.run();
    for (std::thread &helper : helpers)
        helper.join();
    if (!scan.found)
        return { std::nullopt, !scan.late };
    const bool ours = scan.found->pid == ::getpid();
    return { Holder { scan.found->pid,
                      ours ? QStringLiteral("this program")
                           : commandName(scan.found->name.c_str()) },
             true };
#else
    Q_UNUSED(device);
    Q_UNUSED(budget);
    return {};
#endif
}

std::optional<PortHolders::LockFile> PortHolders::lockFileOf(const QString &device)
{
#if defined(Q_OS_UNIX)
    const QString path = lockFilePath(device);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The lock file holds the process number, the program's name and the host, a line each.
    const QList<QByteArray> lines = file.read(4096).split('\n');
    LockFile lock;
    lock.path = path;
    lock.owner = QFileInfo(path).owner();
    if (lock.owner.isEmpty())
        lock.owner = QStringLiteral("user %1").arg(QFileInfo(path).ownerId());
    lock.pid = lines.value(0).trimmed().toLongLong();
    lock.program = QString::fromLocal8Bit(lines.value(1).trimmed());
    lock.processRunning = lock.pid > 0 && (::kill(pid_t(lock.pid), 0) == 0 || errno == EPERM);
    return lock;
#else
    Q_UNUSED(device);
    return std::nullopt;
#endif
}

} // namespace qie
