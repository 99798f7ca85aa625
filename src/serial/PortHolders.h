// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace qie {

// Who else has a port: the processes that hold its device open, and the lock file that a
// program leaves beside it. Linux only; elsewhere nothing is ever found.
namespace PortHolders {

// The scan of other processes' descriptors gives up after this and lets the open go on:
// the exclusive open still keeps later programs out.
constexpr std::chrono::milliseconds kScanBudget { 250 };

struct Holder
{
    qint64 pid = 0;
    QString name; // the process's command name, "this program" for our own
};

// Another process that has `device` open, among those whose descriptors this user may
// inspect. Only the links of the descriptors are compared, never followed, so that a
// descriptor on a dead network mount cannot hang the scan. A process that also holds the
// master side of the same pseudo-terminal is the port's device side (a virtual port
// pair, a network serial bridge, a simulator), not a competing reader, and is passed
// over. Nothing when none was seen within `budget`.
std::optional<Holder> find(const QString &device, std::chrono::milliseconds budget = kScanBudget);

struct LockFile
{
    QString path;
    QString owner; // the user the file belongs to
    qint64 pid = 0; // the process it names
    QString program; // the program it names, may be empty
    bool processRunning = false;
};

// The lock file that the port layer takes for `device` before opening it, when one is
// there now.
std::optional<LockFile> lockFileOf(const QString &device);
} // namespace PortHolders

} // namespace qie
