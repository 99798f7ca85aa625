// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace qie {

// A failure of the file or port layer, as the error box shows it: a number from the list
// below and a description that says what went wrong and what to do. The layers below the
// window return it; the window shows it.
struct Error
{
    int number = 0;
    QString description;
};

// An error as the operator reads it: "Number : n", a line break, "Description : " and the
// description. The error box breaks the line with a CR, the commands' messages with a LF.
inline QString describe(const Error &error, QChar lineBreak)
{
    return QStringLiteral("Number : %1%2Description : %3")
        .arg(QString::number(error.number), QString(lineBreak), error.description);
}

// Every error number of the program, the files' and the ports' alike. Operators' notes refer to
// them, so a number keeps its meaning for good. Below 100 they follow the classic run-time error
// numbering; the port's own start at 8100, clear of it.

// A number too large for what takes it: a port number, the width line of a data file.
constexpr int kErrOverflow = 6;

// Files.
constexpr int kErrFileNotFound = 53;
constexpr int kErrDeviceIo = 57;
constexpr int kErrDiskFull = 61;
constexpr int kErrPastEnd = 62;
constexpr int kErrPermission = 70;
constexpr int kErrAccess = 75;
constexpr int kErrPathNotFound = 76;

// Serial ports.
constexpr int kErrInvalidPortNumber = 8100;
constexpr int kErrNoSuchPort = 8101;
constexpr int kErrPortInUse = 8102;
constexpr int kErrPortPermission = 8103;
constexpr int kErrInvalidSettings = 8104;
constexpr int kErrInvalidHandshaking = 8105;
constexpr int kErrInvalidThreshold = 8106;
constexpr int kErrPortAlreadyOpen = 8107;
constexpr int kErrPortNotOpen = 8108;
constexpr int kErrOpenFailed = 8109;
constexpr int kErrDeviceLost = 8110;
constexpr int kErrPinnedAdapterAbsent = 8111;
constexpr int kErrNotATerminal = 8112;
constexpr int kErrStaleLockFile = 8113;
constexpr int kErrUnsentDiscarded = 8114;
constexpr int kErrCannotPin = 8115;
constexpr int kErrHolderCheckUnfinished = 8116;

} // namespace qie
