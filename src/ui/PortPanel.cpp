// SPDX-License-Identifier: MIT
#include "ui/PortPanel.h"

#include "model/Numbers.h"
#include "serial/CommControl.h"
#include "serial/NetworkAddress.h"
#include "ui/DialogService.h"
#include "ui/PortPicker.h"
#include "ui/ReceiveArea.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qie {

PortPanel::PortPanel(CommControl &port, DialogService &dialogs, const Controls &controls,
                     QObject *parent)
    : QObject(parent), m_port(port), m_dialogs(dialogs), m_controls(controls)
{
    showState(false);
    // The port list is asked for when a tooltip is about to show: it stays current when an
    // adapter is plugged in later, and scanning the devices does not slow the start.
    m_controls.label.installEventFilter(this);
    m_controls.number.installEventFilter(this);
    auto *picker = new PortPicker(m_controls.number, m_port, m_dialogs, this);
    connect(picker, &PortPicker::reconnectChanged, this, &PortPanel::setReconnect);
    connect(&m_controls.received, &ReceiveArea::sendRequested, this, &PortPanel::send);
}

bool PortPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        static_cast<QWidget *>(watched)->setToolTip(m_port.ports().describe());
    return QObject::eventFilter(watched, event);
}

void PortPanel::openOrClose()
{
    if (m_port.portOpen())
        close();
    else
        open();
}

void PortPanel::close()
{
    // What could not be sent is reported after the port closed; a port that did not close
    // keeps the open display.
    const auto error = m_port.setPortOpen(false);
    showState(m_port.portOpen());
    if (error)
        m_dialogs.error(*error);
}

void PortPanel::open()
{
    m_watch.stop(); // the port the operator asks for replaces the one watched for
    const QString typed = m_controls.number.text();
    const auto port = RoundHalfEven(LenientNumber(typed.toStdString()));
    if (!port)
        return m_dialogs.error(
            { kErrOverflow, QStringLiteral("Overflow: the port number is too large.") });
    if (const auto error = m_port.setCommPort(*port))
        return m_dialogs.error(*error);
    // The number shows from here on, also when a later step is refused.
    m_controls.label.setText(QStringLiteral("Com No, = ") + typed);
    if (const auto error = m_port.openDeviceLine())
        return m_dialogs.error(*error);
    // The device is named as the port layer found it an instant ago; one that leaves again
    // this soon is told apart by the same look.
    if (const auto opened = m_port.ports().find(*port))
        m_opened = PortTarget::of(*opened);
    else
        m_opened.reset();
    m_openedText = typed;
    showState(true);
}

bool PortPanel::reopen()
{
    if (!m_opened || m_port.portOpen())
        return false;
    const std::optional<int> number = m_opened->numberIn(m_port.ports());
    // Each failure here only means "not back yet": the next try comes soon enough.
    if (!number || m_port.setCommPort(*number) || m_port.openDeviceLine())
        return false;
    m_controls.label.setText(QStringLiteral("Com No, = ") + m_openedText);
    showState(true);
    m_controls.received.addMarker(QStringLiteral("reconnected"));
    return true;
}

void PortPanel::setReconnect(bool on)
{
    if (!on)
        m_watch.stop();
}

void PortPanel::send(const QByteArray &bytes)
{
    if (const auto error = m_port.setOutput(bytes))
        return reportLost(*error);
    // A write the port refused on the way reports the loss before this; nothing was sent then.
    if (m_port.portOpen())
        m_controls.received.noteSent(bytes.size());
}

void PortPanel::showLineFault(LineFault fault)
{
    m_dialogs.offerWarning(lineFaultTitle(), lineFaultText(fault));
}

void PortPanel::reportLost(const Error &error)
{
    // A lost port can be reported twice, by a failed write and by the control's own signal;
    // the display still showing the port open tells whether this is the first report.
    const bool first = m_controls.send.isEnabled();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    showState(m_port.portOpen());
    if (first)
        m_dialogs.postWarning(lineFaultTitle(), error.description);
    if (first && m_opened && !m_port.portOpen() && PortPicker::reconnectEnabled()) {
        const auto interval = NetworkAddress::isNetworkText(m_opened->device())
            ? PortWatch::kNetworkInterval
            : PortWatch::kDeviceInterval;
        m_watch.start(interval, [this] { return reopen(); });
    }
}

void PortPanel::closeAtEnd()
{
    m_watch.stop(); // nothing may open once the program ends
    // Queued bytes that could not be sent are reported before the end. A port that refuses
    // to close is released by the system when the process ends.
    if (!m_port.portOpen())
        return;
    if (const auto error = m_port.setPortOpen(false))
        m_dialogs.error(*error);
}

void PortPanel::showState(bool open)
{
    m_controls.openClose.setText(open ? QStringLiteral("Close") : QStringLiteral("Open"));
    m_controls.send.setEnabled(open);
    m_controls.received.showPortOpen(open);
    if (!open)
        m_controls.label.setText(QStringLiteral("Com No, ="));
}

} // namespace qie
