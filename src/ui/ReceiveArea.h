// SPDX-License-Identifier: MIT
#pragma once

#include "files/ReceiveLog.h"
#include "model/DisplayHistory.h"
#include "model/ReceivedBytes.h"
#include "ui/ReceiveText.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QStringList>
#include <chrono>
#include <functional>

class QAction;
class QMenu;

namespace qie {

class DialogService;

// The received-data area: what the device sent, as text or as a hex dump, the most recent
// kHistoryChars characters of it, with the caret after the last character and the end in view
// after every append. The operator can select and copy but never type.
//
// Besides the display it keeps the received bytes exactly as they arrived (the most recent
// kKeptBytes), which Save and the hex view read, and it can log every byte to a file. Its
// context menu (right button, Menu key, Shift+F10) is the standard read-only one with Clear,
// Save received as…, Show as hex, Log to file…, Show timestamps, Show sent data and
// Send text… added; the two Show items are remembered.
//
// The text view can start each line with the time its first byte arrived, and shows marker
// lines of its own ("--- sent 5 bytes 12:00:00 ---") in another colour. Both are display
// only: the bytes kept, saved and logged are the bytes received. A marker never splits a
// received line: it waits for the line's end, or for a second of silence, after which the
// received line continues below it. The hex view shows neither; its rows take 16, 8 or 4
// bytes, with or without the character column, whichever is the widest that fits.
//
// Appending costs the same whatever the history holds and however long the current line is:
// the text is bounded, runs without line ends are broken, and lines are kept in the document
// a few to a paragraph, so that a flood of short lines does not make a paragraph each.
class ReceiveArea : public QPlainTextEdit
{
    Q_OBJECT

public:
    // The history bound, in characters of the display (documented in the README).
    static constexpr qsizetype kHistoryChars = qsizetype(256) * 1024;
    static constexpr std::size_t kKeptBytes = ReceivedBytes::kDefaultCapacityBytes;

    // The local time, and a call made `delay` from now; tests move both themselves.
    struct Time
    {
        std::function<QDateTime()> now;
        std::function<void(std::chrono::milliseconds delay, std::function<void()> call)> after;
    };

    struct HexLayout
    {
        int bytesPerRow = 16;
        bool characters = true;
        bool operator==(const HexLayout &) const = default;
    };

    explicit ReceiveArea(QWidget *parent = nullptr);
    ~ReceiveArea() override;

    // Where the menu's file dialogs and error boxes go; until it is set, Save received as and
    // Log to file do nothing. A failed log is posted there, never shown from inside the append:
    // the append runs in the port's handler.
    void setDialogs(DialogService &dialogs) { m_dialogs = &dialogs; }
    void setTime(Time time) { m_time = std::move(time); }

    // Appends received bytes: they are kept and logged as they are, and shown as text or hex.
    // Then the caret stands after the last character and the end is in view, wherever the
    // operator had left the caret. CR LF, a lone CR and a lone LF are each one line break,
    // also when the CR ends one chunk and the LF starts the next.
    void appendBytes(QByteArrayView bytes);

    // The background of an open port (the button colour) or of a closed one (the dark shade),
    // both from the palette of the window the area sits in.
    void showPortOpen(bool open);

    // A marker line "--- <what> HH:MM:SS ---" at the time of the call, in the text view.
    void addMarker(const QString &what);
    // `count` bytes were sent: a marker when Show sent data is on.
    void noteSent(qsizetype count);

    // The bytes kept, exactly as received.
    QByteArray receivedBytes() const;
    bool isHexView() const;
    bool isLogging() const { return m_log.isOpen(); }
    bool showsTimestamps() const;
    bool showsSent() const;
    HexLayout hexLayout() const { return m_hexLayout; }

    // The menu the area shows, built anew each time; the caller owns it.
    QMenu *createContextMenu();

    // The menu's commands.
    void clearReceived();
    void saveReceivedAs();
    void setHexView(bool hex);
    void setLogging(bool on);
    void setTimestamps(bool on);
    void setShowSent(bool on);
    // The Send text… dialog; the line typed is handed on through sendRequested.
    void sendText();

Q_SIGNALS:
    // Bytes for the device (a line from Send text…, as typed, with its line end).
    void sendRequested(const QByteArray &bytes);

protected:
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void appendShown(const QString &shown, bool marker = false);
    void appendText(QByteArrayView bytes);
    void showMarkers();
    void waitForSilence();
    void endLineAfterSilence();
    HexLayout fittingHexLayout() const;
    void appendHex();
    void clearDisplay();
    void rebuild();
    void moveCaretToEnd();
    void popUpMenu(const QPoint &globalPos);
    void useUnshapedFont();

    DialogService *m_dialogs = nullptr;
    Time m_time;
    // When the last bytes arrived, for the markers' wait.
    QDateTime m_lastArrival;
    QStringList m_markers; // waiting for the line's end
    bool m_wakeAsked = false;
    bool m_portOpen = false;
    HexLayout m_hexLayout;
    ReceivedBytes m_bytes;
    ReceiveText m_text;
    DisplayHistory m_history;
    ReceiveLog m_log;
    // Characters in the document's last paragraph, to know when to start the next one.
    qsizetype m_paragraphChars = 0;
    // The hex view's last line while it has fewer than 16 bytes: its length in characters.
    qsizetype m_openHexChars = 0;
    // The offset of the first byte the hex view has not written as a full line yet.
    std::uint64_t m_hexNext = 0;

    QAction *m_clearAction = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_hexAction = nullptr;
    QAction *m_logAction = nullptr;
    QAction *m_stampAction = nullptr;
    QAction *m_sentAction = nullptr;
    QAction *m_sendTextAction = nullptr;
};

} // namespace qie
