// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"
#include "serial/LineErrorCounters.h"

#include <QSerialPort>
#include <QTimer>
#include <chrono>

namespace qie {

// The serial control on a real port. Everything runs on the thread that owns it (the user
// interface thread): data and faults arrive as signals from its event loop.
//
// Settings are kept while closed and applied at open, so every open configures the port anew.
// lineFaultDetected is emitted for each line fault counter that grew, checked whenever data
// arrives and every kLineErrorPollInterval while open.
class SerialPortControl : public CommControl
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kLineErrorPollInterval { 250 };
    // What a close grants the queued bytes beyond the time they need on the wire.
    static constexpr std::chrono::milliseconds kDrainGrace { 1000 };
    // What the port layer keeps of received bytes that nobody has read yet. Readers take
    // every byte as it comes, so this is only reached when the window stops reading; the
    // driver and the device then wait instead of memory growing without end.
    static constexpr qint64 kReadBufferBytes = qint64(1) << 20;

    explicit SerialPortControl(QObject *parent = nullptr);
    ~SerialPortControl() override;

    std::optional<Error> setCommPort(int port) override;
    // The next open takes this device rather than a port number, until setCommPort is called:
    // a path names its device alone, with no pins or numbers read.
    std::optional<Error> setDevice(const QString &path);
    std::optional<Error> setSettings(const LineSettings &settings) override;
    std::optional<Error> setHandshaking(QSerialPort::FlowControl handshaking) override;
    std::optional<Error> setSThreshold(int threshold) override;
    std::optional<Error> setRThreshold(int threshold) override;

    bool portOpen() const override;
    // Closing first lets what was written leave the port (see drain); what has not left then
    // is discarded and reported as kErrUnsentDiscarded, and the port is closed all the same,
    // without waiting on the driver.
    std::optional<Error> setPortOpen(bool open) override;

    // Refused only while closed. A write that fails on an open port is the device going away:
    // it is reported once through portLost, not here, so that the operator sees one message.
    std::optional<Error> setOutput(const QByteArray &bytes) override;
    QByteArray inputBytes() override;

    // The machine's ports as they are now.
    PortLocator ports() const override;

    // Bytes written but not yet on the line: the program's buffer and the driver's queue.
    qint64 queuedBytes() const;
    // Waits until what was written has left the port, for at most its time on the wire plus
    // kDrainGrace. Returns the number of bytes still queued then (0: all left). Does not
    // return to the event loop; data and faults that arrive meanwhile are raised as usual.
    qint64 drain();
    // Throws away what has not left: the program's buffer and the driver's queue.
    void discardQueued();
    // The failure that reports `count` bytes left over by the last drain.
    Error unsentError(qint64 count) const;

private:
    std::optional<Error> open();
    void close();
    std::chrono::milliseconds wireTime(qint64 bytes) const;
    void raiseLineFaults();
    void handleReadyRead();
    void handleBytesWritten();
    void handleErrorOccurred(QSerialPort::SerialPortError error);
    void reportLostPort();
    QString portText() const;
    std::optional<Error> setThreshold(int threshold, int &target, const char *which);

    QSerialPort m_port;
    QTimer m_lineErrorTimer;
    LineErrorCounters m_lineErrors;

    int m_commPort = 1;
    QString m_path; // set by setDevice; empty when the number names the port
    QString m_device;
    std::chrono::milliseconds m_lastDrainBound { 0 };
    LineSettings m_settings;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    int m_sThreshold = 0;
    int m_rThreshold = 0;

    bool m_closing = false;
    bool m_lossPending = false;
    Error m_lossError;
};

} // namespace qie
