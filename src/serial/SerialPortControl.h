// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"
#include "serial/LineErrorCounters.h"

#include <QSerialPort>
#include <QStringDecoder>
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
    // The numbers of the errors this control returns; every description says what to do.
    enum ErrorNumber : int {
        errInvalidPortNumber = 8100,
        errNoSuchPort = 8101,
        errPortInUse = 8102,
        errPermissionDenied = 8103,
        errInvalidSettings = 8104,
        errInvalidHandshaking = 8105,
        errInvalidThreshold = 8106,
        errPortAlreadyOpen = 8107,
        errPortNotOpen = 8108,
        errOpenFailed = 8109,
        errDeviceLost = 8110,
        errPinnedAdapterAbsent = 8111,
        errNotATerminal = 8112,
        errStaleLockFile = 8113,
        errUnsentDiscarded = 8114,
    };

    static constexpr std::chrono::milliseconds kLineErrorPollInterval { 250 };
    // What a close grants the queued bytes beyond the time they need on the wire.
    static constexpr std::chrono::milliseconds kDrainGrace { 1000 };

    explicit SerialPortControl(QObject *parent = nullptr);
    ~SerialPortControl() override;

    std::optional<Error> setCommPort(int port) override;
    std::optional<Error> setSettings(const LineSettings &settings) override;
    std::optional<Error> setHandshaking(QSerialPort::FlowControl handshaking) override;
    std::optional<Error> setSThreshold(int threshold) override;
    std::optional<Error> setRThreshold(int threshold) override;

    bool portOpen() const override;
    // Closing first lets what was written leave the port (see drain); what has not left then
    // is discarded and reported as errUnsentDiscarded, and the port is closed all the same,
    // without waiting on the driver.
    std::optional<Error> setPortOpen(bool open) override;

    // Refused only while closed. A write that fails on an open port is the device going away:
    // it is reported once through portLost, not here, so that the operator sees one message.
    std::optional<Error> setOutput(const QByteArray &bytes) override;
    QString input() override;

    QString describePorts() const override;

    // The bytes received since the last read, as they came (input() gives them as text).
    QByteArray inputBytes() override;
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

    // The device the last open used (or tried), for messages and tests.
    QString device() const { return m_device; }

private:
    std::optional<Error> open();
    void close();
    Error openFailure(const QString &device) const;
    std::optional<Error> checkDevice(const QString &device, bool fromEnvironment, bool pinned,
                                     const QString &usbRule) const;
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
    QStringDecoder m_decoder { QStringDecoder::System };

    int m_commPort = 1;
    QString m_device;
    std::chrono::milliseconds m_lastDrainBound { 0 };
    QString m_usbRule; // what makes a modem manager ignore this port's adapter
    LineSettings m_settings;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    int m_sThreshold = 0;
    int m_rThreshold = 0;

    bool m_closing = false;
    bool m_lossPending = false;
    Error m_lossError;
};

} // namespace qie
