// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

namespace qie {

// The one rule for every box and modal dialog of the window, wrapped around the service that
// shows them; the window and everything in it are handed this, never the service itself.
//
// - A box is up while a call that shows one runs: a question, a warning, an error box, a file
//   dialog, the picture dialogs. Windows that are not modal do not go through the service and
//   hold nothing back.
// - A line fault raised in that time, or within kQuietTime after the last box closed, is
//   dropped: a lasting fault raises one every few hundred milliseconds, and boxes opening one
//   after the other would keep Close and Exit out of reach.
// - A posted box (the port was lost, the log failed) is kept, each once, and shown when
//   kQuietTime has passed since the last box closed. So is a warning or error box asked for
//   while another box is up: boxes never stack.
// - Offered and posted boxes are shown from the event loop, never from inside the caller, so
//   that a port or reception handler returns at once and reception goes on behind any box.
class BoxHold : public QObject, public DialogService
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuietTime { 3000 };

    // The time the hold reads, and how it has itself woken from the event loop once a delay
    // has passed. Left empty: the steady clock and a single-shot timer.
    struct Time
    {
        std::function<Clock::time_point()> now;
        std::function<void(std::chrono::milliseconds delay, std::function<void()> wake)> later;
    };

    explicit BoxHold(DialogService &shown, Time time = {}, QObject *parent = nullptr);

    bool ask(const QString &title, const QString &question) override;
    void warn(const QString &title, const QString &text) override;
    void error(const Error &error) override;
    FileChoice fileDialog(const FileRequest &request) override;
    void beep() override;
    void showDrain(Drain &drain) override;
    std::optional<PictureChoice> chooseText() override;
    std::optional<PictureChoice> chooseImport(const QString &path) override;
    std::optional<ExportChoice> chooseExport(const QString &folder) override;
    std::optional<NetworkAddress> chooseNetworkPort(int number) override;
    std::optional<SendLine> chooseSendLine(const QStringList &history, SendLine::End end) override;

    void offerWarning(const QString &title, const QString &text) override;
    void postWarning(const QString &title, const QString &text) override;
    void postError(const Error &failure) override;

private:
    // A posted box: a warning, or an error box when `error` is set.
    struct Posted
    {
        QString title;
        QString text;
        std::optional<Error> error;

        bool sameAs(const Posted &other) const;
    };

    // Runs `show` as a box that is up.
    template<class Show> auto up(Show &&show);
    void closed();
    // Whether a box shown now would come too soon: one is up, or one closed lately.
    bool held() const;
    void post(Posted box);
    void wakeForPosted();
    void showPosted();

    DialogService &m_shown;
    Time m_time;
    int m_boxesUp = 0;
    std::optional<Clock::time_point> m_lastClosed;
    QList<Posted> m_posted;
    bool m_wakeAsked = false;
};

} // namespace qie
