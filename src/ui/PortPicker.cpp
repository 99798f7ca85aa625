// SPDX-License-Identifier: MIT
#include "ui/PortPicker.h"

#include "common/Settings.h"
#include "model/Numbers.h"
#include "serial/CommControl.h"
#include "ui/DialogService.h"
#include "ui/LiteralCaption.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

namespace qie {
namespace {

constexpr int kLargestInBox = 99;
const QString kReconnectKey = QStringLiteral("port/reconnect");

// A device's own text as a menu shows it literally: no mnemonic, no tab column, one line.
QString literal(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return literalCaption(text);
}

QString itemText(const PortLocator::Port &port)
{
    // Digits as mnemonics, only where one key names one port.
    const QString number
        = port.number <= 9 ? QStringLiteral("&%1").arg(port.number) : QString::number(port.number);
    if (!port.present())
        return QStringLiteral("%1: pinned %2, not plugged in").arg(number, literal(port.pin->name));
    if (port.fromEnvironment)
        return QStringLiteral("%1: %2 (QIE_COM%3)")
            .arg(number, literal(port.device()))
            .arg(port.number);
    const PortLocator::Adapter &a = port.adapter;
    QStringList parts;
    if (!a.description.isEmpty())
        parts << literal(a.description);
    if (!a.manufacturer.isEmpty())
        parts << QStringLiteral("made by %1").arg(literal(a.manufacturer));
    if (!a.serialNumber.isEmpty())
        parts << QStringLiteral("serial number %1").arg(literal(a.serialNumber));
    if (const QString ids = PortLocator::usbIds(a); !ids.isEmpty())
        parts << ids;
    if (!a.byId.isEmpty())
        parts << QStringLiteral("/dev/serial/by-id/%1").arg(literal(a.byId));
    if (port.pinned())
        parts << QStringLiteral("pinned");
    QString text = QStringLiteral("%1: %2").arg(number, literal(port.device()));
    if (!parts.isEmpty())
        text += QStringLiteral(" \u2014 ") + parts.join(QStringLiteral(", "));
    return text;
}

} // namespace

PortPicker::PortPicker(QLineEdit &box, const CommControl &port, DialogService &dialogs,
                       QObject *parent)
    : QObject(parent), m_box(box), m_port(port), m_dialogs(dialogs)
{
    m_box.installEventFilter(this);
}

int PortPicker::numberInBox() const
{
    const auto n = RoundHalfEven(LenientNumber(m_box.text().toStdString()));
    return n ? *n : 0;
}

QMenu *PortPicker::createMenu()
{
    QMenu *menu = m_box.createStandardContextMenu();
    QAction *editing = menu->actions().value(0);
    const PortLocator ports = m_port.ports();
    QList<QAction *> items;
    for (const PortLocator::Port &port : ports.list()) {
        // The box holds two digits: a larger number cannot be chosen into it.
        if (port.number > kLargestInBox)
            continue;
        auto *item = new QAction(itemText(port), menu);
        item->setEnabled(port.present());
        connect(item, &QAction::triggered, this,
                [this, n = port.number] { m_box.setText(QString::number(n)); });
        items << item;
    }
    if (items.isEmpty()) {
        auto *none = new QAction(QStringLiteral("No serial port found"), menu);
        none->setEnabled(false);
        items << none;
    }
    menu->insertActions(editing, items);
    menu->insertSeparator(editing);

    const int n = numberInBox();
    const std::optional<PortLocator::Port> current = ports.find(n);
    if (current && current->pinned()) {
        auto *unpin = new QAction(QStringLiteral("Re&move the pin of port %1").arg(n), menu);
        connect(unpin, &QAction::triggered, this, [n] { PortLocator::unpin(n); });
        menu->insertAction(editing, unpin);
    } else {
        auto *pin = new QAction(QStringLiteral("Pi&n this adapter as port %1").arg(n), menu);
        pin->setEnabled(current && current->present() && !current->fromEnvironment);
        // Pinned as the ports are when it is chosen, not when the menu opened.
        connect(pin, &QAction::triggered, this, [this, n] {
            if (const std::optional<Error> refused = m_port.ports().pin(n))
                m_dialogs.warn(QStringLiteral("Image Editor"), refused->description);
        });
        menu->insertAction(editing, pin);
    }
    auto *network = new QAction(tr("Pin a net&work port as port %1\u2026").arg(n), menu);
    // QIE_COM<n> overrides any pin of n: pinning it would do nothing.
    network->setEnabled(n >= PortLocator::kFirstPortNumber && n <= kLargestInBox
                        && !(current && current->fromEnvironment));
    connect(network, &QAction::triggered, this, [this, n] {
        if (const std::optional<NetworkAddress> address = m_dialogs.chooseNetworkPort(n))
            PortLocator::pinNetworkPort(n, *address);
    });
    menu->insertAction(editing, network);
    menu->insertSeparator(editing);

    auto *reconnect = new QAction(tr("Reconnect &automatically"), menu);
    reconnect->setCheckable(true);
    reconnect->setChecked(reconnectEnabled());
    connect(reconnect, &QAction::toggled, this, &PortPicker::setReconnectEnabled);
    menu->insertAction(editing, reconnect);
    menu->insertSeparator(editing);
    return menu;
}

bool PortPicker::reconnectEnabled()
{
    return Settings::value(kReconnectKey, false).toBool();
}

void PortPicker::setReconnectEnabled(bool on)
{
    Settings::setValue(kReconnectKey, on);
    emit reconnectChanged(on);
}

// Where a menu asked for from the keyboard opens: under the box, as a drop-down would.
QPoint PortPicker::keyboardPoint() const
{
    return m_box.mapToGlobal(QPoint(0, m_box.height()));
}

void PortPicker::popUp(const QPoint &globalPos)
{
    // Some platforms send both the Menu key and a context menu request made from it.
    if (m_open && m_open->isVisible())
        return;
    QMenu *menu = createMenu();
    m_open = menu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

bool PortPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_box)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ContextMenu) {
        const auto *request = static_cast<QContextMenuEvent *>(event);
        popUp(request->reason() == QContextMenuEvent::Mouse ? request->globalPos()
                                                            : keyboardPoint());
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)
            || (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier)) {
            popUp(keyboardPoint());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qie
