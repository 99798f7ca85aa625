// SPDX-License-Identifier: MIT
#include "ui/MDIForm1.h"

#include "ui/FileDrop.h"
#include "ui/Form1.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSessionManager>

namespace qie {

MDIForm1::MDIForm1(DialogService &dialogs, CommControl &port, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Quernel Image Editor"));

    // The workspace keeps its own background, the platform's application workspace colour.
    m_area = new QMdiArea(this);
    m_area->setObjectName(QStringLiteral("workspace"));
    setCentralWidget(m_area);

    m_form = new Form1(dialogs, port);
    m_subWindow = m_area->addSubWindow(m_form, Qt::SubWindow | Qt::FramelessWindowHint);
    m_subWindow->setObjectName(QStringLiteral("Form1Window"));
    m_subWindow->setGeometry(Twips::toPixels(QRect(Form1::kStoredPosTwips, Form1::kClientTwips)));
    connect(m_form, &Form1::ended, this, &MDIForm1::ended);
    // Files dropped anywhere on the frame, the editor's controls included.
    connect(new FileDrop(this), &FileDrop::fileDropped, m_form, &Form1::openDropped);

    resize(Twips::toPixels(kClientTwips));

#ifndef QT_NO_SESSIONMANAGER
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &MDIForm1::commitData);
#endif
}

void MDIForm1::MDIForm_Resize()
{
    m_resizeQueued = false;
    if (!(windowState() & Qt::WindowMaximized))
        return;
    setWindowState(windowState() & ~Qt::WindowMaximized);
    hide();
    m_subWindow->setGeometry(Twips::toPixels(kEditorResetTwips));
    // The window system owns the frame's border; the position is the outer corner and the
    // size the design client area, which together give the design outer size.
    move(Twips::toPixels(kResetPosTwips));
    resize(Twips::toPixels(kClientTwips));
    show();
}

void MDIForm1::scheduleResize()
{
    // Queued: a window manager still busy maximising would otherwise undo the reset.
    if (m_resizeQueued || !(windowState() & Qt::WindowMaximized))
        return;
    m_resizeQueued = true;
    QMetaObject::invokeMethod(this, &MDIForm1::MDIForm_Resize, Qt::QueuedConnection);
}

void MDIForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        scheduleResize();
}

void MDIForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    scheduleResize();
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    // The frame closes only by the program ending, never on its own.
    event->ignore();
    m_form->requestEnd();
}

#ifndef QT_NO_SESSIONMANAGER
void MDIForm1::commitData(QSessionManager &manager)
{
    // Without leave to interact there is no one to ask; the session manager may only be
    // saving state, so the program keeps running and the system releases the port if the
    // session does end.
    if (!manager.allowsInteraction())
        return;
    const bool ends = m_form->requestEnd();
    if (!ends)
        manager.cancel();
    manager.release();
}
#endif

} // namespace qie
