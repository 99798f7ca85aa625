// SPDX-License-Identifier: MIT
#include "ui/CellGrid.h"

#include "ui/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace qie {

CellGrid::CellGrid(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picField"));
    setFocusPolicy(Qt::StrongFocus);
    for (int k = 0; k < 3; ++k)
        m_pictures[k] = makePicture(static_cast<CellPicture>(k));
}

QPixmap CellGrid::makePicture(CellPicture picture)
{
    QPixmap pixmap(kPicturePixels, kPicturePixels);
    switch (picture) {
    case CellPicture::Off:
        pixmap.fill(QColor(0, 0, 0));
        break;
    case CellPicture::On:
        pixmap.fill(QColor(255, 255, 255));
        break;
    case CellPicture::Blocked:
        pixmap.fill(QColor(192, 192, 192));
        break;
    }
    return pixmap;
}

void CellGrid::placeCell(int n, const QRect &twips)
{
    m_twips.at(n) = twips;
    m_pixels.at(n) = Twips::toPixels(twips);
}

void CellGrid::fitToCells()
{
    QRect bounds;
    for (const QRect &r : m_pixels)
        bounds |= r;
    setGeometry(bounds);
    update();
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

void CellGrid::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    // The sunken border of every cell in four batches, one per shade: the outer line dark at
    // the top and left, light at the bottom and right; the inner line black and button face.
    std::array<QList<QLine>, 4> shades;
    for (int n = 0; n < kCellCount; ++n) {
        const QRect r = cellRect(n);
        if (!r.intersects(dirty))
            continue;
        const int x0 = r.left(), y0 = r.top(), x1 = r.right(), y1 = r.bottom();
        shades[0] << QLine(x0, y1 - 1, x0, y0) << QLine(x0 + 1, y0, x1 - 1, y0);
        shades[1] << QLine(x0, y1, x1, y1) << QLine(x1, y0, x1, y1 - 1);
        shades[2] << QLine(x0 + 1, y1 - 2, x0 + 1, y0 + 1) << QLine(x0 + 2, y0 + 1, x1 - 2, y0 + 1);
        shades[3] << QLine(x0 + 1, y1 - 1, x1 - 1, y1 - 1) << QLine(x1 - 1, y0 + 1, x1 - 1, y1 - 2);
        // The picture from the inside's top-left corner, only as much of it as fits.
        const QRect inside
            = r.adjusted(kBorderPixels, kBorderPixels, -kBorderPixels, -kBorderPixels);
        painter.drawPixmap(inside.topLeft(), m_pictures[static_cast<int>(m_shown[n])],
                           QRect(QPoint(0, 0), inside.size()));
    }
    const QPalette::ColorRole roles[]
        = { QPalette::Dark, QPalette::Light, QPalette::Shadow, QPalette::Button };
    for (std::size_t i = 0; i < shades.size(); ++i) {
        painter.setPen(palette().color(roles[i]));
        painter.drawLines(shades[i]);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = cellRect(m_current).adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CellGrid::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? cellAt(event->position().toPoint()) : -1;
    if (m_pressed >= 0)
        setCurrent(m_pressed);
}

void CellGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = std::exchange(m_pressed, -1);
    // Like a picture box: the click belongs to the cell where the button went down, and only
    // counts when it comes up on that same cell.
    if (event->button() == Qt::LeftButton && pressed >= 0
        && cellAt(event->position().toPoint()) == pressed)
        emit clicked(pressed);
}

void CellGrid::keyPressEvent(QKeyEvent *event)
{
    const int columns = ImageModel::kColumns;
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
        setCurrent(std::min(row + 1, ImageModel::kRows - 1) * columns + column);
        break;
    case Qt::Key_Space:
        emit clicked(m_current);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
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
