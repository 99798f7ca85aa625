// SPDX-License-Identifier: MIT
#pragma once

#include "files/DataFile.h"

#include <QFile>
#include <QString>
#include <optional>

namespace qie {

// The received-data log: every byte received while it is open, appended raw to a file the
// operator chose, after what the file held. Each chunk is handed to the system as it comes,
// so that a crash or a pulled plug loses nothing already received, and nothing is kept here:
// the log is not bounded by what the window shows.
//
// A failed write closes the log and is returned once; later writes do nothing. Writing never
// waits for anything but the file itself: a name that is not a regular file (a FIFO that
// nobody reads, a terminal) is refused at open.
class ReceiveLog
{
public:
    ReceiveLog() = default;
    ReceiveLog(const ReceiveLog &) = delete;
    ReceiveLog &operator=(const ReceiveLog &) = delete;

    // Opens (or creates) the file for appending; an open log is closed first.
    std::optional<Error> open(const QString &path);
    std::optional<Error> write(QByteArrayView bytes);
    void close();

    bool isOpen() const { return m_file.isOpen(); }

private:
    QFile m_file;
    QString m_path;
};

} // namespace qie
