// SPDX-License-Identifier: MIT
#include "serial/PortLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSerialPortInfo>
#include <algorithm>

namespace qie {
namespace {

#if defined(Q_OS_LINUX)
// The by-id names of the devices they point to. The links are read, never followed into
// another file system: each names a device under /dev.
QHash<QString, QString> byIdNames()
{
    QHash<QString, QString> names;
    const QDir dir(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        names.insert(QDir::cleanPath(dir.absoluteFilePath(link.symLinkTarget())), link.fileName());
    return names;
}
#endif

QList<PortLocator::Adapter> systemAdapters()
{
    QList<PortLocator::Adapter> adapters;
#if defined(Q_OS_LINUX)
    const QHash<QString, QString> names = byIdNames();
#endif
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortLocator::Adapter a;
#if defined(Q_OS_WIN)
        a.device = info.portName();
#else
        a.device = info.systemLocation();
#endif
        a.description = info.description();
        a.manufacturer = info.manufacturer();
        a.serialNumber = info.serialNumber();
        a.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        a.vendorId = info.vendorIdentifier();
        a.productId = info.productIdentifier();
#if defined(Q_OS_LINUX)
        a.byId = names.value(a.device);
#endif
        adapters.append(a);
    }
    return adapters;
}

#if !defined(Q_OS_WIN)
QString overrideFor(int n)
{
    return qEnvironmentVariable(QStringLiteral("QIE_COM%1").arg(n).toLatin1().constData())
        .trimmed();
}
#else
int comNumber(const QString &device)
{
    if (!device.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = device.mid(3).toInt(&ok);
    return ok ? n : 0;
}
#endif

bool isPortNumber(int n)
{
    return n >= PortLocator::kFirstPortNumber && n <= PortLocator::kLastPortNumber;
}

} // namespace

PortLocator PortLocator::scan()
{
    return PortLocator(systemAdapters());
}

PortLocator PortLocator::forNumber(int n)
{
#if !defined(Q_OS_WIN)
    if (isPortNumber(n) && n <= kLastOverrideNumber) {
        if (const QString device = overrideFor(n); !device.isEmpty()) {
            PortLocator named;
            Port port { n, {}, true, std::nullopt };
            port.adapter.device = device;
            named.m_ports.insert(n, port);
            return named;
        }
    }
#else
    Q_UNUSED(n); // Windows names its ports COMn itself, without QIE_COM<n>
#endif
    return scan();
}

PortLocator::PortLocator(QList<Adapter> adapters)
{
    // The unpinned numbers follow the device paths, whatever order the system listed them in.
    std::stable_sort(adapters.begin(), adapters.end(),
                     [](const Adapter &a, const Adapter &b) { return a.device < b.device; });
    QList<bool> taken(adapters.size(), false);
    const QMap<int, PortPins::Pin> pins = PortPins::load();
    for (auto pin = pins.cbegin(); pin != pins.cend(); ++pin) {
        const int n = pin.key();
        if (!isPortNumber(n))
            continue;
        Port port { n, {}, false, *pin };
        // A network serial port is where its address says, plugged in or not.
        if (NetworkAddress::isNetworkText(pin->identity))
            port.adapter.device = pin->identity;
        for (qsizetype i = 0; i < adapters.size(); ++i) {
            if (!taken[i] && identityOf(adapters[i]) == pin->identity) {
                port.adapter = adapters[i];
                taken[i] = true;
                break;
            }
        }
        m_ports.insert(n, port);
    }
#if defined(Q_OS_WIN)
    // Windows names its ports per adapter already: an unpinned n stays COMn.
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        const int n = comNumber(adapters[i].device);
        if (!taken[i] && isPortNumber(n) && !m_ports.contains(n))
            m_ports.insert(n, { n, adapters[i], false, std::nullopt });
    }
#else
    int n = kFirstPortNumber;
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        if (taken[i])
            continue;
        while (m_ports.contains(n))
            ++n;
        if (n > kLastPortNumber)
            break;
        m_ports.insert(n, { n, adapters[i], false, std::nullopt });
    }
    for (int k = kFirstPortNumber; k <= kLastOverrideNumber; ++k) {
        if (const QString device = overrideFor(k); !device.isEmpty()) {
            Port port { k, {}, true, std::nullopt };
            port.adapter.device = device;
            m_ports.insert(k, port);
        }
    }
#endif
}

QList<PortLocator::Port> PortLocator::list() const
{
    return m_ports.values();
}

std::optional<PortLocator::Port> PortLocator::find(int n) const
{
    if (!isPortNumber(n))
        return std::nullopt;
    if (const auto it = m_ports.constFind(n); it != m_ports.cend())
        return *it;
#if defined(Q_OS_WIN)
    // Any COMn may be tried, listed or not: some drivers do not announce their ports.
    Port port { n, {}, false, std::nullopt };
    port.adapter.device = QStringLiteral("COM%1").arg(n);
    return port;
#else
    return std::nullopt;
#endif
}

QString PortLocator::describe() const
{
    QStringList lines;
    for (const Port &port : m_ports) {
        QString line;
        if (!port.present())
            line = QStringLiteral("%1 = pinned %2, not plugged in")
                       .arg(port.number)
                       .arg(port.pin->name);
        else if (port.fromEnvironment)
            line = QStringLiteral("%1 = %2 (QIE_COM%1)").arg(port.number).arg(port.device());
        else if (NetworkAddress::isNetworkText(port.device()))
            line = QStringLiteral("%1 = %2 (network port, pinned)")
                       .arg(port.number)
                       .arg(port.device());
        else
            line = QStringLiteral("%1 = %2 (%3%4)")
                       .arg(port.number)
                       .arg(port.device(), nameOf(port.adapter),
                            port.pinned() ? QStringLiteral(", pinned") : QString());
        lines.append(line);
    }
    if (lines.isEmpty()) {
#if defined(Q_OS_WIN)
        return QStringLiteral("No serial port found. Port number n opens COMn.");
#else
        return QStringLiteral("No serial port found. Plug in the adapter, or set QIE_COMn to a "
                              "device to use it as port number n.");
#endif
    }
    return QStringLiteral("Port numbers (right-click to choose or pin one):\n")
        + lines.join(QLatin1Char('\n'));
}

QString PortLocator::shortList() const
{
    QStringList items;
    for (const Port &port : m_ports) {
        if (!port.present())
            continue;
#if !defined(Q_OS_WIN)
        // A device named in the environment may be gone; listing it would contradict the
        // message that it does not exist.
        if (port.fromEnvironment && !QFileInfo::exists(port.device()))
            continue;
#endif
        items.append(QStringLiteral("%1 (%2)").arg(port.number).arg(port.device()));
    }
    return items.join(QStringLiteral(", "));
}

std::optional<Error> PortLocator::pin(int n) const
{
    const auto refused = [](const QString &why) { return Error { kErrCannotPin, why }; };
    const auto it = m_ports.constFind(n);
    if (it == m_ports.cend() || !it->present())
        return refused(QStringLiteral("There is no adapter as port %1 now to pin.").arg(n));
    if (it->fromEnvironment)
        return refused(QStringLiteral("Port %1 is set by QIE_COM%1 (%2), which overrides any pin. "
                                      "Unset QIE_COM%1 to pin an adapter as port %1.")
                           .arg(n)
                           .arg(it->device()));
    const Adapter &adapter = it->adapter;
    const QString identity = identityOf(adapter);
    // A pin must never pick the wrong one of two adapters that look the same.
    for (const Port &other : m_ports) {
        if (other.number == n || !other.present() || other.fromEnvironment)
            continue;
        const bool twins = (!identity.isEmpty() && identityOf(other.adapter) == identity)
            || (adapter.serialNumber.isEmpty() && other.adapter.serialNumber.isEmpty()
                && adapter.hasUsbIds && other.adapter.hasUsbIds
                && usbIds(adapter) == usbIds(other.adapter));
        if (twins)
            return refused(
                QStringLiteral("Ports %1 (%2) and %3 (%4) are adapters of the same kind (%5) "
                               "without serial numbers of their own: they cannot be told apart, "
                               "so neither can be pinned. Their numbers follow the order of the "
                               "list; QIE_COMn names a device for number n.")
                    .arg(n)
                    .arg(adapter.device)
                    .arg(other.number)
                    .arg(other.device(), nameOf(adapter)));
    }
    if (identity.isEmpty())
        return refused(
            QStringLiteral("Port %1 (%2) has no serial number and no /dev/serial/by-id name, so "
                           "it cannot be recognised when it is plugged in elsewhere; it keeps "
                           "the number of its place in the list.")
                .arg(n)
                .arg(adapter.device));
    PortPins::pin(n, { identity, nameOf(adapter) });
    return std::nullopt;
}

void PortLocator::pinNetworkPort(int n, const NetworkAddress &address)
{
    const QString text = address.toString();
    PortPins::pin(n, { text, text });
}

void PortLocator::unpin(int n)
{
    PortPins::unpin(n);
}

QString PortLocator::usbIds(const Adapter &adapter)
{
    if (!adapter.hasUsbIds)
        return {};
    return QStringLiteral("USB %1:%2")
        .arg(adapter.vendorId, 4, 16, QLatin1Char('0'))
        .arg(adapter.productId, 4, 16, QLatin1Char('0'));
}

QString PortLocator::identityOf(const Adapter &adapter)
{
    if (!adapter.serialNumber.isEmpty()) {
        const QString ids = usbIds(adapter);
        return QStringLiteral("serial:%1:%2")
            .arg(ids.isEmpty() ? QStringLiteral("-") : ids.mid(4), adapter.serialNumber);
    }
    if (!adapter.byId.isEmpty())
        return QStringLiteral("by-id:%1").arg(adapter.byId);
    return {};
}

QString PortLocator::nameOf(const Adapter &a)
{
    QStringList details;
    if (!a.serialNumber.isEmpty())
        details << QStringLiteral("serial number %1").arg(a.serialNumber);
    if (const QString ids = usbIds(a); !ids.isEmpty())
        details << ids;
    if (a.serialNumber.isEmpty() && !a.byId.isEmpty())
        details << a.byId;
    const QString what = a.description.isEmpty() ? QStringLiteral("adapter") : a.description;
    return details.isEmpty()
        ? what
        : QStringLiteral("%1 (%2)").arg(what, details.join(QStringLiteral(", ")));
}

} // namespace qie
