// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>
#include <optional>

// Which names may be read or replaced as files: the one place that tells a regular file from
// a folder, device, FIFO, socket or a name the system gives an open descriptor.
namespace qie::RegularFile {

#ifdef Q_OS_UNIX
// Which step of openWithoutBlocking() failed, for the caller to word the error its own way.
struct OpenFailure
{
    enum class Step {
        Open, // the system refused the name; `error` is its errno
        NotRegular, // a folder, device, FIFO or socket
        Hand, // QFile would not take the descriptor; file.errorString() says why
    };
    Step step = Step::Open;
    int error = 0;
};

// Opens `path` with the open(2) `flags` (and `permissions` for a file it creates), and hands it
// to `file` in `mode`, only if it is a regular file. O_NONBLOCK while opening, because opening
// a FIFO would otherwise wait for the other end, with the window frozen; the type is checked on
// the open descriptor, so nothing can be swapped in between the check and the use.
std::optional<OpenFailure> openWithoutBlocking(const QString &path, int flags, int permissions,
                                               QFile &file, QIODevice::OpenMode mode);

// A name of an open descriptor: /dev/fd/N, /proc/self/fd/N, /proc/PID/fd/N, /dev/stdout and
// its kin. Opening one opens whatever the descriptor has, and reading it as a symbolic link
// gives the name of that file, which a save must never replace: `-o /dev/stdout >> log`
// would otherwise put a new file in the place of the log.
struct Descriptor
{
    int number = -1;
    bool own = false; // this process's, rather than another's
};

// The descriptor `path` names, judged after the links of its folders are resolved, so that a
// link to /proc/self/fd is seen through.
std::optional<Descriptor> descriptorNamed(const QString &path);

// Where a chain of symbolic links from `path` ends: the file it leads to, whether or not that
// exists; or the first name in the chain that is a descriptor's (`descriptor` set, `path` that
// name); or `error` (ELOOP) for a chain longer than the kernel follows.
struct LinkEnd
{
    QString path;
    std::optional<Descriptor> descriptor;
    int error = 0;
};
LinkEnd followLinks(const QString &path);
#endif

} // namespace qie::RegularFile
