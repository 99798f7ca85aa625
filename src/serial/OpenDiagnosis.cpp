// SPDX-License-Identifier: MIT
#include "serial/OpenDiagnosis.h"

#include "serial/DeviceNode.h"
#include "serial/PortHolders.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace qie {
namespace {

#if defined(Q_OS_UNIX)
bool mayReadAndWrite(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}
#endif

} // namespace

OpenDiagnosis::OpenDiagnosis(int number, const PortLocator &ports)
    : m_number(number), m_port(ports.find(number)), m_shortList(ports.shortList())
{ }

OpenDiagnosis::OpenDiagnosis(const QString &device) : m_port(PortLocator::Port {})
{
    m_port->adapter.device = device;
}

QString OpenDiagnosis::portText(int number, const QString &device)
{
    if (number == 0 && !device.isEmpty())
        return device;
    if (device.isEmpty() || device == QStringLiteral("COM%1").arg(number))
        return QStringLiteral("Port %1").arg(number);
    return QStringLiteral("Port %1 (%2)").arg(number).arg(device);
}

Error OpenDiagnosis::invalidNumber(int number, const PortLocator &ports)
{
    const QString known = ports.shortList();
    return { kErrInvalidPortNumber,
             QStringLiteral("%1 is not a port number. Type a number from %2 to %3%4.")
                 .arg(number)
                 .arg(PortLocator::kFirstPortNumber)
                 .arg(PortLocator::kLastPortNumber)
                 .arg(known.isEmpty() ? QString() : QStringLiteral("; ports here: ") + known) };
}

std::optional<Error> OpenDiagnosis::beforeOpen() const
{
    if (m_port && !m_port->present())
        return Error { kErrPinnedAdapterAbsent,
                       QStringLiteral("Port %1 is pinned to the adapter %2, which is not plugged "
                                      "in. Plug it in, or remove the pin (right-click the port "
                                      "number), then press Open again.")
                           .arg(m_number)
                           .arg(m_port->pin->name) };
    if (device().isEmpty())
        return Error { kErrNoSuchPort,
                       m_shortList.isEmpty()
                           ? QStringLiteral("There is no port %1: no serial port was found. Plug "
                                            "in the adapter and press Open again.")
                                 .arg(m_number)
                           : QStringLiteral("There is no port %1. The ports here are %2; type one "
                                            "of these numbers.")
                                 .arg(m_number)
                                 .arg(m_shortList) };
    if (auto refused = notATerminal())
        return refused;
    return heldByAnother();
}

std::optional<Error> OpenDiagnosis::notATerminal() const
{
    const std::optional<QString> what = DeviceNode::notATerminal(device());
    if (!what)
        return std::nullopt;
    const QString fix = m_number == 0 ? QStringLiteral("Name a serial device such as /dev/ttyUSB0.")
        : m_port->fromEnvironment
        ? QStringLiteral("Set QIE_COM%1 to a serial device such as /dev/ttyUSB0.").arg(m_number)
        : m_port->pinned()
        ? QStringLiteral("Remove the pin of port %1 (right-click the port number).").arg(m_number)
        : QStringLiteral("Type the number of a serial port.");
    return Error { kErrNotATerminal,
                   QStringLiteral("%1 is not a serial port but %2; it was not opened. %3")
                       .arg(portText(), *what, fix) };
}

// The port layer opens with TIOCEXCL, which keeps others out once we hold the port but does
// not notice a program that already has it open without locking it. A device this user may
// not use is left to the open, which says so.
std::optional<Error> OpenDiagnosis::heldByAnother() const
{
#if defined(Q_OS_UNIX)
    if (!QFileInfo::exists(device()) || !mayReadAndWrite(device()))
        return std::nullopt;
    const std::optional<PortHolders::Holder> holder = PortHolders::find(device());
    if (!holder)
        return std::nullopt;
    if (holder->name == QLatin1String("ModemManager"))
        return Error { kErrPortInUse,
                       QStringLiteral("%1 is held by the modem manager service (ModemManager, "
                                      "process %2), which probes new serial devices for modems. "
                                      "%3")
                           .arg(portText())
                           .arg(holder->pid)
                           .arg(modemManagerAdvice()) };
    return Error { kErrPortInUse,
                   QStringLiteral("%1 is in use by %2 (process %3). Close that program, then "
                                  "press Open again.")
                       .arg(portText(), holder->name)
                       .arg(holder->pid) };
#else
    return std::nullopt;
#endif
}

Error OpenDiagnosis::afterFailedOpen(QSerialPort::SerialPortError error,
                                     const QString &errorString) const
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return { kErrNoSuchPort,
                 QStringLiteral("%1 does not exist.%2 Plug in the adapter or type another port "
                                "number, then press Open again.")
                     .arg(portText(),
                          m_shortList.isEmpty()
                              ? QString()
                              : QStringLiteral(" The ports here are %1.").arg(m_shortList)) };
    case QSerialPort::PermissionError:
        return permissionRefused();
    default:
        return { kErrOpenFailed,
                 QStringLiteral("%1 could not be opened (%2). Check the adapter and press Open "
                                "again.")
                     .arg(portText(), errorString) };
    }
}

// Qt reports a refused open, a port held exclusively by another program and a foreign lock
// file all as a permission error; only the first is about access rights.
Error OpenDiagnosis::permissionRefused() const
{
#if defined(Q_OS_UNIX)
    if (!mayReadAndWrite(device())) {
        QString group = QFileInfo(device()).group();
        if (group.isEmpty() || group == QLatin1String("root"))
            group = QStringLiteral("dialout");
        return { kErrPortPermission,
                 QStringLiteral("You may not use %1. Add your user to the '%2' group (sudo "
                                "usermod -aG %2 $USER), log out and in again, then press Open "
                                "again.")
                     .arg(portText(), group) };
    }
    if (const std::optional<PortHolders::LockFile> lock = PortHolders::lockFileOf(device())) {
        if (!lock->processRunning)
            return { kErrStaleLockFile,
                     QStringLiteral("%1 is locked by the lock file %2, which %3 (process %4) left "
                                    "behind when it ended; the file belongs to %5, so it cannot "
                                    "be taken over. Remove it (sudo rm %2), then press Open "
                                    "again.")
                         .arg(portText(), lock->path,
                              lock->program.isEmpty() ? QStringLiteral("a program") : lock->program)
                         .arg(lock->pid)
                         .arg(lock->owner) };
        return { kErrPortInUse,
                 QStringLiteral("%1 is in use by %2 (process %3), according to its lock file %4. "
                                "Close that program, then press Open again.")
                     .arg(portText(),
                          lock->program.isEmpty() ? QStringLiteral("another program")
                                                  : lock->program)
                     .arg(lock->pid)
                     .arg(lock->path) };
    }
    // Held exclusively by a process this user cannot see: another user's program or a system
    // service, most often a modem manager probing a newly plugged adapter.
    return { kErrPortInUse,
             QStringLiteral("%1 is in use, but by no program of yours: a system service or "
                            "another user's program holds it (sudo fuser -v %2 shows which). If "
                            "it is the modem manager service (ModemManager): %3")
                 .arg(portText(), device(), modemManagerAdvice()) };
#else
    // On Windows an open refused with "access denied" is a port another program holds.
    return { kErrPortInUse,
             QStringLiteral("%1 is in use by another program. Close that program, then press "
                            "Open again.")
                 .arg(portText()) };
#endif
}

QString OpenDiagnosis::modemManagerRule() const
{
    const PortLocator::Adapter &adapter = m_port->adapter;
    if (adapter.hasUsbIds)
        return QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", "
                              "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
            .arg(adapter.vendorId, 4, 16, QLatin1Char('0'))
            .arg(adapter.productId, 4, 16, QLatin1Char('0'));
    return QStringLiteral("KERNEL==\"%1\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
        .arg(QFileInfo(device()).canonicalFilePath().section(QLatin1Char('/'), -1));
}

// How to make a modem manager service leave a device alone, now and for good.
QString OpenDiagnosis::modemManagerAdvice() const
{
    return QStringLiteral("To make it leave the device alone, stop it (sudo systemctl stop "
                          "ModemManager), or for good put the line\n%1\ninto "
                          "/etc/udev/rules.d/99-serial-no-modem.rules and run sudo udevadm "
                          "control --reload, then sudo udevadm trigger. Then press Open again.")
        .arg(modemManagerRule());
}

} // namespace qie
