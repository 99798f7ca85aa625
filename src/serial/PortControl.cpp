// SPDX-License-Identifier: MIT
#include "serial/PortControl.h"

#include "serial/OpenDiagnosis.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace qie {
PortControl::PortControl(QObject *parent) : CommControl(parent)
{
    connect(&m_serial, &CommControl::dataReceived, this, &CommControl::dataReceived);
    connect(&m_serial, &CommControl::dataSent, this, &CommControl::dataSent);
    connect(&m_serial, &CommControl::lineFaultDetected, this, &CommControl::lineFaultDetected);
    connect(&m_serial, &CommControl::portLost, this, &CommControl::portLost);
    connect(&m_network, &NetworkPort::readyRead, this, [this] {
        if (m_rThreshold > 0 && m_network.bytesAvailable() >= m_rThreshold)
            emit dataReceived();
    });
    connect(&m_network, &NetworkPort::lineFaultDetected, this, &CommControl::lineFaultDetected);
    connect(&m_network, &NetworkPort::lost, this, &CommControl::portLost);
}

std::optional<Error> PortControl::setCommPort(int port)
{
    if (networkOpen())
        return refusedWhileOpen("port number");
    if (auto refused = m_serial.setCommPort(port))
        return refused;
    m_number = port;
    m_device.clear();
    return std::nullopt;
}

std::optional<Error> PortControl::setDevice(const QString &device)
{
    if (networkOpen())
        return refusedWhileOpen("port");
    if (NetworkAddress::isNetworkText(device)) {
        const auto address = NetworkAddress::parse(device);
        if (const auto *why = std::get_if<QString>(&address))
            return Error { kErrInvalidPortNumber, *why };
    } else if (auto refused = m_serial.setDevice(device)) {
        return refused;
    }
    m_device = device;
    return std::nullopt;
}

std::optional<Error> PortControl::setSettings(const LineSettings &settings)
{
    if (networkOpen())
        return refusedWhileOpen("line settings");
    if (auto refused = m_serial.setSettings(settings))
        return refused;
    m_settings = settings;
    return std::nullopt;
}

std::optional<Error> PortControl::setHandshaking(QSerialPort::FlowControl handshaking)
{
    if (networkOpen())
        return refusedWhileOpen("handshaking");
    if (auto refused = m_serial.setHandshaking(handshaking))
        return refused;
    m_flow = handshaking;
    return std::nullopt;
}

std::optional<Error> PortControl::setSThreshold(int threshold)
{
    return m_serial.setSThreshold(threshold);
}

std::optional<Error> PortControl::setRThreshold(int threshold)
{
    if (auto refused = m_serial.setRThreshold(threshold))
        return refused;
    m_rThreshold = threshold;
    return std::nullopt;
}

bool PortControl::portOpen() const
{
    return networkOpen() || m_serial.portOpen();
}

std::variant<std::monostate, NetworkAddress, Error> PortControl::networkTarget() const
{
    QString text = m_device;
    QString origin;
    if (text.isEmpty()) {
        const std::optional<PortLocator::Port> port
            = PortLocator::forNumber(m_number).find(m_number);
        if (!port || !NetworkAddress::isNetworkText(port->device()))
            return std::monostate {};
        text = port->device();
        origin = port->fromEnvironment ? QStringLiteral(" Set QIE_COM%1 to a device or to "
                                                        "rfc2217://HOST:PORT or tcp://HOST:PORT.")
                                             .arg(m_number)
                                       : QString();
    } else if (!NetworkAddress::isNetworkText(text)) {
        return std::monostate {};
    }
    const auto address = NetworkAddress::parse(text);
    if (const auto *why = std::get_if<QString>(&address))
        return Error { kErrNoSuchPort,
                       QStringLiteral("%1 cannot be opened: %2%3")
                           .arg(m_device.isEmpty() ? QStringLiteral("Port %1").arg(m_number)
                                                   : QStringLiteral("The port"),
                                *why, origin) };
    return std::get<NetworkAddress>(address);
}

std::optional<Error> PortControl::setPortOpen(bool open)
{
    if (!open) {
        if (!networkOpen())
            return m_serial.setPortOpen(false);
        // The window and the send command have waited for the bytes with a Drain; what the
        // system's network stack still holds is given its bound here.
        const qint64 unsent = m_network.drain(kNetworkDrain);
        if (unsent == 0)
            settle();
        m_network.close();
        if (unsent > 0)
            return unsentError(unsent);
        return std::nullopt;
    }
    if (networkOpen())
        return Error { kErrPortAlreadyOpen,
                       QStringLiteral("%1 is already open.").arg(m_network.address().toString()) };
    if (m_serial.portOpen())
        return m_serial.setPortOpen(true); // says that it is open already
    const auto target = networkTarget();
    if (const auto *refused = std::get_if<Error>(&target))
        return *refused;
    const auto *address = std::get_if<NetworkAddress>(&target);
    m_onNetwork = address != nullptr;
    if (!address)
        return m_serial.setPortOpen(true);
    if (auto refused = m_network.open(*address, m_settings, m_flow))
        return refused;
    return m_network.waitForOpened();
}

std::optional<Error> PortControl::setOutput(const QByteArray &bytes)
{
    if (!networkOpen())
        return m_serial.setOutput(bytes);
    const qint64 bitsPerByte = 1 + m_settings.dataBits
        + (m_settings.parity == QSerialPort::NoParity ? 0 : 1)
        + (m_settings.stopBits == QSerialPort::TwoStop ? 2 : 1);
    const auto wireTime = std::chrono::milliseconds(
        (bytes.size() * bitsPerByte * 1000 + m_settings.baudRate - 1) / m_settings.baudRate);
    m_onTheLineUntil = std::max(std::chrono::steady_clock::now(), m_onTheLineUntil) + wireTime;
    return m_network.write(bytes);
}

QByteArray PortControl::inputBytes()
{
    // What a network port received before it was lost is still the device's.
    if (m_network.bytesAvailable() > 0)
        return m_network.readAll();
    return m_serial.inputBytes();
}

void PortControl::settle()
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        m_onTheLineUntil + kNetworkSettle - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !networkOpen())
        return;
    QEventLoop waiting;
    QTimer::singleShot(left, &waiting, &QEventLoop::quit);
    connect(&m_network, &NetworkPort::lost, &waiting, &QEventLoop::quit);
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
}

PortLocator PortControl::ports() const
{
    return PortLocator::scan();
}

qint64 PortControl::queuedBytes() const
{
    return networkOpen() ? m_network.queued() : m_serial.queuedBytes();
}

std::chrono::milliseconds PortControl::wireTime(qint64 bytes) const
{
    return m_serial.wireTime(bytes);
}

void PortControl::discardQueued()
{
    if (networkOpen())
        m_network.close();
    else
        m_serial.discardQueued();
}

Error PortControl::unsentError(qint64 count) const
{
    return Error { kErrUnsentDiscarded,
                   QStringLiteral("%1 byte(s) sent to %2 had not left for the network after %3 s "
                                  "and were discarded: the server did not take them. Check the "
                                  "server and the network, then send again.")
                       .arg(count)
                       .arg(m_network.address().toString())
                       .arg(double(kNetworkDrain.count()) / 1000.0, 0, 'f', 1) };
}

} // namespace qie
