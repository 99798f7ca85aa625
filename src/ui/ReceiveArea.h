// SPDX-License-Identifier: MIT
#pragma once

#include "files/ReceiveLog.h"
#include "model/DisplayHistory.h"
#include "model/ReceivedBytes.h"
#include "ui/ReceiveText.h"

#include <QPlainTextEdit>

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
// Save received as…, Show as hex and Log to file… added.
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

    explicit ReceiveArea(QWidget *parent = nullptr);
    ~ReceiveArea() override;

    // Where the menu's file dialogs and error boxes go; until it is set, Save received as and
    // Log to file do nothing. A failed log is posted there, never shown from inside the append:
    // the append runs in the port's handler.
    void setDialogs(DialogService &dialogs) { m_dialogs = &dialogs; }

    // Appends received bytes: they are kept and logged as they are, and shown as text or hex.
    // Then the caret stands after the last character and the end is in view, wherever the
    // operator had left the caret. CR LF, a lone CR and a lone LF are each one line break,
    // also when the CR ends one chunk and the LF starts the next.
    void appendBytes(QByteArrayView bytes);

    // The background of an open port (the button colour) or of a closed one (the dark shade),
    // both from the palette of the window the area sits in.
    void showPortOpen(bool open);

    // The bytes kept, exactly as received.
    QByteArray receivedBytes() const;
    bool isHexView() const;
    bool isLogging() const { return m_log.isOpen(); }

    // The menu the area shows, built anew each time; the caller owns it.
    QMenu *createContextMenu();

    // The menu's commands.
    void clearReceived();
    void saveReceivedAs();
    void setHexView(bool hex);
    void setLogging(bool on);

protected:
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void appendShown(const QString &shown);
    void appendHex();
    void clearDisplay();
    void rebuild();
    void moveCaretToEnd();
    void popUpMenu(const QPoint &globalPos);
    void useUnshapedFont();

    DialogService *m_dialogs = nullptr;
    ReceivedBytes m_bytes { kKeptBytes };
    ReceiveText m_text;
    DisplayHistory m_history { std::size_t(kHistoryChars) };
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
};

} // namespace qie
