// SPDX-License-Identifier: MIT
#pragma once

#include "serial/CommControl.h"

#include <utility>

namespace qie::test {

// A serial control without a port; the test raises its signals. Opening never fails: those
// failures are tested against the real control on a pseudo-terminal.
class FakeCommControl : public CommControl
{
public:
    bool open = false;
    QByteArray pendingInput;
    // A write fails with this; lostOnWrite also reports the loss by the signal first, as a real
    // control may.
    std::optional<Error> writeError;
    bool lostOnWrite = false;
    // Everything written without an error, in order.
    QByteArray sent;
    // The adapters the system lists; the pins and QIE_COM<n> apply to them as they stand.
    QList<PortLocator::Adapter> adapters;
    // The bytes written that have not left; the test empties it as the device takes them.
    qint64 queued = 0;
    int discards = 0;

    std::optional<Error> setCommPort(int) override { return std::nullopt; }
    std::optional<Error> setSettings(const LineSettings &) override { return std::nullopt; }
    std::optional<Error> setHandshaking(QSerialPort::FlowControl) override { return std::nullopt; }
    std::optional<Error> setSThreshold(int) override { return std::nullopt; }
    std::optional<Error> setRThreshold(int) override { return std::nullopt; }
    bool portOpen() const override { return open; }
    std::optional<Error> setPortOpen(bool opened) override
    {
        open = opened;
        return std::nullopt;
    }
    std::optional<Error> setOutput(const QByteArray &bytes) override
    {
        if (writeError && lostOnWrite)
            lose(*writeError);
        if (!writeError)
            sent += bytes;
        return writeError;
    }
    QByteArray inputBytes() override { return std::exchange(pendingInput, QByteArray()); }
    PortLocator ports() const override { return PortLocator(adapters); }
    qint64 queuedBytes() const override { return queued; }
    void discardQueued() override
    {
        queued = 0;
        ++discards;
    }

    // The device sent `bytes`.
    void receive(const QByteArray &bytes)
    {
        pendingInput += bytes;
        emit dataReceived();
    }
    void lose(const Error &error)
    {
        open = false;
        emit portLost(error);
    }
};

} // namespace qie::test
