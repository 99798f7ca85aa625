// SPDX-License-Identifier: MIT
#include "ui/ReceiveArea.h"

#include "ui/LineBreaks.h"

#include <QTextCursor>

namespace qie {

ReceiveArea::ReceiveArea(QWidget *parent) : QPlainTextEdit(parent)
{
    // Read-only keeps selecting and copying; the operator cannot type.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
}

void ReceiveArea::appendReceived(const QString &chunk)
{
    if (chunk.isEmpty())
        return;
    QString text = chunk;
    if (m_endsWithCr && text.front() == u'\n')
        text.remove(0, 1);
    m_endsWithCr = chunk.back() == u'\r';

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(LineBreaks::shown(text));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void ReceiveArea::showPortOpen(bool open)
{
    const QWidget *window = parentWidget() ? parentWidget() : this;
    QPalette colours = palette();
    colours.setColor(QPalette::Base,
                     window->palette().color(open ? QPalette::Button : QPalette::Dark));
    setPalette(colours);
}

} // namespace qie
