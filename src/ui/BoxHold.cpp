// SPDX-License-Identifier: MIT
#include "ui/BoxHold.h"

#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace qie {

using std::chrono::milliseconds;

BoxHold::BoxHold(DialogService &shown, Time time, QObject *parent)
    : QObject(parent), m_shown(shown), m_time(std::move(time))
{
    if (!m_time.now)
        m_time.now = &Clock::now;
    if (!m_time.later) {
        m_time.later = [this](milliseconds delay, std::function<void()> wake) {
            QTimer::singleShot(delay, this, std::move(wake));
        };
    }
}

template<class Show> auto BoxHold::up(Show &&show)
{
    ++m_boxesUp;
    // The time is taken when the box has closed, however long it stayed up.
    const auto closing = qScopeGuard([this] { closed(); });
    return show();
}

void BoxHold::closed()
{
    if (--m_boxesUp > 0)
        return;
    m_lastClosed = m_time.now();
    wakeForPosted();
}

bool BoxHold::held() const
{
    return m_boxesUp > 0 || (m_lastClosed && m_time.now() - *m_lastClosed < kQuietTime);
}

bool BoxHold::ask(const QString &title, const QString &question)
{
    return up([&] { return m_shown.ask(title, question); });
}

void BoxHold::warn(const QString &title, const QString &text)
{
    if (m_boxesUp > 0)
        return post({ title, text, std::nullopt });
    up([&] { m_shown.warn(title, text); });
}

void BoxHold::error(const Error &error)
{
    if (m_boxesUp > 0)
        return post({ {}, {}, error });
    up([&] { m_shown.error(error); });
}

FileChoice BoxHold::fileDialog(const FileRequest &request)
{
    return up([&] { return m_shown.fileDialog(request); });
}

void BoxHold::beep()
{
    m_shown.beep();
}

void BoxHold::showDrain(Drain &drain)
{
    up([&] { m_shown.showDrain(drain); });
}

std::optional<PictureChoice> BoxHold::chooseText()
{
    return up([&] { return m_shown.chooseText(); });
}

std::optional<PictureChoice> BoxHold::chooseImport(const QString &path)
{
    return up([&] { return m_shown.chooseImport(path); });
}

std::optional<ExportChoice> BoxHold::chooseExport(const QString &folder)
{
    return up([&] { return m_shown.chooseExport(folder); });
}

std::optional<NetworkAddress> BoxHold::chooseNetworkPort(int number)
{
    return up([&] { return m_shown.chooseNetworkPort(number); });
}

std::optional<SendLine> BoxHold::chooseSendLine(const QStringList &history, SendLine::End end)
{
    return up([&] { return m_shown.chooseSendLine(history, end); });
}

// Decided when the event loop gets to it: a box may have opened since it was raised, and this
// may be running in that box's loop. Of the faults one reading raises together, the first one
// shown holds back the others.
void BoxHold::offerWarning(const QString &title, const QString &text)
{
    m_time.later(milliseconds(0), [this, title, text] {
        if (!held())
            up([&] { m_shown.warn(title, text); });
    });
}

void BoxHold::postWarning(const QString &title, const QString &text)
{
    post({ title, text, std::nullopt });
}

void BoxHold::postError(const Error &failure)
{
    post({ {}, {}, failure });
}

bool BoxHold::Posted::sameAs(const Posted &other) const
{
    if (error.has_value() != other.error.has_value())
        return false;
    if (error)
        return error->number == other.error->number
            && error->description == other.error->description;
    return title == other.title && text == other.text;
}

void BoxHold::post(Posted box)
{
    const bool waiting = std::any_of(m_posted.cbegin(), m_posted.cend(),
                                     [&box](const Posted &other) { return other.sameAs(box); });
    if (waiting)
        return;
    m_posted.append(std::move(box));
    wakeForPosted();
}

// A box that is up wakes the posted ones when it closes; until then there is nothing to ask.
void BoxHold::wakeForPosted()
{
    if (m_posted.isEmpty() || m_boxesUp > 0 || m_wakeAsked)
        return;
    milliseconds delay(0);
    if (m_lastClosed) {
        const auto since = m_time.now() - *m_lastClosed;
        if (since < kQuietTime)
            delay = std::chrono::ceil<milliseconds>(kQuietTime - since);
    }
    m_wakeAsked = true;
    m_time.later(delay, [this] {
        m_wakeAsked = false;
        showPosted();
    });
}

void BoxHold::showPosted()
{
    if (m_posted.isEmpty())
        return;
    // A timer may fire a little early, or a box may be up: then it is asked again.
    if (held())
        return wakeForPosted();
    const Posted box = m_posted.takeFirst();
    up([&] {
        if (box.error)
            m_shown.error(*box.error);
        else
            m_shown.warn(box.title, box.text);
    });
}

} // namespace qie
