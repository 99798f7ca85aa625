// SPDX-License-Identifier: MIT
#include "ui/FaultBoxThrottle.h"

#include <utility>

namespace qie {

FaultBoxThrottle::FaultBoxThrottle(std::function<Clock::time_point()> now) : m_now(std::move(now))
{ }

bool FaultBoxThrottle::offer(const std::function<void()> &showBox)
{
    if (m_boxesUp > 0 || (m_lastClosed && m_now() - *m_lastClosed < kQuietTime))
        return false;
    {
        const Hold up(*this);
        showBox();
    }
    m_lastClosed = m_now();
    return true;
}

} // namespace qie
