// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace qie {

// Keeps port fault boxes from locking the operator out. A lasting line fault raises a fault
// every few hundred milliseconds; each would open a modal box the moment the last one
// closed, leaving Close and Exit out of reach. So a fault box is shown only when no other
// box of the window is up and the last one closed at least kQuietTime ago; faults in
// between are not queued. The boxes themselves are not changed.
class FaultBoxThrottle
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuietTime { 3000 };

    explicit FaultBoxThrottle(std::function<Clock::time_point()> now = &Clock::now);

    // Runs `showBox` (which shows the box and returns when it is closed) when a fault box may
    // be shown now; returns whether it ran.
    bool offer(const std::function<void()> &showBox);

    // While a Hold lives, another box of the window is up and fault boxes wait for it.
    class Hold
    {
    public:
        explicit Hold(FaultBoxThrottle &throttle) : m_throttle(throttle) { ++m_throttle.m_boxesUp; }
        ~Hold() { --m_throttle.m_boxesUp; }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        FaultBoxThrottle &m_throttle;
    };
    [[nodiscard]] Hold hold() { return Hold(*this); }

private:
    std::function<Clock::time_point()> m_now;
    int m_boxesUp = 0;
    std::optional<Clock::time_point> m_lastClosed;
};

} // namespace qie
