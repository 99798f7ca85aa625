// SPDX-License-Identifier: MIT
#pragma once

#include "files/Error.h"
#include "serial/LineFault.h"
#include "serial/LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

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
    // The text received since the last read, each character once; a character whose bytes
    // arrive in two reads is returned whole with the second.
    virtual QString input() = 0;
    // The bytes received since the last read, exactly as they arrived, for whoever must keep
    // them unchanged. This and input() read the same bytes: a reader uses one of them.
    virtual QByteArray inputBytes() = 0;

    // A description of the device that port number n means on this system, for tooltips.
    virtual QString describePorts() const = 0;

Q_SIGNALS:
    // Received data waits (at least RThreshold bytes); input() takes it.
    void dataReceived();
    // A write has drained the transmit buffer below SThreshold bytes.
    void dataSent();
    // The driver counted a fault on the line; the port stays open.
    void lineFaultDetected(qie::LineFault fault);
    // The device went away while open (adapter unplugged, line hung up) or a write failed.
    // The control has already closed the port when this is emitted; it is emitted once.
    void portLost(const qie::Error &error);
};

} // namespace qie
