// SPDX-License-Identifier: MIT
#include "ui/GridMenu.h"

#include "ui/CellGrid.h"
#include "ui/PictureEditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace qie {
namespace {

bool focusInTextBox()
{
    QWidget *focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit *>(focus) || qobject_cast<QPlainTextEdit *>(focus)
        || qobject_cast<QTextEdit *>(focus);
}

} // namespace

GridMenu::GridMenu(PictureEditor &editor, CellGrid *grid, QWidget *window)
    : QObject(window), m_editor(editor), m_grid(grid), m_menu(new QMenu(window))
{
    using Transform = PictureEdit::Transform;
    m_menu->setObjectName(QStringLiteral("gridMenu"));
    QUndoStack &stack = m_editor.undoStack();

    // Undo and redo belong to the window; a text box with the focus takes the keys first when
    // it knows them, and the check covers those it does not (a read-only box, Ctrl+Y).
    QAction *undo = add(m_menu, tr("&Undo"), [this] { undoOrRedo(false); });
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = add(m_menu, tr("&Redo"), [this] { undoOrRedo(true); });
    redo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    for (QAction *action : { undo, redo }) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    undo->setEnabled(stack.canUndo());
    redo->setEnabled(stack.canRedo());
    connect(&stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    m_menu->addSeparator();

    const auto onGrid = [grid](QAction *action, const QKeySequence &keys) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        grid->addAction(action);
    };
    onGrid(add(m_menu, tr("&Copy"), [this] { m_editor.copy(); }),
           QKeySequence(Qt::CTRL | Qt::Key_C));
    onGrid(add(m_menu, tr("&Paste"), [this] { m_editor.paste(); }),
           QKeySequence(Qt::CTRL | Qt::Key_V));
    m_menu->addSeparator();

    const auto transform = [this](Transform t) { return [this, t] { m_editor.transform(t); }; };
    add(m_menu, tr("C&lear"), transform(Transform::Clear));
    onGrid(add(m_menu, tr("In&vert"), transform(Transform::Invert)),
           QKeySequence(Qt::CTRL | Qt::Key_I));
    QMenu *shift = m_menu->addMenu(tr("S&hift"));
    shift->setObjectName(QStringLiteral("shiftMenu"));
    const struct
    {
        const char *text;
        Transform transform;
        Qt::Key key;
    } shifts[] = {
        { QT_TR_NOOP("&Left"), Transform::ShiftLeft, Qt::Key_Left },
        { QT_TR_NOOP("&Right"), Transform::ShiftRight, Qt::Key_Right },
        { QT_TR_NOOP("&Up"), Transform::ShiftUp, Qt::Key_Up },
        { QT_TR_NOOP("&Down"), Transform::ShiftDown, Qt::Key_Down },
    };
    for (const auto &s : shifts)
        onGrid(add(shift, tr(s.text), transform(s.transform)), QKeySequence(Qt::ALT | s.key));
    add(m_menu, tr("&Mirror left-right"), transform(Transform::Mirror));
    add(m_menu, tr("Flip up-&down"), transform(Transform::Flip));
    m_menu->addSeparator();

    add(m_menu, tr("&Text…"), [this] { m_editor.chooseText(); });
    add(m_menu, tr("&Import image…"), [this] { m_editor.chooseImport(); });
    add(m_menu, tr("&Export image…"), [this] { m_editor.exportImage(); });

    connect(grid, &CellGrid::menuRequested, this, &GridMenu::popup);
}

QAction *GridMenu::add(QMenu *menu, const QString &text, const std::function<void()> &run)
{
    QAction *action = menu->addAction(text);
    // Some platforms hide shortcuts in context menus; this menu is where operators learn them.
    action->setShortcutVisibleInContextMenu(true);
    connect(action, &QAction::triggered, this, run);
    return action;
}

void GridMenu::popup(QPoint globalPos)
{
    // A platform may answer Shift+F10 with a context menu event of its own as well.
    if (!m_menu->isVisible())
        m_menu->popup(globalPos);
}

void GridMenu::undoOrRedo(bool redo)
{
    if (focusInTextBox())
        return;
    if (redo)
        m_editor.redo();
    else
        m_editor.undo();
}

} // namespace qie
