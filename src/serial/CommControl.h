// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "serial/LineFault.h"
#include "serial/LineSettings.h"
#include "serial/PortLocator.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <chrono>
#include <optional>
#include <utility>

namespace qie {

// The serial control as the editor window uses it: configure while closed, open, write the
// data text, read what arrived, close. All on the user-interface thread. The window never
// keeps a port flag of its own; portOpen() is the one truth.
//
// Every setter that can fail returns the failure instead of throwing, so that a handler can
// stop at exactly the step that failed and leave the earlier ones done.
class CommControl : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual std::optional<Error> setCommPort(int port) = 0;
    virtual std::optional<Error> setSettings(const LineSettings &settings) = 0;
    // No flow control, XON/XOFF or RTS/CTS.
    virtual std::optional<Error> setHandshaking(QSerialPort::FlowControl handshaking) = 0;
    // dataSent is emitted when a write has drained the transmit buffer below this many bytes,
    // dataReceived when at least that many bytes wait; 0 turns the signal off.
    virtual std::optional<Error> setSThreshold(int threshold) = 0;
    virtual std::optional<Error> setRThreshold(int threshold) = 0;

    virtual bool portOpen() const = 0;
    virtual std::optional<Error> setPortOpen(bool open) = 0;

    // Writes the bytes as they are, without waiting for them to leave. The data text travels as
    // bytes so that what a file held reaches the device unchanged, whatever the code page.
    virtual std::optional<Error> setOutput(const QByteArray &bytes) = 0;
    // The bytes received since the last read, exactly as they arrived, each once.
    virtual QByteArray inputBytes() = 0;

    // What the port numbers mean now, for the port number's tooltip and menu.
    virtual PortLocator ports() const = 0;

    // Bytes written but not yet on the line: the program's buffer and the driver's queue; 0
    // where the control cannot tell or has nothing queued. Once the port was lost, what was
    // queued when it went.
    virtual qint64 queuedBytes() const { return 0; }
    // Throws away what has not left.
    virtual void discardQueued() { }
    // How long `bytes` take on the line as it is set: the device's line unless told otherwise.
    virtual std::chrono::milliseconds wireTime(qint64 bytes) const
    {
        return LineSettings().wireTime(bytes);
    }

    // The device's line, 9600 8N1 without flow control, every byte signalled; then the port
    // opens. What Open does after the port number and what the send command does alike. A
    // refused step stops before the next one is tried and is returned.
    std::optional<Error> openDeviceLine()
    {
        const LineSettings deviceLine { 9600, QSerialPort::NoParity, QSerialPort::Data8,
                                        QSerialPort::OneStop };
        std::optional<Error> error;
        const auto failed = [&error](auto step) { return (error = std::move(step)).has_value(); };
        if (failed(setSettings(deviceLine)) || failed(setHandshaking(QSerialPort::NoFlowControl))
            || failed(setSThreshold(1)) || failed(setRThreshold(1)) || failed(setPortOpen(true)))
            return error;
        return std::nullopt;
    }

Q_SIGNALS:
    // Received data waits (at least RThreshold bytes); inputBytes() takes it.
    void dataReceived();
    // A write has drained the transmit buffer below SThreshold bytes.
    void dataSent();
    // The driver counted a fault on the line; the port stays open.
    void lineFaultDetected(qie::LineFault fault);
    // The device went away while open (adapter unplugged, line hung up) or a write failed.
    // The control has already closed the port when this is emitted; it is emitted once.
    void portLost(const qie::Error &error);

protected:
    // Why a setting was refused: the port is open, and the setting cannot change under it.
    static Error refusedWhileOpen(const char *what)
    {
        return { kErrPortAlreadyOpen,
                 QStringLiteral("The %1 cannot be changed while the port is open. Press Close "
                                "first.")
                     .arg(QLatin1String(what)) };
    }
};

} // namespace qie
