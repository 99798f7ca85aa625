// SPDX-License-Identifier: MIT
#include "serial/PortLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace qie {
namespace {

#if !defined(Q_OS_WIN)
QString overrideFor(int n)
{
    if (n < PortLocator::kFirstPortNumber || n > PortLocator::kLastOverrideNumber)
        return {};
    return qEnvironmentVariable(QStringLiteral("QIE_COM%1").arg(n).toLatin1().constData())
        .trimmed();
}

QList<QSerialPortInfo> systemPortsByPath()
{
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.systemLocation() < b.systemLocation();
    });
    return ports;
}
#endif

} // namespace

QList<PortLocator::Port> PortLocator::listed()
{
    QList<Port> result;
#if defined(Q_OS_WIN)
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = name.mid(3).toInt(&ok);
        if (ok && n >= kFirstPortNumber && n <= kLastPortNumber)
            result.append({ n, name, info.description(), false });
    }
    std::sort(result.begin(), result.end(),
              [](const Port &a, const Port &b) { return a.number < b.number; });
#else
    const QList<QSerialPortInfo> ports = systemPortsByPath();
    const int last = std::max<int>(kLastOverrideNumber, static_cast<int>(ports.size()));
    for (int n = kFirstPortNumber; n <= std::min(last, kLastPortNumber); ++n) {
        const QString device = overrideFor(n);
        if (!device.isEmpty())
            result.append({ n, device, QString(), true });
        else if (n <= ports.size())
            result.append({ n, ports[n - 1].systemLocation(), ports[n - 1].description(), false });
    }
#endif
    return result;
}

QString PortLocator::deviceFor(int n)
{
    if (n < kFirstPortNumber || n > kLastPortNumber)
        return {};
#if defined(Q_OS_WIN)
    // Any COMn may be tried, listed or not: some drivers do not announce their ports.
    return QStringLiteral("COM%1").arg(n);
#else
    if (QString device = overrideFor(n); !device.isEmpty())
        return device;
    const QList<QSerialPortInfo> ports = systemPortsByPath();
    return n <= ports.size() ? ports[n - 1].systemLocation() : QString();
#endif
}

QString PortLocator::describe()
{
    const QList<Port> ports = listed();
    QStringList lines;
    for (const Port &port : ports) {
        QString line = QStringLiteral("%1 = %2").arg(port.number).arg(port.device);
        if (port.fromEnvironment)
            line += QStringLiteral(" (QIE_COM%1)").arg(port.number);
        else if (!port.description.isEmpty())
            line += QStringLiteral(" (%1)").arg(port.description);
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
    return QStringLiteral("Port numbers:\n") + lines.join(QLatin1Char('\n'));
}

QString PortLocator::shortList()
{
    QStringList items;
    for (const Port &port : listed()) {
#if !defined(Q_OS_WIN)
        // A device named in the environment may be gone; listing it would contradict the
        // message that it does not exist.
        if (port.fromEnvironment && !QFileInfo::exists(port.device))
            continue;
#endif
        items.append(QStringLiteral("%1 (%2)").arg(port.number).arg(port.device));
    }
    return items.join(QStringLiteral(", "));
}

std::optional<QString> PortLocator::holderOf(const QString &device)
{
#if defined(Q_OS_LINUX)
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return std::nullopt;
    const QDir proc(QStringLiteral("/proc"));
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        bool isPid = false;
        pid.toLongLong(&isPid);
        if (!isPid)
            continue;
        // Descriptors of other users' processes are unreadable; those are simply not seen.
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QStringList entries
            = fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &fd : entries) {
            if (QFile::symLinkTarget(fds.filePath(fd)) != target)
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            QString name = comm.open(QIODevice::ReadOnly)
                ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                : QStringLiteral("?");
            if (pid.toLongLong() == QCoreApplication::applicationPid())
                name = QStringLiteral("this program");
            return QStringLiteral("%1 (process %2)").arg(name, pid);
        }
    }
#else
    Q_UNUSED(device);
#endif
    return std::nullopt;
}

} // namespace qie
