// SPDX-License-Identifier: MIT
#include "ui/EditorStyle.h"

#include <QtTest>
#include <QtWidgets>

using namespace qie;

// The editor's style must look exactly like the style it wraps.
class TestStyle : public QObject
{
    Q_OBJECT

private slots:
    // Group boxes as the layout has them (an untitled one, a titled one) and the kinds it does
    // not, drawn by the editor's style and by plain Fusion, pixel for pixel.
    void groupBoxLooksAsFusion_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("checkable");
        QTest::newRow("untitled") << QString() << false;
        QTest::newRow("titled") << QStringLiteral("File") << false;
        QTest::newRow("untitled, checkable") << QString() << true;
    }
    void groupBoxLooksAsFusion()
    {
        QFETCH(QString, title);
        QFETCH(bool, checkable);
        EditorStyle editorStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        QImage drawn[2];
        for (int k = 0; k < 2; ++k) {
            QGroupBox box(title);
            box.setCheckable(checkable);
            box.setStyle(k == 0 ? static_cast<QStyle *>(&editorStyle) : fusion.get());
            box.resize(200, 130);
            drawn[k] = box.grab().toImage();
        }
        QCOMPARE(drawn[0], drawn[1]);
    }

    // The workspace window's title-bar icons are never made; everyone else's are.
    void titleBarIconsOnlyLeftOutForWorkspaceWindows_data()
    {
        QTest::addColumn<bool>("workspaceWindow");
        QTest::addColumn<bool>("none");
        QTest::newRow("workspace window") << true << true;
        QTest::newRow("other widget") << false << false;
    }
    void titleBarIconsOnlyLeftOutForWorkspaceWindows()
    {
        QFETCH(bool, workspaceWindow);
        QFETCH(bool, none);
        EditorStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        QMdiSubWindow window;
        QWidget widget;
        const QWidget *asking = workspaceWindow ? static_cast<QWidget *>(&window) : &widget;
        QCOMPARE(style.standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, asking).isNull(),
                 none);
    }
};

QTEST_MAIN(TestStyle)
#include "test_style.moc"
