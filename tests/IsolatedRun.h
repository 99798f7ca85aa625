// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QString>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qie::test {

// Runs a step of a test in a forked child under a condition that makes file operations fail
// for real, also as root (CI runs as root, where chmod stops nothing): a private mount
// namespace with a tiny or read-only tmpfs, dropped privileges, or a file size limit. The
// condition dies with the child; the test process keeps its rights and mounts.
//
// The child runs `prepare`, applies the restriction, runs `act`, and sends back what `act`
// returned. When the condition cannot be had here (no mount rights, no way to drop
// privileges), `skipReason` says why and the caller skips.
class IsolatedRun
{
public:
    enum Restriction {
        None,
        DropPrivileges, // as a user without rights; the folder is made read-only
        ReadOnlyMount, // the folder is a tmpfs, remounted read-only after `prepare`
        TinyDisk, // the folder is a one-page tmpfs that `prepare` fills
        FileSizeLimit, // no file may grow beyond kFileSizeLimitBytes
    };
    static constexpr rlim_t kFileSizeLimitBytes = 64;
    static constexpr int kNobodyId = 65534;

    QString skipReason;
    QByteArray result;
    bool answered = false; // false when the child died before answering: a failure, not a skip

    // `folder` must exist; its parents must be searchable by everybody for DropPrivileges.
    static IsolatedRun run(Restriction restriction, const QString &folder,
                           const std::function<void()> &prepare,
                           const std::function<QByteArray()> &act)
    {
        IsolatedRun outcome;
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return outcome;
        const pid_t child = ::fork();
        if (child < 0)
            return outcome;
        if (child == 0) {
            ::close(pipeFds[0]);
            QByteArray message;
            QDataStream out(&message, QIODevice::WriteOnly);
            const QString reason = restrict(restriction, folder, prepare);
            out << reason;
            if (reason.isEmpty())
                out << act();
            qint64 sent = 0;
            while (sent < message.size()) {
                const auto count = ::write(pipeFds[1], message.constData() + sent,
                                           size_t(message.size() - sent));
                if (count <= 0)
                    break;
                sent += count;
            }
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        QByteArray message;
        char buffer[4096];
        for (;;) {
            const auto count = ::read(pipeFds[0], buffer, sizeof buffer);
            if (count <= 0)
                break;
            message.append(buffer, count);
        }
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        QDataStream in(message);
        in >> outcome.skipReason;
        if (outcome.skipReason.isEmpty())
            in >> outcome.result;
        outcome.answered = in.status() == QDataStream::Ok && WIFEXITED(status);
        return outcome;
    }

private:
    // Without the right to mount, a user namespace of our own may still grant it; our user
    // becomes its root so that files keep an owner.
    static bool enterUserNamespace()
    {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        const auto put = [](const char *file, const QByteArray &text) {
            QFile map(QString::fromLatin1(file));
            return map.open(QIODevice::WriteOnly) && map.write(text) == text.size();
        };
        return put("/proc/self/setgroups", "deny")
            && put("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1")
            && put("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1");
    }

    static QString restrict(Restriction restriction, const QString &folder,
                            const std::function<void()> &prepare)
    {
        const QByteArray path = QFile::encodeName(folder);
        if (restriction == ReadOnlyMount || restriction == TinyDisk) {
            if (::unshare(CLONE_NEWNS) != 0 && !enterUserNamespace())
                return QStringLiteral("no private mount namespace (unshare: %1)")
                    .arg(qt_error_string(errno));
            // Keep our mounts from propagating back to the host.
            if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return QStringLiteral("cannot make mounts private: %1").arg(qt_error_string(errno));
            const char *options = restriction == TinyDisk ? "size=4k" : "size=64k";
            if (::mount("tmpfs", path.constData(), "tmpfs", 0, options) != 0)
                return QStringLiteral("cannot mount a tmpfs: %1").arg(qt_error_string(errno));
        }
        prepare();
        switch (restriction) {
        case None:
        case TinyDisk:
            break;
        case ReadOnlyMount:
            if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                return QStringLiteral("cannot remount read-only: %1").arg(qt_error_string(errno));
            break;
        case DropPrivileges:
            ::chmod(path.constData(), 0555);
            if (::geteuid() == 0
                && (::setgid(kNobodyId) != 0 || ::setuid(kNobodyId) != 0 || ::geteuid() == 0))
                return QStringLiteral("cannot drop root's privileges: %1")
                    .arg(qt_error_string(errno));
            break;
        case FileSizeLimit: {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { kFileSizeLimitBytes, kFileSizeLimitBytes };
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return QStringLiteral("cannot limit the file size: %1").arg(qt_error_string(errno));
            break;
        }
        }
        return {};
    }
};

} // namespace qie::test
