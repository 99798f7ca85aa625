// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace qie {

// Waits for a lost port to come back: it calls "try to reopen now" at a steady interval until
// one try succeeds or the watch is stopped. What a try does (find the device, open it) and what
// a failed try means is the caller's; the watch only keeps the rhythm, so that a serial device
// and a network port use the same one at their own pace.
class PortWatch : public QObject
{
    Q_OBJECT

public:
    // A device node is looked for four times a second: back within a second of its return,
    // and no busier than that while the adapter stays away.
    static constexpr std::chrono::milliseconds kDeviceInterval { 250 };
    // A network server is asked at most once a second.
    static constexpr std::chrono::milliseconds kNetworkInterval { 1000 };

    // True when the port is open again.
    using TryReopen = std::function<bool()>;

    explicit PortWatch(QObject *parent = nullptr);

    // Starts watching anew, replacing a watch already running. The first try comes after one
    // interval: the device has only just gone.
    void start(std::chrono::milliseconds interval, TryReopen tryReopen);
    void stop();
    bool isWatching() const { return m_timer.isActive(); }
    std::chrono::milliseconds interval() const { return m_timer.intervalAsDuration(); }

    // One try, as the timer makes it; tests call it instead of waiting.
    void poll();

Q_SIGNALS:
    void reopened();

private:
    QTimer m_timer;
    TryReopen m_tryReopen;
};

} // namespace qie
