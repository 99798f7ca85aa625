// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"

#include <QStringList>

namespace qie::test {

// A serial control without a port: records what the window set and wrote, and lets the test
// raise events and failures at will.
class FakeCommControl : public CommControl
{
public:
    // Settings as the window left them.
    int commPort = 0;
    QString settings;
    int handshaking = -1;
    int sThreshold = -1;
    int rThreshold = -1;
    bool open = false;
    QStringList written;
    QString pendingInput;
    int event = 0;

    // Failures to return from the next call of each operation.
    std::optional<CommError> failCommPort;
    std::optional<CommError> failOpen;
    std::optional<CommError> failClose;
    std::optional<CommError> failOutput;

    std::optional<CommError> setCommPort(int port) override
    {
        if (failCommPort)
            return std::exchange(failCommPort, std::nullopt);
        commPort = port;
        return std::nullopt;
    }
    std::optional<CommError> setSettings(const QString &s) override
    {
        settings = s;
        return std::nullopt;
    }
    std::optional<CommError> setHandshaking(int h) override
    {
        handshaking = h;
        return std::nullopt;
    }
    std::optional<CommError> setSThreshold(int t) override
    {
        sThreshold = t;
        return std::nullopt;
    }
    std::optional<CommError> setRThreshold(int t) override
    {
        rThreshold = t;
        return std::nullopt;
    }
    bool portOpen() const override { return open; }
    std::optional<CommError> setPortOpen(bool o) override
    {
        if (o && failOpen)
            return std::exchange(failOpen, std::nullopt);
        if (!o && failClose)
            return std::exchange(failClose, std::nullopt);
        open = o;
        return std::nullopt;
    }
    std::optional<CommError> setOutput(const QString &text) override
    {
        if (failOutput)
            return std::exchange(failOutput, std::nullopt);
        written.append(text);
        return std::nullopt;
    }
    QString input() override { return std::exchange(pendingInput, QString()); }
    int commEvent() const override { return event; }
    QString describePorts() const override { return QStringLiteral("1: fake"); }

    // Plays the control: raise OnComm with event number n (and received text for event 2).
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
