// SPDX-License-Identifier: MIT
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

class QLineEdit;

namespace qie {

class CommControl;
class DialogService;

// The port number box's context menu: the ports present now, asked of the port control when the
// menu opens, each
// with what tells it apart; choosing one puts its number in the box. Below them the box's
// own editing menu, the items that pin the adapter of the number in the box to that number or
// remove its pin, and whether a lost port is reopened when it comes back (remembered, off until
// the operator turns it on). Opens with the right button, the Menu key and Shift+F10.
//
// Device-supplied texts are shown literally. The port items' mnemonics are their digits and
// the pin items use n, m and w, the reconnect item a: none clashes with the editing menu's
// letters (u, r, t, c, p, l, s).
class PortPicker : public QObject
{
    Q_OBJECT

public:
    PortPicker(QLineEdit &box, const CommControl &port, DialogService &dialogs,
               QObject *parent = nullptr);

    // The menu as it would open now; the caller owns it.
    QMenu *createMenu();

    // Whether a lost port is to be reopened when it comes back, as the settings hold it.
    static bool reconnectEnabled();
    void setReconnectEnabled(bool on);

Q_SIGNALS:
    void reconnectChanged(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void popUp(const QPoint &globalPos);
    int numberInBox() const;
    QPoint keyboardPoint() const;

    QLineEdit &m_box;
    const CommControl &m_port;
    DialogService &m_dialogs;
    QPointer<QMenu> m_open;
};

} // namespace qie
