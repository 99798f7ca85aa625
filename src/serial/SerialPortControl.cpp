// SPDX-License-Identifier: MIT
#include "serial/SerialPortControl.h"

#include "serial/PortLocator.h"

#include <QFileInfo>
#include <QMetaObject>
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
    close();
    return std::nullopt;
}

std::optional<Error> SerialPortControl::open()
{
    m_device = PortLocator::deviceFor(m_commPort);
    const QString device = m_device;
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

    m_port.setPortName(device);
#if defined(Q_OS_UNIX)
    // QSerialPort opens with TIOCEXCL, which keeps others out once we hold the port but does
    // not notice a program that already has it open without locking it.
    if (QFileInfo::exists(device) && ::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0) {
        if (const std::optional<QString> holder = PortLocator::holderOf(device))
            return commError(errPortInUse,
                             QStringLiteral("%1 is in use by %2. Close that program, then press "
                                            "Open again.")
                                 .arg(portText(), *holder));
    }
#endif

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
    m_encoder.resetState();
    m_lossPending = false;
    if (m_lineErrors.arm(m_port.handle()))
        m_lineErrorTimer.start();
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
#if !defined(Q_OS_UNIX)
        Q_UNUSED(device);
#else
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
#endif
        // On Windows an open refused with "access denied" is a port another program holds.
        return commError(errPortInUse,
                         QStringLiteral("%1 is in use by another program. Close that program, then "
                                        "press Open again.")
                             .arg(portText()));
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

std::optional<Error> SerialPortControl::setOutput(const QString &text)
{
    if (!m_port.isOpen())
        return commError(errPortNotOpen,
                         QStringLiteral("%1 is not open. Press Open first.").arg(portText()));
    const QByteArray bytes = m_encoder.encode(text);
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
