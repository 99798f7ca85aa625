// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"
#include "serial/NetworkPort.h"
#include "serial/SerialPortControl.h"

#include <chrono>

namespace qie {

// The port the window and the send command use: a port number, a device path or a network
// address chosen before the open, and at the open a serial device or a network serial port,
// whichever that names (QIE_COM<n> or a pin may name a network port). Both kinds look the same
// from outside: the same steps, the same signals, the same errors for the same meanings.
class PortControl : public CommControl
{
    Q_OBJECT

public:
    // What a close grants the bytes still queued for a network server to leave.
    static constexpr std::chrono::milliseconds kNetworkDrain { 5000 };
    // What a network server is given beyond the wire time of the last bytes sent before the
    // connection ends: a server may drop what it has not yet written to its device when the
    // connection closes, and a raw server tells nothing of how far it is.
    static constexpr std::chrono::milliseconds kNetworkSettle { 250 };

    explicit PortControl(QObject *parent = nullptr);

    std::optional<Error> setCommPort(int port) override;
    // The next open takes this device path or network address (rfc2217://, tcp://) rather than
    // a port number, until setCommPort is called. Neither reads the pins.
    std::optional<Error> setDevice(const QString &device);
    std::optional<Error> setSettings(const LineSettings &settings) override;
    std::optional<Error> setHandshaking(QSerialPort::FlowControl handshaking) override;
    std::optional<Error> setSThreshold(int threshold) override;
    std::optional<Error> setRThreshold(int threshold) override;

    bool portOpen() const override;
    // Opening a network port waits for the server's answer (at most its timeouts) with the
    // user's input held; a close sends what was written before the connection ends.
    std::optional<Error> setPortOpen(bool open) override;
    std::optional<Error> setOutput(const QByteArray &bytes) override;
    QByteArray inputBytes() override;
    PortLocator ports() const override;

    // As SerialPortControl's, for either kind of port.
    qint64 drain();
    void discardQueued();
    Error unsentError(qint64 count) const;

    // The network side, for tests to put their own host lookup and timeouts in place.
    NetworkPort &network() { return m_network; }

private:
    bool networkOpen() const { return m_network.isOpen(); }
    // Waits, the event loop running without the user's input, until the bytes written to the
    // network port have had their time on the device's line and kNetworkSettle more.
    void settle();
    // The address the next open goes to, when it is a network port; an error when the text is
    // meant as one but is none.
    std::variant<std::monostate, NetworkAddress, Error> networkTarget() const;

    SerialPortControl m_serial;
    NetworkPort m_network;
    int m_number = 1;
    QString m_device; // set by setDevice
    LineSettings m_settings;
    QSerialPort::FlowControl m_flow = QSerialPort::NoFlowControl;
    int m_rThreshold = 0;
    bool m_onNetwork = false; // where the last open went
    // When the bytes written to the network port will have left the device's line.
    std::chrono::steady_clock::time_point m_onTheLineUntil;
};

} // namespace qie
