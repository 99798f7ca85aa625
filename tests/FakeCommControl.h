// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"

namespace qie::test {

// A serial control without a port; the test raises its events. Opening never fails: those
// failures are tested against the real control on a pseudo-terminal.
class FakeCommControl : public CommControl
{
public:
    bool open = false;
    int event = 0;
    QString pendingInput;
    // A write fails with this; lostOnWrite also reports the loss by the signal first, as a real
    // control may.
    std::optional<CommError> writeError;
    bool lostOnWrite = false;
    // Everything written without an error, in order.
    QByteArray sent;

    std::optional<CommError> setCommPort(int) override { return std::nullopt; }
    std::optional<CommError> setSettings(const QString &) override { return std::nullopt; }
    std::optional<CommError> setHandshaking(int) override { return std::nullopt; }
    std::optional<CommError> setSThreshold(int) override { return std::nullopt; }
    std::optional<CommError> setRThreshold(int) override { return std::nullopt; }
    bool portOpen() const override { return open; }
    std::optional<CommError> setPortOpen(bool o) override { return open = o, std::nullopt; }
    std::optional<CommError> setOutput(const QByteArray &bytes) override
    {
        if (writeError && lostOnWrite)
            lose(*writeError);
        if (!writeError)
            sent += bytes;
        return writeError;
    }
    QString input() override { return std::exchange(pendingInput, QString()); }
    int commEvent() const override { return event; }
    QString describePorts() const override { return QStringLiteral("1: fake"); }

    // Raises OnComm with event number n (and received text for event 2).
    void raise(int n, const QString &received = QString())
    {
        event = n;
        pendingInput += received;
        emit OnComm();
    }
    void lose(const CommError &error)
    {
        open = false;
        emit portLost(error);
    }
};

} // namespace qie::test
