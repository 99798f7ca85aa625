// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace qie {

// What the operator's port number means on this machine.
//
// A number the operator pinned (PortPins) means that adapter wherever and whenever it is
// plugged in. On Windows every other number n is the device COMn. Elsewhere the numbers that
// are not pinned count the ports that are not pinned, sorted by device path (so 1 is usually
// the first attached adapter). The environment variable QIE_COM<n> (n = 1..99) overrides both
// and names a device for n: any tty, a pseudo-terminal included.
namespace PortLocator {

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 255;
constexpr int kLastOverrideNumber = 99;

// An adapter as the system reports it; every text but the device may be empty.
struct Adapter
{
    QString device;
    QString description;
    QString manufacturer;
    QString serialNumber;
    bool hasUsbIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString byId; // its name in /dev/serial/by-id
};

struct Port
{
    int number = 0;
    Adapter adapter; // device empty: a pinned adapter that is not plugged in
    bool fromEnvironment = false;
    bool pinned = false;
    QString pinName; // the pinned adapter's name as stored with the pin

    QString device() const { return adapter.device; }
    bool present() const { return !adapter.device.isEmpty(); }
};

// Every number that currently means something, pinned adapters that are absent included, in
// ascending order.
QList<Port> listed();
// What port number n means, or nothing.
std::optional<Port> find(int n);
// The device for port number n, or the empty text when n names none present.
QString deviceFor(int n);
// One line per listed number, for the port number's tooltip.
QString describe();
// "1 (/dev/ttyUSB0), 2 (/dev/ttyS0)", for error texts; the empty text when none exist.
QString shortList();
// "USB 0403:6001", or the empty text.
QString usbIds(const Adapter &adapter);

// The stable identity of an adapter: its serial number with its USB vendor:product, or else
// its /dev/serial/by-id name. Empty when it has neither.
QString identityOf(const Adapter &adapter);
// Pins the adapter that number n means now as n. The empty text when done; otherwise why it
// cannot be pinned, for the operator.
QString pin(int n);
void unpin(int n);

// The ports the system lists; tests put their own list in place (an empty function goes back
// to the system's).
using Source = std::function<QList<Adapter>()>;
void useSource(Source source);

} // namespace PortLocator

} // namespace qie
