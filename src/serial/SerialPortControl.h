// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"
#include "serial/LineErrorCounters.h"

#include <QSerialPort>
#include <QStringDecoder>
#include <QStringEncoder>
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
    };

    static constexpr std::chrono::milliseconds kLineErrorPollInterval { 250 };

    explicit SerialPortControl(QObject *parent = nullptr);
    ~SerialPortControl() override;

    std::optional<Error> setCommPort(int port) override;
    std::optional<Error> setSettings(const LineSettings &settings) override;
    std::optional<Error> setHandshaking(QSerialPort::FlowControl handshaking) override;
    std::optional<Error> setSThreshold(int threshold) override;
    std::optional<Error> setRThreshold(int threshold) override;

    bool portOpen() const override;
    std::optional<Error> setPortOpen(bool open) override;

    // Refused only while closed. A write that fails on an open port is the device going away:
    // it is reported once through portLost, not here, so that the operator sees one message.
    std::optional<Error> setOutput(const QString &text) override;
    QString input() override;

    QString describePorts() const override;

    // The device the last open used (or tried), for messages and tests.
    QString device() const { return m_device; }

private:
    std::optional<Error> open();
    void close();
    Error openFailure(const QString &device) const;
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
    QStringEncoder m_encoder { QStringEncoder::System };

    int m_commPort = 1;
    QString m_device;
    LineSettings m_settings;
    QSerialPort::FlowControl m_flowControl = QSerialPort::NoFlowControl;
    int m_sThreshold = 0;
    int m_rThreshold = 0;

    bool m_closing = false;
    bool m_lossPending = false;
    Error m_lossError;
};

} // namespace qie
