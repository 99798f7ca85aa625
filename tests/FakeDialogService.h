// SPDX-License-Identifier: MIT
#pragma once

#include "serial/Drain.h"
#include "ui/BoxHold.h"
#include "ui/DialogService.h"

#include <QList>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <functional>

namespace qie::test {

// Records every box and beep and answers from queues the test fills in advance, so nothing
// ever blocks. An empty queue answers Yes to questions and "" to file dialogs.
class FakeDialogService : public DialogService
{
public:
    enum class Kind { Question, Warning, Error };
    struct Box
    {
        Kind kind = Kind::Warning;
        QString title;
        QString text; // for an error box, errorText() of the error
    };

    QList<Box> boxes;
    QList<bool> answers; // true: Yes
    QStringList fileNames;
    // Every file dialog asked for, in order; the filter each hands back is the first entry of
    // its filter.
    QList<FileRequest> fileRequests;
    int beeps = 0;
    // Runs while each box or dialog is up, as the events a modal box lets through.
    std::function<void()> whileShown;
    // Runs while each error box is up, before whileShown.
    std::function<void()> errorShown;
    // The answers of the Text…, Import and Export dialogs; empty means Cancel.
    std::optional<PictureChoice> textChoice;
    std::optional<PictureChoice> importChoice;
    std::optional<ExportChoice> exportChoice;
    int pictureDialogs = 0;
    QStringList importPaths; // the files the Import dialog was opened for
    QStringList exportFolders; // the folders the Export dialog started in
    // The answer of the network port dialog, and the port numbers it was asked for.
    std::optional<NetworkAddress> networkChoice;
    QList<int> networkDialogs;
    // The answer of the Send text… dialog (empty means Cancel), and what it was offered.
    std::optional<SendLine> sendLine;
    QStringList offeredHistory;
    std::optional<SendLine::End> offeredEnd;
    // What each drain dialog showed when it opened; Discard is pressed at once when
    // discardDrain is set, else the dialog stays until the drain ends.
    struct DrainShown
    {
        qint64 left = 0;
        std::chrono::milliseconds timeLeft {};
    };
    QList<DrainShown> drains;
    bool discardDrain = false;

    bool ask(const QString &title, const QString &question) override
    {
        boxes.append({ Kind::Question, title, question });
        shown();
        return answers.isEmpty() || answers.takeFirst();
    }
    void warn(const QString &title, const QString &text) override
    {
        boxes.append({ Kind::Warning, title, text });
        shown();
    }
    void error(const qie::Error &error) override
    {
        boxes.append({ Kind::Error, QStringLiteral("Error"), errorText(error) });
        if (errorShown)
            errorShown();
        shown();
    }
    FileChoice fileDialog(const FileRequest &request) override
    {
        fileRequests.append(request);
        shown();
        if (fileNames.isEmpty())
            return {};
        return { fileNames.takeFirst(), request.filter.section(QStringLiteral(";;"), 0, 0) };
    }
    void beep() override { ++beeps; }
    void showDrain(Drain &drain) override
    {
        drains.append({ drain.left(), drain.timeLeft() });
        shown();
        if (discardDrain)
            drain.discard();
        else
            drain.finish();
    }
    std::optional<PictureChoice> chooseText() override
    {
        ++pictureDialogs;
        shown();
        return textChoice;
    }
    std::optional<PictureChoice> chooseImport(const QString &path) override
    {
        importPaths.append(path);
        ++pictureDialogs;
        shown();
        return importChoice;
    }
    std::optional<ExportChoice> chooseExport(const QString &folder) override
    {
        exportFolders.append(folder);
        shown();
        return exportChoice;
    }
    std::optional<SendLine> chooseSendLine(const QStringList &history, SendLine::End end) override
    {
        offeredHistory = history;
        offeredEnd = end;
        shown();
        return sendLine;
    }

    std::optional<NetworkAddress> chooseNetworkPort(int number) override
    {
        networkDialogs.append(number);
        shown();
        return networkChoice;
    }

private:
    // A copy runs, so that it may replace or clear whileShown for the boxes after it.
    void shown() const
    {
        if (const std::function<void()> run = whileShown)
            run();
    }
};

// Time for a BoxHold that moves only when the test moves it: the hold reads `now`, and the
// wake-ups it asks for run when pass() brings the clock to them.
class FakeTime
{
public:
    BoxHold::Clock::time_point now {};

    BoxHold::Time time()
    {
        return { [this] { return now; },
                 [this](std::chrono::milliseconds delay, std::function<void()> wake) {
                     m_wakes.append({ now + delay, std::move(wake) });
                 } };
    }
    // Moves the clock on by `step`, running every wake-up that falls due on the way, in the
    // order of their times, the clock standing at each one's time while it runs.
    void pass(std::chrono::milliseconds step)
    {
        const BoxHold::Clock::time_point end = now + step;
        for (;;) {
            auto next = std::min_element(m_wakes.begin(), m_wakes.end(),
                                         [](const Wake &a, const Wake &b) { return a.at < b.at; });
            if (next == m_wakes.end() || next->at > end)
                break;
            const Wake wake = *next;
            m_wakes.erase(next);
            now = std::max(now, wake.at);
            wake.run();
        }
        now = std::max(now, end);
    }

private:
    struct Wake
    {
        BoxHold::Clock::time_point at;
        std::function<void()> run;
    };
    QList<Wake> m_wakes;
};

// The dialogs as the program hands them to the window: the fake behind the one hold, on a
// clock the test moves.
struct HeldDialogs
{
    FakeDialogService shown;
    FakeTime clock;
    BoxHold hold { shown, clock.time() };

    HeldDialogs() = default;
    HeldDialogs(const HeldDialogs &) = delete;
    HeldDialogs &operator=(const HeldDialogs &) = delete;
};

} // namespace qie::test
