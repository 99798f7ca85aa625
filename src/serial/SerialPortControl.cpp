// SPDX-License-Identifier: MIT
#include "serial/SerialPortControl.h"

#include "serial/DriverQueue.h"
#include "serial/OpenDiagnosis.h"

#include <QFileInfo>
#include <QMetaObject>
#include <limits>

namespace qie {
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
    if (port < PortLocator::kFirstPortNumber || port > PortLocator::kLastPortNumber)
        return OpenDiagnosis::invalidNumber(port, PortLocator::scan());
    m_commPort = port;
    m_path.clear();
    return std::nullopt;
}

std::optional<Error> SerialPortControl::setDevice(const QString &path)
{
    if (m_port.isOpen())
        return refusedWhileOpen("port");
    m_path = path;
    return std::nullopt;
}

std::optional<Error> SerialPortControl::setSettings(const LineSettings &settings)
{
    if (m_port.isOpen())
        return refusedWhileOpen("line settings");
    if (!settings.isValid())
        return Error { kErrInvalidSettings,
                       QStringLiteral("\"%1\" are not valid line settings. Use the form "
                                      "\"9600,n,8,1\": baud rate, parity (n, e, o, m, s), data "
                                      "bits (5 to 8), stop bits (1 or 2).")
                           .arg(settings.toText()) };
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
        return Error { kErrInvalidHandshaking,
                       QStringLiteral("Handshaking %1 is not supported. Use none, XON/XOFF or "
                                      "RTS/CTS.")
                           .arg(int(handshaking)) };
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
        return Error { kErrInvalidThreshold,
                       QStringLiteral("The %1 threshold must be from 0 to %2, not %3.")
                           .arg(QLatin1String(which))
                           .arg(std::numeric_limits<qint16>::max())
                           .arg(threshold) };
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
            return Error { kErrPortAlreadyOpen,
                           QStringLiteral("%1 is already open.").arg(portText()) };
        return std::nullopt; // closing a closed port (one lost meanwhile) is no failure
    }
    if (open)
        return this->open();
    const qint64 unsent = queuedBytes();
    if (unsent > 0)
        discardQueued();
    close();
    if (unsent > 0)
        return Error { kErrUnsentDiscarded,
                       QStringLiteral("%1 bytes were not sent. The port was closed before they "
                                      "had left.")
                           .arg(unsent) };
    return std::nullopt;
}

qint64 SerialPortControl::queuedBytes() const
{
    if (!m_port.isOpen())
        return m_queuedAtLoss;
    return m_port.bytesToWrite() + DriverQueue::pending(m_port.handle());
}

std::chrono::milliseconds SerialPortControl::wireTime(qint64 bytes) const
{
    return m_settings.wireTime(bytes);
}

void SerialPortControl::discardQueued()
{
    // Clears the program's buffer and flushes the driver's queue (tcflush, PurgeComm), so
    // that the close does not wait for the driver to give up on them.
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

std::optional<Error> SerialPortControl::open()
{
    const OpenDiagnosis diagnosis = m_path.isEmpty()
        ? OpenDiagnosis(m_commPort, PortLocator::forNumber(m_commPort))
        : OpenDiagnosis(m_path);
    m_device = diagnosis.device();
    if (auto refused = diagnosis.beforeOpen())
        return refused;

    m_port.setPortName(m_device);
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(m_flowControl);
    m_port.setReadBufferSize(kReadBufferBytes);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const Error failure = diagnosis.afterFailedOpen(m_port.error(), m_port.errorString());
        m_port.clearError();
        return failure;
    }
    m_port.clearError();

    m_lossPending = false;
    m_queuedAtLoss = 0;
    if (m_lineErrors.arm(m_port.handle()))
        m_lineErrorTimer.start();
    return std::nullopt;
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
        return Error { kErrPortNotOpen,
                       QStringLiteral("%1 is not open. Press Open first.").arg(portText()) };
    if (m_port.write(bytes) != bytes.size())
        handleErrorOccurred(QSerialPort::WriteError);
    return std::nullopt;
}

QByteArray SerialPortControl::inputBytes()
{
    if (!m_port.isOpen())
        return {};
    return m_port.readAll();
}

PortLocator SerialPortControl::ports() const
{
    return PortLocator::scan();
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
    m_queuedAtLoss = queuedBytes();
    m_lineErrorTimer.stop();
    QString reason = m_port.errorString();
#if defined(Q_OS_UNIX)
    // The stale errno makes a vanished device read as "Inappropriate ioctl for device".
    if (!QFileInfo::exists(m_device))
        reason = QStringLiteral("the device is gone");
#endif
    m_lossError = Error { kErrDeviceLost,
                          QStringLiteral("%1 stopped working (%2) and has been closed. Check "
                                         "the cable or plug the adapter in again, then "
                                         "press Open.")
                              .arg(portText(), reason) };
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
    return OpenDiagnosis::portText(m_path.isEmpty() ? m_commPort : 0, m_device);
}

} // namespace qie
