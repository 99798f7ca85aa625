// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"

namespace qie::test {

// A serial control without a port; the test raises its signals. Opening never fails: those
// failures are tested against the real control on a pseudo-terminal.
class FakeCommControl : public CommControl
{
public:
    bool open = false;
    QString pendingInput;
    // A write fails with this; lostOnWrite also reports the loss by the signal first, as a real
    // control may.
    std::optional<Error> writeError;
    bool lostOnWrite = false;
    // Everything written without an error, in order.
    QByteArray sent;

    std::optional<Error> setCommPort(int) override { return std::nullopt; }
    std::optional<Error> setSettings(const LineSettings &) override { return std::nullopt; }
    std::optional<Error> setHandshaking(QSerialPort::FlowControl) override { return std::nullopt; }
    std::optional<Error> setSThreshold(int) override { return std::nullopt; }
    std::optional<Error> setRThreshold(int) override { return std::nullopt; }
    bool portOpen() const override { return open; }
    std::optional<Error> setPortOpen(bool o) override { return open = o, std::nullopt; }
    std::optional<Error> setOutput(const QByteArray &bytes) override
    {
        if (writeError && lostOnWrite)
            lose(*writeError);
        if (!writeError)
            sent += bytes;
        return writeError;
    }
    QString input() override { return std::exchange(pendingInput, QString()); }
    QByteArray inputBytes() override { return input().toUtf8(); }
    QString describePorts() const override { return QStringLiteral("1: fake"); }

    // The device sent `text`.
    void receive(const QString &text)
    {
        pendingInput += text;
        emit dataReceived();
    }
    void lose(const Error &error)
    {
        open = false;
        emit portLost(error);
    }
};

} // namespace qie::test
