// SPDX-License-Identifier: MIT
#pragma once

#include "serial/LineFault.h"

#include <QList>
#include <QSerialPort>
#include <cstdint>
#include <optional>
#include <utility>

namespace qie {

// The line faults a driver has seen on an open port (break, framing, overrun, parity, receive
// and transmit buffer overflow), turned into LineFault values.
//
// Linux keeps per-port counters in the kernel (TIOCGICOUNT); Windows reports flags that
// ClearCommError resets at each call, which read() accumulates into counts of its own, so
// both look the same from here on. A driver without counters (a pseudo-terminal, a USB
// adapter whose driver does not implement them) reports no faults at all, never false ones.
class LineErrorCounters
{
public:
    // Handle is private: an int on Unix, a HANDLE on Windows.
    using Handle = decltype(std::declval<const QSerialPort &>().handle());

    struct Counts
    {
        std::uint32_t brk = 0;
        std::uint32_t frame = 0;
        std::uint32_t overrun = 0;
        std::uint32_t parity = 0;
        std::uint32_t bufOverrun = 0;
        std::uint32_t txFull = 0;
    };

    // The faults for every counter that grew from `before` to `after`, each once however much
    // it grew, in the order break, framing, overrun, receive overflow, parity, transmit full.
    // A counter that went down (a driver that resets its counters) raises nothing.
    static QList<LineFault> faultsBetween(const Counts &before, const Counts &after);

    // Starts watching the freshly opened port `handle`: takes the counters as they stand now
    // as the baseline, and turns input checking on (some drivers count framing and parity
    // errors only with it). False when the driver offers no counters.
    bool arm(Handle handle);
    // The faults since the previous poll (or arm); none when not armed or unsupported.
    QList<LineFault> poll();
    void disarm();

private:
    std::optional<Counts> read();
    void enableInputChecking();

    Handle m_handle {};
    std::optional<Counts> m_baseline;
    Counts m_accumulated; // Windows only: flags turned into counts
};

} // namespace qie
