// SPDX-License-Identifier: MIT
#include "serial/SerialPortControl.h"

#include "serial/DeviceNode.h"
#include "serial/DriverQueue.h"
#include "serial/PortHolders.h"
#include "serial/PortLocator.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <limits>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace qie {
namespace {

Error commError(int number, const QString &description)
{
    return Error { number, description };
}

Error refusedWhileOpen(const char *what)
{
    return commError(SerialPortControl::errPortAlreadyOpen,
                     QStringLiteral("The %1 cannot be changed while the port is open. Press Close "
                                    "first.")
                         .arg(QLatin1String(what)));
}

// How to make a modem manager service leave a device alone, now and for good.
QString modemManagerAdvice(const QString &usbRule)
{
    return QStringLiteral("To make it leave the device alone, stop it (sudo systemctl stop "
                          "ModemManager), or for good put the line\n%1\ninto "
                          "/etc/udev/rules.d/99-serial-no-modem.rules and run sudo udevadm "
                          "control --reload, then sudo udevadm trigger. Then press Open again.")
        .arg(usbRule);
}

} // namespace

SerialPortControl::SerialPortControl(QObject *parent) : CommControl(parent)
{
    m_lineErrorTimer.setInterval(kLineErrorPollInterval);
    connect(&m_lineErrorTimer, &QTimer::timeout, this, &SerialPortControl::raiseLineFaults);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortControl::handleReadyRead);
    connect(&m_port, &QSerialPort::bytesWritten, this, &SerialPortControl::handleBytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortControl::handleErrorOccurred);
}

SerialPortControl::~SerialPortControl()
{
    // The program may end without anyone closing the port; the device must not be left held.
    disconnect(&m_port, nullptr, this, nullptr);
    close();
}

std::optional<Error> SerialPortControl::setCommPort(int port)
{
    if (m_port.isOpen())
        return refusedWhileOpen("port number");
    if (port < PortLocator::kFirstPortNumber || port > PortLocator::kLastPortNumber) {
        const QString known = PortLocator::shortList();
        return commError(
            errInvalidPortNumber,
            QStringLiteral("%1 is not a port number. Type a number from %2 to %3%4.")
                .arg(port)
                .arg(PortLocator::kFirstPortNumber)
                .arg(PortLocator::kLastPortNumber)
                .arg(known.isEmpty() ? QString() : QStringLiteral("; ports here: ") + known));
    }
    m_commPort = port;
    return std::nullopt;
}

std::optional<Error> SerialPortControl::setSettings(const LineSettings &settings)
{
    if (m_port.isOpen())
        return refusedWhileOpen("line settings");
    if (!settings.isValid())
        return commError(errInvalidSettings,
                         QStringLiteral("\"%1\" are not valid line settings. Use the form "
                                        "\"9600,n,8,1\": baud rate, parity (n, e, o, m, s), data "
                                        "bits (5 to 8), stop bits (1 or 2).")
                             .arg(settings.toText()));
    m_settings = settings;
    return std::nullopt;
}

// Both flow controls at once are not something the port layer can do.
std::optional<Error> SerialPortControl::setHandshaking(QSerialPort::FlowControl handshaking)
{
    if (m_port.isOpen())
        return refusedWhileOpen("handshaking");
    switch (handshaking) {
    case QSerialPort::NoFlowControl:
    case QSerialPort::SoftwareControl:
    case QSerialPort::HardwareControl:
        m_flowControl = handshaking;
        return std::nullopt;
    default:
        return commError(errInvalidHandshaking,
                         QStringLiteral("Handshaking %1 is not supported. Use none, XON/XOFF or "
                                        "RTS/CTS.")
                             .arg(int(handshaking)));
    }
}

std::optional<Error> SerialPortControl::setSThreshold(int threshold)
{
    return setThreshold(threshold, m_sThreshold, "send");
}

std::optional<Error> SerialPortControl::setRThreshold(int threshold)
{
    return setThreshold(threshold, m_rThreshold, "receive");
}

std::optional<Error> SerialPortControl::setThreshold(int threshold, int &target, const char *which)
{
    if (threshold < 0 || threshold > std::numeric_limits<qint16>::max())
        return commError(errInvalidThreshold,
                         QStringLiteral("The %1 threshold must be from 0 to %2, not %3.")
                             .arg(QLatin1String(which))
                             .arg(std::numeric_limits<qint16>::max())
                             .arg(threshold));
    target = threshold;
    return std::nullopt;
}

bool SerialPortControl::portOpen() const
{
    return m_port.isOpen();
}

std::optional<Error> SerialPortControl::setPortOpen(bool open)
{
    if (open == m_port.isOpen()) {
        if (open)
            return commError(errPortAlreadyOpen,
                             QStringLiteral("%1 is already open.").arg(portText()));
        return std::nullopt; // closing a closed port (one lost meanwhile) is no failure
    }
    if (open)
        return this->open();
    const qint64 unsent = drain();
    if (unsent > 0)
        discardQueued();
    close();
    if (unsent > 0)
        return unsentError(unsent);
    return std::nullopt;
}

qint64 SerialPortControl::queuedBytes() const
{
    if (!m_port.isOpen())
        return 0;
    return m_port.bytesToWrite() + DriverQueue::pending(m_port.handle());
}

std::chrono::milliseconds SerialPortControl::wireTime(qint64 bytes) const
{
    const qint64 bitsPerByte = 1 + m_settings.dataBits
        + (m_settings.parity == QSerialPort::NoParity ? 0 : 1)
        + (m_settings.stopBits == QSerialPort::TwoStop ? 2 : 1);
    return std::chrono::milliseconds((bytes * bitsPerByte * 1000 + m_settings.baudRate - 1)
                                     / m_settings.baudRate);
}

qint64 SerialPortControl::drain()
{
    qint64 queued = queuedBytes();
    if (queued == 0)
        return 0;
    m_lastDrainBound = wireTime(queued) + kDrainGrace;
    const QDeadlineTimer deadline(m_lastDrainBound);
    constexpr int kStepMs = 10;
    while (queued > 0 && !deadline.hasExpired()) {
        const int step
            = int(std::min<qint64>(kStepMs, std::max<qint64>(1, deadline.remainingTime())));
        if (m_port.bytesToWrite() > 0)
            m_port.waitForBytesWritten(step);
        else
            QThread::msleep(step);
        queued = queuedBytes(); // 0 also when the port was lost meanwhile
    }
    return queued;
}

void SerialPortControl::discardQueued()
{
    // Clears the program's buffer and flushes the driver's queue (tcflush, PurgeComm), so
    // that the close does not wait for the driver to give up on them.
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

Error SerialPortControl::unsentError(qint64 count) const
{
    return commError(errUnsentDiscarded,
                     QStringLiteral("%1 byte(s) sent to %2 had not left it after %3 s and were "
                                    "discarded: the device did not take them. Check the cable "
                                    "and that the device is ready, then send again.")
                         .arg(count)
                         .arg(portText())
                         .arg(double(m_lastDrainBound.count()) / 1000.0, 0, 'f', 1));
}

std::optional<Error> SerialPortControl::open()
{
    const std::optional<PortLocator::Port> found = PortLocator::find(m_commPort);
    m_device = found ? found->device() : QString();
    const QString device = m_device;
    if (found && !found->present())
        return commError(errPinnedAdapterAbsent,
                         QStringLiteral("Port %1 is pinned to the adapter %2, which is not "
                                        "plugged in. Plug it in, or remove the pin (right-click "
                                        "the port number), then press Open again.")
                             .arg(m_commPort)
                             .arg(found->pinName));
    if (device.isEmpty()) {
        const QString known = PortLocator::shortList();
        return commError(
            errNoSuchPort,
            known.isEmpty()
                ? QStringLiteral("There is no port %1: no serial port was found. Plug in "
                                 "the adapter and press Open again.")
                      .arg(m_commPort)
                : QStringLiteral("There is no port %1. The ports here are %2; type one "
                                 "of these numbers.")
                      .arg(m_commPort)
                      .arg(known));
    }
    const PortLocator::Adapter &adapter = found->adapter;
    m_usbRule = adapter.hasUsbIds
        ? QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", "
                         "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
              .arg(adapter.vendorId, 4, 16, QLatin1Char('0'))
              .arg(adapter.productId, 4, 16, QLatin1Char('0'))
        : QStringLiteral("KERNEL==\"%1\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
              .arg(QFileInfo(device).canonicalFilePath().section(QLatin1Char('/'), -1));
    if (auto refused = checkDevice(device, found->fromEnvironment, found->pinned, m_usbRule))
        return refused;

    m_port.setPortName(device);
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(m_flowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const Error failure = openFailure(device);
        m_port.clearError();
        return failure;
    }
    m_port.clearError();

    m_decoder.resetState();
    m_lossPending = false;
    if (m_lineErrors.arm(m_port.handle()))
        m_lineErrorTimer.start();
    return std::nullopt;
}

// What is decided before the device is opened: that it is a terminal at all, and that no
// other program reads from it.
std::optional<Error> SerialPortControl::checkDevice(const QString &device, bool fromEnvironment,
                                                    bool pinned, const QString &usbRule) const
{
#if defined(Q_OS_UNIX)
    if (const std::optional<QString> what = DeviceNode::notATerminal(device)) {
        const QString fix = fromEnvironment
            ? QStringLiteral("Set QIE_COM%1 to a serial device such as /dev/ttyUSB0.")
                  .arg(m_commPort)
            : pinned ? QStringLiteral("Remove the pin of port %1 (right-click the port number).")
                           .arg(m_commPort)
                     : QStringLiteral("Type the number of a serial port.");
        return commError(errNotATerminal,
                         QStringLiteral("%1 is not a serial port but %2; it was not opened. %3")
                             .arg(portText(), *what, fix));
    }
    // QSerialPort opens with TIOCEXCL, which keeps others out once we hold the port but does
    // not notice a program that already has it open without locking it.
    if (QFileInfo::exists(device) && ::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0) {
        if (const std::optional<PortHolders::Holder> holder = PortHolders::find(device)) {
            if (holder->name == QLatin1String("ModemManager"))
                return commError(errPortInUse,
                                 QStringLiteral("%1 is held by the modem manager service "
                                                "(ModemManager, process %2), which probes new "
                                                "serial devices for modems. %3")
                                     .arg(portText())
                                     .arg(holder->pid)
                                     .arg(modemManagerAdvice(usbRule)));
            return commError(errPortInUse,
                             QStringLiteral("%1 is in use by %2 (process %3). Close that "
                                            "program, then press Open again.")
                                 .arg(portText(), holder->name)
                                 .arg(holder->pid));
        }
    }
#else
    Q_UNUSED(device);
    Q_UNUSED(fromEnvironment);
    Q_UNUSED(pinned);
    Q_UNUSED(usbRule);
#endif
    return std::nullopt;
}

Error SerialPortControl::openFailure(const QString &device) const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError: {
        const QString known = PortLocator::shortList();
        return commError(errNoSuchPort,
                         QStringLiteral("%1 does not exist.%2 Plug in the adapter or type another "
                                        "port number, then press Open again.")
                             .arg(portText(),
                                  known.isEmpty()
                                      ? QString()
                                      : QStringLiteral(" The ports here are %1.").arg(known)));
    }
    case QSerialPort::PermissionError:
#if defined(Q_OS_UNIX)
        // Qt reports a refused open, a port held exclusively by another program and a foreign
        // lock file all as PermissionError; only the first is about access rights.
        if (::access(device.toLocal8Bit().constData(), R_OK | W_OK) != 0) {
            QString group = QFileInfo(device).group();
            if (group.isEmpty() || group == QLatin1String("root"))
                group = QStringLiteral("dialout");
            return commError(errPermissionDenied,
                             QStringLiteral("You may not use %1. Add your user to the '%2' group "
                                            "(sudo usermod -aG %2 $USER), log out and in again, "
                                            "then press Open again.")
                                 .arg(portText(), group));
        }
        if (const std::optional<PortHolders::LockFile> lock = PortHolders::lockFileOf(device)) {
            if (!lock->processRunning)
                return commError(
                    errStaleLockFile,
                    QStringLiteral("%1 is locked by the lock file %2, which %3 (process %4) "
                                   "left behind when it ended; the file belongs to %5, so it "
                                   "cannot be taken over. Remove it (sudo rm %2), then press "
                                   "Open again.")
                        .arg(portText(), lock->path,
                             lock->program.isEmpty() ? QStringLiteral("a program") : lock->program)
                        .arg(lock->pid)
                        .arg(lock->owner));
            return commError(errPortInUse,
                             QStringLiteral("%1 is in use by %2 (process %3), according to its "
                                            "lock file %4. Close that program, then press Open "
                                            "again.")
                                 .arg(portText(),
                                      lock->program.isEmpty() ? QStringLiteral("another program")
                                                              : lock->program)
                                 .arg(lock->pid)
                                 .arg(lock->path));
        }
        // Held exclusively by a process this user cannot see: another user's program or a
        // system service, most often a modem manager probing a newly plugged adapter.
        return commError(errPortInUse,
                         QStringLiteral("%1 is in use, but by no program of yours: a system "
                                        "service or another user's program holds it (sudo "
                                        "fuser -v %2 shows which). If it is the modem manager "
                                        "service (ModemManager): %3")
                             .arg(portText(), device, modemManagerAdvice(m_usbRule)));
#else
        Q_UNUSED(device);
        // On Windows an open refused with "access denied" is a port another program holds.
        return commError(errPortInUse,
                         QStringLiteral("%1 is in use by another program. Close that program, then "
                                        "press Open again.")
                             .arg(portText()));
#endif
    default:
        return commError(errOpenFailed,
                         QStringLiteral("%1 could not be opened (%2). Check the adapter and press "
                                        "Open again.")
                             .arg(portText(), m_port.errorString()));
    }
}

void SerialPortControl::close()
{
    m_lineErrorTimer.stop();
    m_lineErrors.disarm();
    m_lossPending = false;
    if (!m_port.isOpen())
        return;
    // Closing a hung-up device makes Qt report the failed restore of its settings; that is
    // not a new loss.
    m_closing = true;
    m_port.close();
    m_port.clearError();
    m_closing = false;
}

std::optional<Error> SerialPortControl::setOutput(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return commError(errPortNotOpen,
                         QStringLiteral("%1 is not open. Press Open first.").arg(portText()));
    if (m_port.write(bytes) != bytes.size())
        handleErrorOccurred(QSerialPort::WriteError);
    return std::nullopt;
}

QString SerialPortControl::input()
{
    if (!m_port.isOpen())
        return {};
    return m_decoder.decode(m_port.readAll());
}

QByteArray SerialPortControl::inputBytes()
{
    if (!m_port.isOpen())
        return {};
    return m_port.readAll();
}

QString SerialPortControl::describePorts() const
{
    return PortLocator::describe();
}

void SerialPortControl::raiseLineFaults()
{
    for (const LineFault fault : m_lineErrors.poll()) {
        // A handler may have closed the port (or it may have been lost) in between.
        if (!m_port.isOpen())
            return;
        emit lineFaultDetected(fault);
    }
}

void SerialPortControl::handleReadyRead()
{
    raiseLineFaults();
    if (m_port.isOpen() && m_rThreshold > 0 && m_port.bytesAvailable() >= m_rThreshold)
        emit dataReceived();
}

void SerialPortControl::handleBytesWritten()
{
    if (m_port.isOpen() && m_sThreshold > 0 && m_port.bytesToWrite() < m_sThreshold)
        emit dataSent();
}

// Qt 6.4 reports a hung-up device as ResourceError, or as ReadError with a stale errno, in
// which case its read notifier keeps firing until the port is closed. No error while open is
// one the caller could recover from, so each is taken as the device going away. The close
// is queued: closing here would delete the notifier that is emitting this very signal.
void SerialPortControl::handleErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !m_port.isOpen() || m_closing || m_lossPending)
        return;
    m_lossPending = true;
    m_lineErrorTimer.stop();
    QString reason = m_port.errorString();
#if defined(Q_OS_UNIX)
    // The stale errno makes a vanished device read as "Inappropriate ioctl for device".
    if (!QFileInfo::exists(m_device))
        reason = QStringLiteral("the device is gone");
#endif
    m_lossError = commError(errDeviceLost,
                            QStringLiteral("%1 stopped working (%2) and has been closed. Check "
                                           "the cable or plug the adapter in again, then "
                                           "press Open.")
                                .arg(portText(), reason));
    QMetaObject::invokeMethod(this, &SerialPortControl::reportLostPort, Qt::QueuedConnection);
}

void SerialPortControl::reportLostPort()
{
    if (!m_lossPending) // closed by the operator in the meantime
        return;
    close();
    emit portLost(m_lossError);
}

QString SerialPortControl::portText() const
{
    if (m_device.isEmpty() || m_device == QStringLiteral("COM%1").arg(m_commPort))
        return QStringLiteral("Port %1").arg(m_commPort);
    return QStringLiteral("Port %1 (%2)").arg(m_commPort).arg(m_device);
}

} // namespace qie
