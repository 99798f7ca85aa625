// SPDX-License-Identifier: MIT
#include "serial/PortLocator.h"

#include "serial/PortPins.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSerialPortInfo>
#include <algorithm>

namespace qie {
namespace {

PortLocator::Source &source()
{
    static PortLocator::Source s;
    return s;
}

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
    if (source())
        return source()();
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

// The system's ports sorted by device path: the order the unpinned numbers follow.
QList<PortLocator::Adapter> sortedAdapters()
{
    QList<PortLocator::Adapter> adapters = systemAdapters();
    std::stable_sort(adapters.begin(), adapters.end(),
                     [](const auto &a, const auto &b) { return a.device < b.device; });
    return adapters;
}

#if !defined(Q_OS_WIN)
QString overrideFor(int n)
{
    if (n < PortLocator::kFirstPortNumber || n > PortLocator::kLastOverrideNumber)
        return {};
    return qEnvironmentVariable(QStringLiteral("QIE_COM%1").arg(n).toLatin1().constData())
        .trimmed();
}
#endif

int comNumber(const QString &device)
{
    if (!device.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = device.mid(3).toInt(&ok);
    return ok ? n : 0;
}

QMap<int, PortLocator::Port> numbered()
{
    QMap<int, PortLocator::Port> ports;
    const QList<PortLocator::Adapter> adapters = sortedAdapters();
    QList<bool> taken(adapters.size(), false);
    const QMap<int, PortPins::Pin> pins = PortPins::load();
    for (auto pin = pins.cbegin(); pin != pins.cend(); ++pin) {
        const int n = pin.key();
        if (n < PortLocator::kFirstPortNumber || n > PortLocator::kLastPortNumber)
            continue;
        PortLocator::Port port { n, {}, false, true, pin->name };
        for (qsizetype i = 0; i < adapters.size(); ++i) {
            if (!taken[i] && PortLocator::identityOf(adapters[i]) == pin->identity) {
                port.adapter = adapters[i];
                taken[i] = true;
                break;
            }
        }
        ports.insert(n, port);
    }
#if defined(Q_OS_WIN)
    // Windows names its ports per adapter already: an unpinned n stays COMn.
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        const int n = comNumber(adapters[i].device);
        if (!taken[i] && n >= PortLocator::kFirstPortNumber && n <= PortLocator::kLastPortNumber
            && !ports.contains(n))
            ports.insert(n, { n, adapters[i], false, false, {} });
    }
#else
    Q_UNUSED(comNumber);
    int n = PortLocator::kFirstPortNumber;
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        if (taken[i])
            continue;
        while (ports.contains(n))
            ++n;
        if (n > PortLocator::kLastPortNumber)
            break;
        ports.insert(n, { n, adapters[i], false, false, {} });
    }
    for (int k = PortLocator::kFirstPortNumber; k <= PortLocator::kLastOverrideNumber; ++k) {
        if (const QString device = overrideFor(k); !device.isEmpty()) {
            PortLocator::Port port { k, {}, true, false, {} };
            port.adapter.device = device;
            ports.insert(k, port);
        }
    }
#endif
    return ports;
}

// The adapter as the operator knows it: what it says it is, and what tells it apart.
QString nameOf(const PortLocator::Adapter &a)
{
    QStringList details;
    if (!a.serialNumber.isEmpty())
        details << QStringLiteral("serial number %1").arg(a.serialNumber);
    if (const QString ids = PortLocator::usbIds(a); !ids.isEmpty())
        details << ids;
    if (a.serialNumber.isEmpty() && !a.byId.isEmpty())
        details << a.byId;
    const QString what = a.description.isEmpty() ? QStringLiteral("adapter") : a.description;
    return details.isEmpty()
        ? what
        : QStringLiteral("%1 (%2)").arg(what, details.join(QStringLiteral(", ")));
}

} // namespace

QList<PortLocator::Port> PortLocator::listed()
{
    return numbered().values();
}

std::optional<PortLocator::Port> PortLocator::find(int n)
{
    if (n < kFirstPortNumber || n > kLastPortNumber)
        return std::nullopt;
    const QMap<int, Port> ports = numbered();
    if (const auto it = ports.constFind(n); it != ports.cend())
        return *it;
#if defined(Q_OS_WIN)
    // Any COMn may be tried, listed or not: some drivers do not announce their ports.
    Port port { n, {}, false, false, {} };
    port.adapter.device = QStringLiteral("COM%1").arg(n);
    return port;
#else
    return std::nullopt;
#endif
}

QString PortLocator::deviceFor(int n)
{
    const std::optional<Port> port = find(n);
    return port ? port->device() : QString();
}

QString PortLocator::describe()
{
    QStringList lines;
    for (const Port &port : listed()) {
        QString line;
        if (!port.present())
            line = QStringLiteral("%1 = pinned %2, not plugged in")
                       .arg(port.number)
                       .arg(port.pinName);
        else if (port.fromEnvironment)
            line = QStringLiteral("%1 = %2 (QIE_COM%1)").arg(port.number).arg(port.device());
        else
            line = QStringLiteral("%1 = %2 (%3%4)")
                       .arg(port.number)
                       .arg(port.device(), nameOf(port.adapter),
                            port.pinned ? QStringLiteral(", pinned") : QString());
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

QString PortLocator::shortList()
{
    QStringList items;
    for (const Port &port : listed()) {
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

QString PortLocator::pin(int n)
{
    const QMap<int, Port> ports = numbered();
    const auto it = ports.constFind(n);
    if (it == ports.cend() || !it->present())
        return QStringLiteral("There is no adapter as port %1 now to pin.").arg(n);
    if (it->fromEnvironment)
        return QStringLiteral("Port %1 is set by QIE_COM%1 (%2), which overrides any pin. Unset "
                              "QIE_COM%1 to pin an adapter as port %1.")
            .arg(n)
            .arg(it->device());
    const Adapter &adapter = it->adapter;
    const QString identity = identityOf(adapter);
    // A pin must never pick the wrong one of two adapters that look the same.
    for (const Port &other : ports) {
        if (other.number == n || !other.present() || other.fromEnvironment)
            continue;
        const bool twins = (!identity.isEmpty() && identityOf(other.adapter) == identity)
            || (adapter.serialNumber.isEmpty() && other.adapter.serialNumber.isEmpty()
                && adapter.hasUsbIds && other.adapter.hasUsbIds
                && usbIds(adapter) == usbIds(other.adapter));
        if (twins)
            return QStringLiteral("Ports %1 (%2) and %3 (%4) are adapters of the same kind (%5) "
                                  "without serial numbers of their own: they cannot be told "
                                  "apart, so neither can be pinned. Their numbers follow the "
                                  "order of the list; QIE_COMn names a device for number n.")
                .arg(n)
                .arg(adapter.device)
                .arg(other.number)
                .arg(other.device(), nameOf(adapter));
    }
    if (identity.isEmpty())
        return QStringLiteral("Port %1 (%2) has no serial number and no /dev/serial/by-id name, "
                              "so it cannot be recognised when it is plugged in elsewhere; it "
                              "keeps the number of its place in the list.")
            .arg(n)
            .arg(adapter.device);
    PortPins::pin(n, { identity, nameOf(adapter) });
    return {};
}

void PortLocator::unpin(int n)
{
    PortPins::unpin(n);
}

void PortLocator::useSource(Source s)
{
    source() = std::move(s);
}

} // namespace qie
