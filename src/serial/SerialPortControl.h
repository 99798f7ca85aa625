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
// interface thread): data and faults arrive as OnComm from its event loop.
//
// Settings are kept while closed and applied at open, so every open configures the port anew.
// Events raised: 2 when at least RThreshold bytes wait (RThreshold 0: never), 1 when a write
// has drained the transmit buffer below SThreshold (SThreshold 0: never), and 1001/1004/1006/
// 1008/1009/1010 for each line fault counter that grew, checked whenever data arrives and
// every kLineErrorPollInterval while open. The modem line events 3 to 7 are not raised: no
// caller acts on them.
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
    };

    static constexpr std::chrono::milliseconds kLineErrorPollInterval { 250 };

    explicit SerialPortControl(QObject *parent = nullptr);
    ~SerialPortControl() override;

    std::optional<CommError> setCommPort(int port) override;
    std::optional<CommError> setSettings(const QString &settings) override;
    std::optional<CommError> setHandshaking(int handshaking) override;
    std::optional<CommError> setSThreshold(int threshold) override;
    std::optional<CommError> setRThreshold(int threshold) override;

    bool portOpen() const override;
    std::optional<CommError> setPortOpen(bool open) override;

    // Refused only while closed. A write that fails on an open port is the device going away:
    // it is reported once through portLost, not here, so that the operator sees one message.
    std::optional<CommError> setOutput(const QByteArray &bytes) override;
    QString input() override;
    int commEvent() const override { return m_event; }

    QString describePorts() const override;

    // The device the last open used (or tried), for messages and tests.
    QString device() const { return m_device; }

private:
    struct LineSettings
    {
        qint32 baudRate = 9600;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    std::optional<CommError> open();
    void close();
    CommError openFailure(const QString &device) const;
    void raise(int event);
    void raiseLineFaults();
    void handleReadyRead();
    void handleBytesWritten();
    void handleErrorOccurred(QSerialPort::SerialPortError error);
    void reportLostPort();
    QString portText() const;
    std::optional<CommError> setThreshold(int threshold, int &target, const char *which);

    QSerialPort m_port;
    QTimer m_lineErrorTimer;
    LineErrorCounters m_lineErrors;
    QStringDecoder m_decoder { QStringDecoder::System };

    int m_commPort = 1;
    QString m_device;
    LineSettings m_settings;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    int m_sThreshold = 0;
    int m_rThreshold = 0;
    int m_event = 0;

    bool m_closing = false;
    bool m_lossPending = false;
    CommError m_lossError;
};

} // namespace qie
