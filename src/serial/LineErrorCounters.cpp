// SPDX-License-Identifier: MIT
#include "serial/LineErrorCounters.h"

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace qie {

QList<LineFault> LineErrorCounters::faultsBetween(const Counts &before, const Counts &after)
{
    QList<LineFault> faults;
    if (after.brk > before.brk)
        faults.append(LineFault::Break);
    if (after.frame > before.frame)
        faults.append(LineFault::Frame);
    if (after.overrun > before.overrun)
        faults.append(LineFault::Overrun);
    if (after.bufOverrun > before.bufOverrun)
        faults.append(LineFault::RxOver);
    if (after.parity > before.parity)
        faults.append(LineFault::RxParity);
    if (after.txFull > before.txFull)
        faults.append(LineFault::TxFull);
    return faults;
}

bool LineErrorCounters::arm(Handle handle)
{
    m_handle = handle;
    m_accumulated = {};
    // Input checking goes on whether or not this driver counts, so that garbled bytes and
    // breaks are treated alike on every port.
    enableInputChecking();
    m_baseline = read();
    return m_baseline.has_value();
}

QList<LineFault> LineErrorCounters::poll()
{
    if (!m_baseline)
        return {};
    const std::optional<Counts> now = read();
    // A port that stops answering is the device going away; the port's own error path
    // reports that, so a failed read here just means nothing new.
    if (!now)
        return {};
    QList<LineFault> faults = faultsBetween(*m_baseline, *now);
    m_baseline = now;
    return faults;
}

void LineErrorCounters::disarm()
{
    m_baseline.reset();
    m_handle = {};
}

#if defined(Q_OS_LINUX)

std::optional<LineErrorCounters::Counts> LineErrorCounters::read()
{
    serial_icounter_struct icount {};
    if (::ioctl(m_handle, TIOCGICOUNT, &icount) == -1)
        return std::nullopt;
    Counts counts;
    counts.brk = static_cast<std::uint32_t>(icount.brk);
    counts.frame = static_cast<std::uint32_t>(icount.frame);
    counts.overrun = static_cast<std::uint32_t>(icount.overrun);
    counts.parity = static_cast<std::uint32_t>(icount.parity);
    counts.bufOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    return counts;
}

// Some USB adapters (cp210x among them) only look for framing and parity errors while INPCK
// is set; without it they pass a garbled byte on silently and the counters never move. So
// INPCK goes on. IGNPAR beside it makes the line discipline drop the garbled byte instead of
// handing over a NUL in its place, and IGNBRK keeps a break from arriving as a NUL character:
// the operator learns of both from the fault message, and the received text stays what the
// device actually sent. Drivers count before the line discipline filters, so nothing is lost
// for the counters.
void LineErrorCounters::enableInputChecking()
{
    termios tio {};
    if (::tcgetattr(m_handle, &tio) == -1)
        return;
    tio.c_iflag |= INPCK | IGNPAR | IGNBRK;
    tio.c_iflag &= ~static_cast<tcflag_t>(PARMRK | BRKINT);
    ::tcsetattr(m_handle, TCSANOW, &tio);
}

#elif defined(Q_OS_WIN)

// ClearCommError both reports and resets the flags, so each reading adds one to the count of
// every flag that was set since the previous reading.
std::optional<LineErrorCounters::Counts> LineErrorCounters::read()
{
    DWORD errors = 0;
    COMSTAT status {};
    if (!::ClearCommError(m_handle, &errors, &status))
        return std::nullopt;
    if (errors & CE_BREAK)
        ++m_accumulated.brk;
    if (errors & CE_FRAME)
        ++m_accumulated.frame;
    if (errors & CE_OVERRUN)
        ++m_accumulated.overrun;
    if (errors & CE_RXPARITY)
        ++m_accumulated.parity;
    if (errors & CE_RXOVER)
        ++m_accumulated.bufOverrun;
    if (errors & CE_TXFULL)
        ++m_accumulated.txFull;
    return m_accumulated;
}

// The Windows driver checks framing and parity by itself once the DCB asks for the parity
// that is in use; there is no switch to flip.
void LineErrorCounters::enableInputChecking()
{ }

#else

std::optional<LineErrorCounters::Counts> LineErrorCounters::read()
{
    return std::nullopt;
}
void LineErrorCounters::enableInputChecking()
{ }

#endif

} // namespace qie
