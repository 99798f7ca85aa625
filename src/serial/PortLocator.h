// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "serial/NetworkAddress.h"
#include "serial/PortPins.h"

#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace qie {

// What the operator's port numbers mean on this machine, as one look at it: the adapters the
// system lists, the pins and QIE_COM<n> are read once, when the value is made, and every
// question after that is answered from the same look. A caller that wants the machine as it
// is now makes a new one.
//
// A number the operator pinned (PortPins) means that adapter wherever and whenever it is
// plugged in. On Windows every other number n is the device COMn. Elsewhere the numbers that
// are not pinned count the ports that are not pinned, sorted by device path (so 1 is usually
// the first attached adapter). The environment variable QIE_COM<n> (n = 1..99) overrides both
// and names a device for n: any tty, a pseudo-terminal included, or a network serial port
// (rfc2217://HOST:PORT, tcp://HOST:PORT). A number can also be pinned to a network serial port,
// whose address then stands as its device.
class PortLocator
{
public:
    static constexpr int kFirstPortNumber = 1;
    static constexpr int kLastPortNumber = 255;
    static constexpr int kLastOverrideNumber = 99;

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
        std::optional<PortPins::Pin> pin; // what this number is pinned to, if anything

        QString device() const { return adapter.device; }
        bool present() const { return !adapter.device.isEmpty(); }
        bool pinned() const { return pin.has_value(); }
    };

    // The ports of this machine now.
    static PortLocator scan();
    // What number n means now, for opening it: when QIE_COM<n> names its device, that device
    // alone, without a look at the adapters or the pins (a settings file that cannot be read
    // must not stand in the way of a port the environment names); otherwise scan().
    static PortLocator forNumber(int n);
    // The ports these adapters make, numbered with the pins and QIE_COM<n> as they stand now.
    explicit PortLocator(QList<Adapter> adapters);

    // Every number that means something, pinned adapters that are absent included, in
    // ascending order.
    QList<Port> list() const;
    // What port number n means, or nothing.
    std::optional<Port> find(int n) const;
    // One line per listed number, for the port number's tooltip.
    QString describe() const;
    // "1 (/dev/ttyUSB0), 2 (/dev/ttyS0)", for error texts; the empty text when none exist.
    QString shortList() const;

    // Pins the adapter that number n means in this look as n, in the settings; a later look
    // sees the pin. Refused when n names no adapter, or one that could not be told apart from
    // another one or recognised when plugged in elsewhere.
    std::optional<Error> pin(int n) const;
    // Pins a network serial port as n; it takes n from any adapter pinned as n before.
    static void pinNetworkPort(int n, const NetworkAddress &address);
    static void unpin(int n);

    // "USB 0403:6001", or the empty text.
    static QString usbIds(const Adapter &adapter);
    // The stable identity of an adapter: its serial number with its USB vendor:product, or
    // else its /dev/serial/by-id name. Empty when it has neither.
    static QString identityOf(const Adapter &adapter);

private:
    PortLocator() = default;

    // The adapter as the operator knows it: what it says it is, and what tells it apart.
    static QString nameOf(const Adapter &adapter);

    QMap<int, Port> m_ports;
};

} // namespace qie
