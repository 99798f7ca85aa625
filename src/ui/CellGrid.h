// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"
#include "model/EditorView.h"

#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <array>

class QLabel;

namespace qie {

// The 1280 cells as one widget that looks and acts like 1280 picture boxes: each cell has its
// own place in twips, a sunken border and one of three pictures, drawn from its top-left
// corner and clipped; a press and release of the left button on the same cell is one click.
// Dragging from that cell to others is a stroke instead: the grid reports the cells the pointer
// reaches, and the editor fills the line between them. Hovering a cell shows where it lies in
// the picture and in the data text.
// Where no cell lies (the strip between the bands) the widget is transparent, so the labels
// beneath it show through, as they would between separate boxes.
//
// The grid lays itself out in its parent: its "twips" property (set before layOut()) is cell
// 0's rectangle as designed, whose size every cell takes.
class CellGrid : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kCellCount = Document::kCellCount;
    // The three pictures are 18 x 18 pixels, larger than a cell's inside on purpose.
    static constexpr int kPicturePixels = 18;
    // The sunken border of a picture box.
    static constexpr int kBorderPixels = 2;

    // Where cell 0 goes, and the strip between the bands, in twips of the parent.
    static constexpr QPoint kFirstCellTwips { 120, 120 };
    static constexpr int kBandGapTwips = 200;
    // The byte-column labels sit this far right of their byte's last column.
    static constexpr int kLabelIndentTwips = 50;

    explicit CellGrid(QWidget *parent = nullptr);

    // Places the 1280 cells, the lower band below the upper one, and fits the widget to them;
    // then makes the 16 byte-column labels "1" to "16" (lblImgbyte1..16) in the parent, under
    // each band's byte columns, beneath the grid, each a copy of `labelTemplate` (font,
    // alignment, size in twips) moved into place.
    void layOut(const QLabel &labelTemplate);
    QRect cellTwips(int n) const { return m_twips.at(n); }

    // Cell n's rectangle in pixels of this widget; cellAt() is its inverse (-1: no cell).
    QRect cellRect(int n) const;
    int cellAt(QPoint pos) const;

    void setPicture(int n, CellPicture picture);
    CellPicture picture(int n) const { return m_shown.at(n); }
    static QPixmap makePicture(CellPicture picture);
    // The one colour of each picture: black, white or silver.
    static QColor colourOf(CellPicture picture);

    // The cell that keyboard use acts on.
    int currentCell() const { return m_current; }

    // The tooltip of cell n: picture coordinates, byte column 1..16 and bit, and whether the
    // mask of the last "Done" blocks it.
    static QString toolTipText(int n, bool blocked);

signals:
    void clicked(int n);
    // A drag left the pressed cell n; strokeMoved follows for every cell the pointer reaches
    // (not those it jumps over), strokeEnded when the button comes up. No click follows.
    void strokeStarted(int n);
    void strokeMoved(int n);
    void strokeEnded();
    // The right button, the Menu key or Shift+F10; `globalPos` is where the menu belongs.
    void menuRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // Cell n at a rectangle in twips of the parent.
    void placeCell(int n, const QRect &twips);
    void addByteLabels(const QLabel &labelTemplate);
    void setCurrent(int n);
    void endStroke();
    // Border and picture of a cell of this size, made on first use.
    QPixmap tile(QSize size, CellPicture picture) const;

    std::array<QRect, kCellCount> m_twips {};
    // In pixels of the parent, derived from m_twips edge by edge.
    std::array<QRect, kCellCount> m_pixels {};
    std::array<CellPicture, kCellCount> m_shown {};
    std::array<QPixmap, 3> m_pictures;
    // Every field whole: a tile made for one size, scale or picture is never shown for another.
    struct TileKey
    {
        QSize size;
        qreal ratio = 1;
        CellPicture picture = CellPicture::Off;
        bool operator==(const TileKey &) const = default;
        friend size_t qHash(const TileKey &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.size.width(), key.size.height(), key.ratio,
                              static_cast<int>(key.picture));
        }
    };
    mutable QHash<TileKey, QPixmap> m_tiles;
    int m_pressed = -1;
    // The last cell a stroke reached; -1 while no stroke is under way.
    int m_strokeCell = -1;
    int m_current = 0;
};

} // namespace qie
