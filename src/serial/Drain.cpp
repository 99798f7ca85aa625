// SPDX-License-Identifier: MIT
#include "serial/Drain.h"

#include "serial/CommControl.h"

#include <QEventLoop>
#include <QTimer>

namespace qie {

using std::chrono::milliseconds;

Drain::Drain(CommControl &port, Time time, QObject *parent)
    : QObject(parent), m_port(port), m_time(std::move(time))
{
    if (!m_time.now)
        m_time.now = &Clock::now;
    if (!m_time.wait)
        m_time.wait = &Drain::runEvents;
    connect(&m_port, &CommControl::portLost, this, [this](const Error &error) {
        if (!m_lost)
            m_lost = error;
    });
    m_left = m_port.queuedBytes();
    m_lastProgress = m_time.now();
    m_deadline = m_lastProgress + m_port.wireTime(m_left) + kMargin;
}

void Drain::runEvents(milliseconds step)
{
    QEventLoop loop;
    QTimer::singleShot(step, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

Drain::Outcome Drain::check()
{
    if (m_outcome != Outcome::Running)
        return m_outcome;
    // A port that went after everything had left sent it all; one that went before did not.
    const qint64 queued = m_port.queuedBytes();
    const Clock::time_point now = m_time.now();
    if (queued < m_left)
        m_lastProgress = now;
    m_left = queued;
    if (m_left == 0)
        return m_outcome = Outcome::Sent;
    if (m_lost || !m_port.portOpen())
        return m_outcome = Outcome::Lost;
    if (now - m_lastProgress >= kStallTime)
        return m_outcome = Outcome::Stalled;
    if (now >= m_deadline)
        return m_outcome = Outcome::TimedOut;
    return m_outcome;
}

Drain::Outcome Drain::waitFor(milliseconds limit)
{
    const Clock::time_point end = m_time.now() + limit;
    while (check() == Outcome::Running && m_time.now() < end)
        m_time.wait(kPollInterval);
    return m_outcome;
}

Drain::Outcome Drain::finish()
{
    while (check() == Outcome::Running)
        m_time.wait(kPollInterval);
    return m_outcome;
}

void Drain::discard()
{
    if (m_outcome == Outcome::Running)
        m_outcome = Outcome::Discarded;
    m_port.discardQueued();
}

milliseconds Drain::timeLeft() const
{
    return m_port.wireTime(m_left);
}

std::optional<Error> Drain::failure() const
{
    QString why;
    switch (m_outcome) {
    case Outcome::Running:
    case Outcome::Sent:
        return std::nullopt;
    case Outcome::Lost:
        return m_lost.value_or(Error { kErrDeviceLost,
                                       QStringLiteral("The port was closed before the bytes "
                                                      "written to it had left.") });
    case Outcome::Stalled:
        why = QStringLiteral("The device took none of them for %1 s; it is not ready or does "
                             "not read. Check the cable and the device, then send again.")
                  .arg(kStallTime.count() / 1000);
        break;
    case Outcome::TimedOut:
        why = QStringLiteral("The device took them more slowly than the line's speed allows, "
                             "and the wait ended. Check the device's speed and send again.");
        break;
    case Outcome::Discarded:
        why = QStringLiteral("They were discarded.");
        break;
    }
    return Error { kErrUnsentDiscarded,
                   QStringLiteral("%1 bytes were not sent. %2").arg(m_left).arg(why) };
}

} // namespace qie
