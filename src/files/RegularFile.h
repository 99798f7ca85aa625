// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>
#include <QIODevice>
#include <optional>

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
#endif

} // namespace qie::RegularFile
