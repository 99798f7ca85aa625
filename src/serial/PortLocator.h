// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace qie {

// What the operator's port number means on this machine.
//
// On Windows, n is the device COMn. Elsewhere, n is the n-th serial port the system lists,
// sorted by device path (so 1 is usually the first attached adapter), unless the environment
// variable QIE_COM<n> (n = 1..99) names a device for n: any tty, a pseudo-terminal included.
namespace PortLocator {

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 255;
constexpr int kLastOverrideNumber = 99;

struct Port
{
    int number = 0;
    QString device;
    QString description; // the adapter's own description, may be empty
    bool fromEnvironment = false;
};

// Every number that currently names a device, in ascending order.
QList<Port> listed();
// The device for port number n, or the empty text when n names none.
QString deviceFor(int n);
// One line per listed number, for the port number's tooltip.
QString describe();
// "1 (/dev/ttyUSB0), 2 (/dev/ttyS0)", for error texts; the empty text when none exist.
QString shortList();

// Another process that has `device` open, as "name (process pid)"; Linux only, and only
// for processes whose descriptors this user may inspect. Empty when none was found.
std::optional<QString> holderOf(const QString &device);

} // namespace PortLocator

} // namespace qie
