// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

namespace qie {

class CommControl;

// Waiting for the bytes written to a port to leave it, before it closes or before the send
// command goes on to listen. The thread's event loop keeps running while it waits, so that
// received data, repaints and the port's own signals go on; user input is held back.
//
// It ends in one of these ways:
// - Sent: nothing is queued any more.
// - Lost: the port went away; the control reported it.
// - Stalled: no byte left for kStallTime. A slow device is still taking bytes, a stalled one
//   is not; neither is a lost one, whose port is still there.
// - TimedOut: bytes kept leaving, but the wire time of what was queued when the drain began,
//   plus kMargin, has passed.
// - Discarded: the operator threw the rest away.
// In the last three the bytes left are still queued until the caller discards them.
class Drain : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kStallTime { 2000 };
    static constexpr std::chrono::milliseconds kMargin { 5000 };
    static constexpr std::chrono::milliseconds kPollInterval { 10 };

    enum class Outcome { Running, Sent, Lost, Stalled, TimedOut, Discarded };

    // The time the drain reads, and how it lets the event loop run for a while. Left empty:
    // the steady clock, and a local event loop that leaves out user input.
    struct Time
    {
        std::function<Clock::time_point()> now;
        std::function<void(std::chrono::milliseconds)> wait;
    };

    explicit Drain(CommControl &port, Time time = {}, QObject *parent = nullptr);

    // The wait of the real clock: the thread's event loop runs for `step`, user input left out.
    static void runEvents(std::chrono::milliseconds step);

    // Looks at the port once and decides whether the drain has ended.
    Outcome check();
    // Checks until the drain ends or `limit` has passed on its clock; the outcome then.
    Outcome waitFor(std::chrono::milliseconds limit);
    // Checks until the drain ends, which it does by itself at the latest when its time is up.
    Outcome finish();
    // Ends the drain as Discarded and throws the queued bytes away.
    void discard();

    Outcome outcome() const { return m_outcome; }
    // The bytes still queued at the last check.
    qint64 left() const { return m_left; }
    // What those bytes need on the wire.
    std::chrono::milliseconds timeLeft() const;
    // Why the drain did not send everything: the loss, or "N bytes were not sent"; nothing when
    // it is still running or sent everything.
    std::optional<Error> failure() const;

private:
    CommControl &m_port;
    Time m_time;
    Outcome m_outcome = Outcome::Running;
    qint64 m_left = 0;
    Clock::time_point m_lastProgress;
    Clock::time_point m_deadline;
    std::optional<Error> m_lost;
};

} // namespace qie
