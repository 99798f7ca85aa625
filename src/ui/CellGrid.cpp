// SPDX-License-Identifier: MIT
#include "ui/CellGrid.h"

#include "model/Picture.h"
#include "ui/Twips.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <qdrawutil.h>

namespace qie {

CellGrid::CellGrid(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picField"));
    setFocusPolicy(Qt::StrongFocus);
    for (int k = 0; k < 3; ++k)
        m_pictures[k] = makePicture(static_cast<CellPicture>(k));
}

QColor CellGrid::colourOf(CellPicture picture)
{
    switch (picture) {
    case CellPicture::On:
        return { 255, 255, 255 };
    case CellPicture::Blocked:
        return { 192, 192, 192 };
    case CellPicture::Off:
        break;
    }
    return { 0, 0, 0 };
}

QPixmap CellGrid::makePicture(CellPicture picture)
{
    QPixmap pixmap(kPicturePixels, kPicturePixels);
    pixmap.fill(colourOf(picture));
    return pixmap;
}

void CellGrid::layOut(const QLabel &labelTemplate)
{
    const QSize size = property("twips").toRect().size();
    placeCell(0, QRect(kFirstCellTwips, size));
    for (int n = 1; n < kCellCount; ++n) {
        // Each cell from cell 0's corner and size, as the layout's template.
        const QRect cell0 = m_twips[0];
        const int left = (n % Document::kColumns) * cell0.width() + cell0.left();
        int top = (n / Document::kColumns) * cell0.height() + cell0.top();
        if (n >= Document::kColumns * Document::kBandRows)
            top += kBandGapTwips;
        placeCell(n, QRect(left, top, cell0.width(), cell0.height()));
    }
    QRect bounds;
    for (const QRect &r : m_pixels)
        bounds |= r;
    setGeometry(bounds);
    update();
    addByteLabels(labelTemplate);
}

void CellGrid::placeCell(int n, const QRect &twips)
{
    m_twips.at(n) = twips;
    m_pixels.at(n) = Twips::toPixels(twips);
}

void CellGrid::addByteLabels(const QLabel &labelTemplate)
{
    const QSize size = labelTemplate.property("twips").toRect().size();
    for (int i = 1; i <= Document::kByteColumns; ++i) {
        // Byte i's labels under the last row of its band, from its last column.
        const bool upper = i <= 8;
        const int bandLastRow = upper ? Document::kBandRows - 1 : Document::kRows - 1;
        const QRect rowCell = cellTwips(bandLastRow * Document::kColumns);
        const QRect columnCell = cellTwips(8 * (upper ? i : i - 8) - 1);
        auto *label = new QLabel(QString::number(i), parentWidget());
        label->setObjectName(QStringLiteral("lblImgbyte%1").arg(i));
        label->setFont(labelTemplate.font());
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(labelTemplate.alignment());
        const QRect twips(
            QPoint(columnCell.left() + kLabelIndentTwips, rowCell.top() + rowCell.height()), size);
        label->setProperty("twips", twips);
        label->setGeometry(Twips::toPixels(twips));
        label->adjustSize();
        // Beneath the cells, like every label.
        label->stackUnder(this);
        label->show();
    }
}

QRect CellGrid::cellRect(int n) const
{
    return m_pixels.at(n).translated(-pos());
}

int CellGrid::cellAt(QPoint pos) const
{
    const QPoint p = pos + this->pos();
    for (int n = 0; n < kCellCount; ++n) {
        if (m_pixels[n].contains(p))
            return n;
    }
    return -1;
}

void CellGrid::setPicture(int n, CellPicture picture)
{
    if (m_shown.at(n) == picture)
        return;
    m_shown[n] = picture;
    update(cellRect(n));
}

QPixmap CellGrid::tile(QSize size, CellPicture picture) const
{
    const qreal ratio = devicePixelRatioF();
    const TileKey key { size, ratio, picture };
    auto found = m_tiles.constFind(key);
    if (found != m_tiles.constEnd())
        return *found;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    // A new pixmap holds whatever its memory held. At a scale factor above 1 the border stays
    // 2 device pixels wide while the picture starts 2 logical pixels in, so device pixels
    // between them (and along the far edges at a fractional factor) would keep that garbage:
    // the picture's colour fills them, as if the picture reached the border as it does at 1.
    pixmap.fill(colourOf(picture));
    QPainter painter(&pixmap);
    const QRect box(QPoint(0, 0), size);
    qDrawWinPanel(&painter, box, palette(), true);
    // The picture from the inside's top-left corner, only as much of it as fits.
    const QRect inside = box.adjusted(kBorderPixels, kBorderPixels, -kBorderPixels, -kBorderPixels);
    painter.setClipRect(inside);
    painter.drawPixmap(inside.topLeft(), m_pictures[static_cast<int>(picture)]);
    painter.end();
    m_tiles.insert(key, pixmap);
    return pixmap;
}

void CellGrid::paintEvent(QPaintEvent *event)
{
    // Cells come in a few sizes only (15 or 16 pixels each way), so each cell is one copy of
    // a tile made once: border and picture together. A full paint stays well under a
    // millisecond, which keeps the start-up close to that of an empty window.
    QPainter painter(this);
    const QRect dirty = event->rect();
    for (int n = 0; n < kCellCount; ++n) {
        const QRect r = cellRect(n);
        if (r.intersects(dirty))
            painter.drawPixmap(r.topLeft(), tile(r.size(), m_shown[n]));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = cellRect(m_current).adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CellGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        m_tiles.clear();
    QWidget::changeEvent(event);
}

void CellGrid::mousePressEvent(QMouseEvent *event)
{
    endStroke();
    m_pressed = event->button() == Qt::LeftButton ? cellAt(event->position().toPoint()) : -1;
    if (m_pressed >= 0)
        setCurrent(m_pressed);
}

void CellGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    // Between the bands and outside the grid no cell is reached: the next cell reached joins
    // the last one by a line.
    const int n = cellAt(event->position().toPoint());
    if (n < 0 || n == (m_strokeCell < 0 ? m_pressed : m_strokeCell))
        return;
    if (m_strokeCell < 0)
        emit strokeStarted(m_pressed);
    m_strokeCell = n;
    setCurrent(n);
    emit strokeMoved(n);
}

void CellGrid::endStroke()
{
    if (m_strokeCell < 0)
        return;
    m_strokeCell = -1;
    m_pressed = -1;
    emit strokeEnded();
}

void CellGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_strokeCell >= 0 && event->button() == Qt::LeftButton)
        return endStroke();
    const int pressed = std::exchange(m_pressed, -1);
    // Like a picture box: the click belongs to the cell where the button went down, and only
    // counts when it comes up on that same cell.
    if (event->button() == Qt::LeftButton && pressed >= 0
        && cellAt(event->position().toPoint()) == pressed)
        emit clicked(pressed);
}

void CellGrid::keyPressEvent(QKeyEvent *event)
{
    const int columns = Document::kColumns;
    const int column = m_current % columns;
    const int row = m_current / columns;
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrent(row * columns + std::max(column - 1, 0));
        break;
    case Qt::Key_Right:
        setCurrent(row * columns + std::min(column + 1, columns - 1));
        break;
    case Qt::Key_Up:
        setCurrent(std::max(row - 1, 0) * columns + column);
        break;
    case Qt::Key_Down:
        setCurrent(std::min(row + 1, Document::kRows - 1) * columns + column);
        break;
    case Qt::Key_Space:
        emit clicked(m_current);
        break;
    case Qt::Key_F10:
        if (event->modifiers() != Qt::ShiftModifier)
            return QWidget::keyPressEvent(event);
        emit menuRequested(mapToGlobal(cellRect(m_current).center()));
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CellGrid::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard the menu opens at the current cell, not wherever the pointer rests.
    emit menuRequested(event->reason() == QContextMenuEvent::Mouse
                           ? event->globalPos()
                           : mapToGlobal(cellRect(m_current).center()));
}

bool CellGrid::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int n = cellAt(help->pos());
    if (n < 0) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), toolTipText(n, m_shown[n] == CellPicture::Blocked),
                           this, cellRect(n));
    }
    return true;
}

QString CellGrid::toolTipText(int n, bool blocked)
{
    const int x = Picture::xOfCell(n);
    const int y = Picture::yOfCell(n);
    return QStringLiteral("(x, y) = (%1, %2)\nbyte column %3, bit %4\n%5")
        .arg(x)
        .arg(y)
        .arg(x / 8 + 1)
        .arg(7 - x % 8)
        .arg(blocked ? QStringLiteral("blocked at the current width")
                     : QStringLiteral("open at the current width"));
}

void CellGrid::focusInEvent(QFocusEvent *event)
{
    update(cellRect(m_current));
    QWidget::focusInEvent(event);
}

void CellGrid::focusOutEvent(QFocusEvent *event)
{
    update(cellRect(m_current));
    QWidget::focusOutEvent(event);
}

void CellGrid::setCurrent(int n)
{
    if (n == m_current)
        return;
    update(cellRect(m_current));
    m_current = n;
    update(cellRect(m_current));
}

} // namespace qie
