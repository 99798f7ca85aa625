// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>

class QMdiArea;
class QMdiSubWindow;
class QSessionManager;

namespace qie {

class CommControl;
class DialogService;
class Form1;

// The frame: a workspace holding the borderless editor at its stored place, nothing else. It
// never stays maximised; maximising it resets the layout instead. Closing it, like every
// other way of closing, goes through the editor's question.
class MDIForm1 : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize kClientTwips { 15375, 9000 };
    // The layout reset: the frame's place on the screen, and the editor's in the workspace.
    static constexpr QPoint kResetPosTwips { 2500, 2500 };
    static constexpr QRect kEditorResetTwips { 0, 0, 15270, 8895 };

    MDIForm1(DialogService &dialogs, CommControl &port, QWidget *parent = nullptr);

    Form1 *editor() const { return m_form; }
    QMdiSubWindow *editorWindow() const { return m_subWindow; }
    QMdiArea *workspace() const { return m_area; }

    // Does nothing unless the frame is maximised; then makes it normal again and restores
    // the design places and sizes of both windows.
    void MDIForm_Resize();

signals:
    // Forwarded from the editor: the end sequence has run.
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void scheduleResize();
#ifndef QT_NO_SESSIONMANAGER
    void commitData(QSessionManager &manager);
#endif

    QMdiArea *m_area = nullptr;
    Form1 *m_form = nullptr;
    QMdiSubWindow *m_subWindow = nullptr;
    bool m_resizeQueued = false;
};

} // namespace qie
