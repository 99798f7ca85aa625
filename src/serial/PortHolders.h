// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace qie {

// Who else has a port: the processes that hold its device open, and the lock file that a
// program leaves beside it. Linux only; elsewhere nothing is ever found.
namespace PortHolders {

// The longest the scan of other processes' descriptors may take. A scan that could not look
// at every descriptor in that time says so, and the port is not opened on it: a holder it did
// not reach would share the port unnoticed.
constexpr std::chrono::milliseconds kScanBudget { 3000 };

struct Holder
{
    qint64 pid = 0;
    QString name; // the process's command name, "this program" for our own
};

// What one scan saw: the holder it found, and whether it looked at every descriptor it may.
struct Look
{
    std::optional<Holder> holder;
    bool complete = true;
};

// Another process that has `device` open, among those whose descriptors this user may
// inspect, told by the device number each descriptor is open on. A process that also holds
// the master side of the same pseudo-terminal is the port's device side (a virtual port
// pair, a network serial bridge, a simulator), not a competing reader, and is passed over.
// Not complete when `budget` ran out before every process was seen and none was found.
Look find(const QString &device, std::chrono::milliseconds budget = kScanBudget);

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
