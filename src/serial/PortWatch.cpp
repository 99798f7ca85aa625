// SPDX-License-Identifier: MIT
#include "serial/PortWatch.h"

namespace qie {

PortWatch::PortWatch(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::poll);
}

void PortWatch::start(std::chrono::milliseconds interval, TryReopen tryReopen)
{
    m_tryReopen = std::move(tryReopen);
    m_timer.start(interval);
}

void PortWatch::stop()
{
    m_timer.stop();
    m_tryReopen = {};
}

void PortWatch::poll()
{
    if (!isWatching() || !m_tryReopen)
        return;
    // The try may stop the watch itself (a box it leads to, the program ending): a copy runs.
    const TryReopen tryReopen = m_tryReopen;
    if (!tryReopen())
        return;
    stop();
    emit reopened();
}

} // namespace qie
