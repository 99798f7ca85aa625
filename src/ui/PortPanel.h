// SPDX-License-Identifier: MIT
#pragma once

#include "serial/LineFault.h"
#include "serial/PortTarget.h"
#include "serial/PortWatch.h"

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qie {

class CommControl;
class DialogService;
class ReceiveArea;
struct Error;

// The port's side of the editor window: Open and Close with their steps, Send, the boxes the
// port raises, and what the port frame's controls and the received-data area show of the
// port's state. The window's handlers call it. It keeps no port flag of its own: the control's
// portOpen() is the one truth, and the display only follows it.
//
// The boxes of faults and of a lost port are offered and posted to the dialog service, which
// decides when they show (BoxHold); the display follows the port at once all the same.
//
// With Reconnect automatically on, a lost port is watched for from the loss on: the device
// found at the last Open, wherever it comes back, whatever the box says now. A failed try is
// silent; a reopen shows as an Open does, with one marker line in the received-data area.
// Pressing Open, the end of the program and turning the item off end the watch.
class PortPanel : public QObject
{
    Q_OBJECT

public:
    // The controls it drives, all owned by the window.
    struct Controls
    {
        QLabel &label; // "Com No, =", and the port number while open
        QLineEdit &number; // the port number as typed
        QPushButton &openClose;
        QPushButton &send;
        ReceiveArea &received;
    };

    PortPanel(CommControl &port, DialogService &dialogs, const Controls &controls,
              QObject *parent = nullptr);

    // Open when closed, Close when open.
    void openOrClose();
    void send(const QByteArray &bytes);
    // A line fault's box, offered: it may be left out.
    void showLineFault(LineFault fault);
    // The port went away or a write failed: closed, and said once.
    void reportLost(const Error &error);
    // Closes an open port as the program ends; bytes that could not be sent are reported.
    void closeAtEnd();

    const PortWatch &watch() const { return m_watch; }
    // One try of the watch, as its timer makes it.
    void pollWatch() { m_watch.poll(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open();
    void close();
    void showState(bool open);
    bool reopen();
    void setReconnect(bool on);

    CommControl &m_port;
    DialogService &m_dialogs;
    Controls m_controls;
    PortWatch m_watch;
    // The device of the last successful Open and the number as it was typed then.
    std::optional<PortTarget> m_opened;
    QString m_openedText;
};

} // namespace qie
