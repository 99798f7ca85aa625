// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace qie {

class CellGrid;
class PictureEditor;

// The grid's context menu and the keys that reach the same edits:
// - Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z, Ctrl+Y) anywhere in the window except in a text box,
//   where those keys edit the text as usual;
// - Copy (Ctrl+C), Paste (Ctrl+V), Invert (Ctrl+I) and Shift (Alt+arrows) only while the grid
//   has the focus, so that text boxes keep Ctrl+C and Ctrl+V.
// No key that text editing uses (Delete, Shift+arrows) is taken. The menu shows each shortcut
// beside its item; it opens with the right button, the Menu key or Shift+F10 on the grid.
class GridMenu : public QObject
{
    Q_OBJECT

public:
    GridMenu(PictureEditor &editor, CellGrid *grid, QWidget *window);

    QMenu *menu() const { return m_menu; }
    void popup(QPoint globalPos);

private:
    QAction *add(QMenu *menu, const QString &text, const std::function<void()> &run);
    void undoOrRedo(bool redo);

    PictureEditor &m_editor;
    CellGrid *m_grid;
    QMenu *m_menu;
};

} // namespace qie
