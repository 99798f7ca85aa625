// SPDX-License-Identifier: MIT
#pragma once

#include <QSerialPort>
#include <QString>
#include <chrono>

namespace qie {

// The line of a serial port: speed and character framing.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    bool operator==(const LineSettings &) const = default;

    // A standard speed from 110 to 230400 baud, any parity, 5 to 8 data bits, 1 or 2 stop
    // bits. 1.5 stop bits exist only on some Windows drivers; they are refused everywhere so
    // that a setting works the same on every machine.
    bool isValid() const;

    // "9600,n,8,1": baud rate, parity letter, data bits, stop bits, for messages.
    QString toText() const;

    // How long `bytes` take on the line: a start bit, the data bits, the parity bit, the stop
    // bits, rounded up to whole milliseconds.
    std::chrono::milliseconds wireTime(qint64 bytes) const;
};

} // namespace qie
