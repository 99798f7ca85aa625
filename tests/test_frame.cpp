// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "ui/Form1.h"
#include "ui/MDIForm1.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <memory>

using namespace qie;
using qie::test::FakeCommControl;
using qie::test::FakeDialogService;

class TestFrame : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDialogService> m_dialogs;
    std::unique_ptr<FakeCommControl> m_port;
    std::unique_ptr<MDIForm1> m_frame;

    // Waits until the frame is back from a maximise, or gives up.
    bool settled()
    {
        return QTest::qWaitFor([this] {
            return m_frame->isVisible() && !(m_frame->windowState() & Qt::WindowMaximized)
                && m_frame->pos() == Twips::toPixels(QPoint(2500, 2500));
        });
    }
    void checkResetLayout()
    {
        QVERIFY(settled());
        QCOMPARE(m_frame->windowState(), Qt::WindowNoState);
        QCOMPARE(m_frame->size(), Twips::toPixels(QSize(15375, 9000)));
        QCOMPARE(m_frame->editorWindow()->geometry(), Twips::toPixels(QRect(0, 0, 15270, 8895)));
    }

private slots:
    void init()
    {
        m_dialogs = std::make_unique<FakeDialogService>();
        m_port = std::make_unique<FakeCommControl>();
        m_frame = std::make_unique<MDIForm1>(*m_dialogs, *m_port);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup()
    {
        m_frame.reset();
        m_port.reset();
        m_dialogs.reset();
    }

    void designState()
    {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Quernel Image Editor"));
        QCOMPARE(m_frame->editor()->windowTitle(), QStringLiteral("Quernel Image Editor"));
        QCOMPARE(m_frame->size(), QSize(1025, 600));
        QCOMPARE(m_frame->editorWindow()->geometry(), QRect(0, -7, 1018, 593));
        QCOMPARE(m_frame->editor()->size(), QSize(1018, 593));
        QVERIFY(m_frame->editorWindow()->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(m_frame->windowState(), Qt::WindowNoState);
        QVERIFY(!m_frame->windowIcon().isNull());
        QCOMPARE(m_frame->windowIcon().pixmap(16, 16).toImage().pixelColor(0, 0),
                 QColor(192, 192, 192));
        QVERIFY(!m_frame->findChild<QMenuBar *>());
        QVERIFY(!m_frame->findChild<QStatusBar *>());
        QVERIFY(!m_frame->findChild<QToolBar *>());
        QCOMPARE(m_frame->workspace()->subWindowList().size(), 1);
    }

    void maximiseResets_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("showMaximized") << 0;
        QTest::newRow("window state") << 1;
        QTest::newRow("after the operator moved and resized it") << 2;
    }
    void maximiseResets()
    {
        QFETCH(int, how);
        for (int round = 0; round < 2; ++round) {
            if (how == 2) {
                m_frame->move(40, 30);
                m_frame->resize(700, 500);
                m_frame->editorWindow()->move(50, 60);
            }
            if (how == 1)
                m_frame->setWindowState(Qt::WindowMaximized);
            else
                m_frame->showMaximized();
            checkResetLayout();
        }
        QCOMPARE(m_dialogs->boxes.size(), 0);
    }

    void minimiseChangesNothing()
    {
        m_frame->showMinimized();
        QTest::qWait(20);
        m_frame->showNormal();
        QTest::qWait(20);
        QCOMPARE(m_frame->editorWindow()->geometry(), QRect(0, -7, 1018, 593));
        QCOMPARE(m_frame->size(), QSize(1025, 600));
    }

    void closeFrameAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("No") << int(DialogService::No) << false;
        QTest::newRow("Yes") << int(DialogService::Yes) << true;
    }
    void closeFrameAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, ends);
        QSignalSpy ended(m_frame.get(), &MDIForm1::ended);
        m_port->open = true;
        m_dialogs->answers << answer;
        QVERIFY(!m_frame->close());
        QCOMPARE(m_dialogs->boxes.size(), 1);
        QCOMPARE(m_dialogs->boxes[0].prompt, QStringLiteral("Do you wnat to END ?"));
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(m_port->open, !ends);
        QVERIFY(m_frame->isVisible());
        QVERIFY(m_frame->editor()->isVisible());
        // After the end nothing asks any more.
        if (ends) {
            QVERIFY(m_frame->editor()->requestEnd());
            QCOMPARE(m_dialogs->boxes.size(), 1);
        }
    }

    void focusOnExitInFrame()
    {
        QApplication::setActiveWindow(m_frame.get());
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QCOMPARE(QApplication::focusWidget(),
                 m_frame->editor()->findChild<QPushButton *>("cmdEnd"));
    }
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
