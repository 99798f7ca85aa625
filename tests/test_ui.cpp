// SPDX-License-Identifier: MIT
#include "DataTexts.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"
#include "ui/MDIForm1.h"
#include "ui/Twips.h"

#include <QtTest>
#include <QtWidgets>

using namespace qie;
using namespace qie::test;

struct Program
{
    FakeDialogService dialogs;
    FakeCommControl port;
    MDIForm1 frame { dialogs, port };
    Program() { frame.show(); }
};

// The program's frame and editor, shown, on fakes; driven as the operator does.
class TestUi : public QObject
{
    Q_OBJECT

    std::optional<Program> m_p;

    Form1 *form() { return m_p->frame.editor(); }
    template<class T = QWidget> T *control(const QString &n) { return form()->findChild<T *>(n); }
    CellGrid *grid() { return control<CellGrid>("picField"); }
    CellPicture picture(int cell) { return grid()->picture(cell); }
    QRect editorPlace() { return m_p->frame.editorWindow()->geometry(); }
    void click(int n)
    {
        QTest::mouseClick(grid(), Qt::LeftButton, {}, grid()->cellRect(n).center());
    }
    void press(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    void setWidth(auto w)
    {
        control<QLineEdit>("txtImagByte")->setText(w);
        press("cmdUpDate");
    }

private slots:
    void init() { m_p.emplace(); }

    void places_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("n");
        QTest::addColumn<QPoint>("twips"); // no label: cell number n
        const auto row = [](const char *label, int n, int left, int top) {
            QTest::addRow("%s %d", *label ? label : "cell", n) << label << n << QPoint(left, top);
        };
        row("", 0, 120, 120);
        row("", 63, 14925, 120);
        row("", 639, 14925, 2235);
        row("", 640, 120, 2670);
        row("", 1279, 14925, 4785);
        row("lblImgbyte1", 1, 1815, 2470);
        row("lblImgbyte9", 9, 1815, 5020);
        row("lblImgbyte16", 16, 14975, 5020);
    }
    void places()
    {
        QFETCH(QString, label);
        QFETCH(int, n);
        QFETCH(QPoint, twips);
        auto *l = label.isEmpty() ? nullptr : control<QLabel>(label);
        const QRect inTwips = l ? l->property("twips").toRect() : grid()->cellTwips(n);
        const QRect inPixels = l ? l->geometry() : grid()->cellRect(n).translated(grid()->pos());
        QCOMPARE(inTwips.topLeft(), twips);
        QCOMPARE(inPixels.topLeft(), Twips::toPixels(twips));
        if (l) {
            QCOMPARE(l->isVisible(), true);
            QCOMPARE(l->text(), QString::number(n));
        } else {
            QCOMPARE(inTwips.size(), QSize(235, 235));
            QCOMPARE(inPixels, Twips::toPixels(inTwips));
        }
    }

    // The data text at start-up, after a click and after a second one: shown, sent, in lblData.
    void clickToggles_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("line");
        const auto row = [](const char *name, int cell, int row, int at, const char *hex) {
            QTest::newRow(name) << cell << row << QString(32, u'0').replace(at, 2, hex);
        };
        row("first", 0, 0, 0, "80");
        row("upper band end", 639, 9, 14, "01");
        row("lower band is byte 8", 640, 0, 16, "80");
        row("last", 1279, 9, 30, "01");
    }
    void clickToggles()
    {
        QFETCH(int, cell);
        QFETCH(int, row);
        QFETCH(QString, line);
        for (const QString &expected : { dataText(16), dataText(16, row, line), dataText(16) }) {
            QCOMPARE(form()->dataText(), expected);
            QCOMPARE(QString::fromStdString(form()->model().sendData()), expected);
            QCOMPARE(control<QLabel>("lblData")->text(), QString(expected).replace("\r\n", "\n"));
            QCOMPARE(picture(cell), expected == dataText(16) ? CellPicture::Off : CellPicture::On);
            click(cell);
        }
    }

    void blockedClickBeeps()
    {
        click(40); // byte 5, on while open
        setWidth("3");
        const QString before = form()->dataText();
        click(40);
        click(1279);
        QCOMPARE(m_p->dialogs.beeps, 2);
        QCOMPARE(form()->dataText(), before);
        QCOMPARE(picture(40), CellPicture::Blocked);
        setWidth("16");
        QCOMPARE(picture(40), CellPicture::On);
    }

    void done_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("bytes");
        QTest::newRow("past 16") << "20"
                                 << "16" << 16;
        QTest::newRow("letters") << "ab"
                                 << "1" << 1;
        QTest::newRow("into the lower band") << "9"
                                             << "9" << 9;
    }
    void done()
    {
        QFETCH(QString, typed);
        QFETCH(int, bytes);
        setWidth(typed);
        QTEST(control<QLineEdit>("txtImagByte")->text(), "shown");
        for (int g = 0; g < 16; ++g) {
            const int first = g < 8 ? 8 * g : 640 + 8 * (g - 8);
            const CellPicture want = g < bytes ? CellPicture::Off : CellPicture::Blocked;
            QCOMPARE(picture(first), want);
            QCOMPARE(picture(first + 7 + 64 * 9), want);
        }
        QCOMPARE(form()->dataText(), dataText(bytes));
    }

    // Set by a load: the callsign from the first line, the width from the last row's length.
    void textsCutToMaxLength_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("kept"); // the box is the row's name
        QTest::newRow("txtCWID") << "ABCDEFGHIJKLMNO"
                                 << "00"
                                 << "ABCDEFGHIJKL";
        QTest::newRow("txtImagByte") << "X"
                                     << "000000000000000000000"
                                     << "10";
    }
    void textsCutToMaxLength()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write((first + QString("\r\n00").repeated(9) + "\r\n" + last + "\r\n").toLatin1());
        file.close();
        m_p->dialogs.fileNames << file.fileName();
        press("cmdFileOpen2");
        QTEST(control<QLineEdit>(QTest::currentDataTag())->text(), "kept");
    }

    // A load reads at most 64 KiB for the 11 lines, and line 10 sets the width from at most
    // 32767 characters; beyond either the file is refused with its box and nothing changes.
    void loadBounds_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("boxStart");
        QTest::addColumn<QString>("boxEnd");
        const QByteArray rows = "\r\n" + QByteArray("00\r\n").repeated(9);
        const QByteArray lastOpen = rows + "F0"; // the last line without its end
        QTest::newRow("64 KiB, the last line unterminated")
            << QByteArray(65536 - lastOpen.size(), 'C') + lastOpen << "1" << QString() << QString();
        QTest::newRow("one byte more")
            << QByteArray(65537 - lastOpen.size(), 'C') + lastOpen << "16"
            << "Number : 62\r"
            << "do not end within its first 64 KB.";
        QTest::newRow("width line of 32767") << "CQ" + rows + QByteArray(32767, '0') + "\r\n"
                                             << "16" << QString() << QString();
        QTest::newRow("width line of 32768") << "CQ" + rows + QByteArray(32768, '0') + "\r\n"
                                             << "16"
                                             << "Number : 6\r"
                                             << "is longer than 32767 characters.";
    }
    void loadBounds()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, boxStart);
        QFETCH(QString, boxEnd);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("in.txt"), file));
        m_p->dialogs.fileNames << dir.filePath("in.txt");
        press("cmdFileOpen2");
        QTEST(control<QLineEdit>("txtImagByte")->text(), "width");
        const QString box = m_p->dialogs.boxes.value(0).text;
        QCOMPARE(box.left(boxStart.size()), boxStart);
        QCOMPARE(box.right(boxEnd.size()), boxEnd);
        QCOMPARE(form()->dataText() == dataText(16), !boxStart.isEmpty());
    }

    // Asked twice, by Enter on "Exit" (where the focus starts) or by closing the frame: No leaves
    // everything as it was; Yes closes the open port and ends, once.
    void exitAsks_data()
    {
        QTest::addColumn<bool>("frame");
        QTest::addColumn<bool>("ends"); // frame: closed, else "Exit" pressed
        QTest::newRow("Exit, No") << false << false;
        QTest::newRow("Exit, Yes") << false << true;
        QTest::newRow("frame, No") << true << false;
        QTest::newRow("frame, Yes") << true << true;
    }
    void exitAsks()
    {
        QFETCH(bool, frame);
        QFETCH(bool, ends);
        QSignalSpy ended(&m_p->frame, &MDIForm1::ended);
        QApplication::setActiveWindow(&m_p->frame);
        QVERIFY(QTest::qWaitForWindowActive(&m_p->frame));
        QCOMPARE(QApplication::focusWidget(), control("cmdEnd"));
        press("Command1");
        m_p->port.receive("A");
        click(12);
        const QString text = form()->dataText();
        for (int round = 1; round <= 2; ++round) {
            m_p->dialogs.answers << ends;
            frame ? void(m_p->frame.close()) : QTest::keyClick(control("cmdEnd"), Qt::Key_Return);
            QCOMPARE(m_p->dialogs.boxes.size(), ends ? 1 : round);
        }
        const auto &box = m_p->dialogs.boxes[0];
        QCOMPARE(box.text, QStringLiteral("Do you wnat to END ?"));
        QCOMPARE(box.title, QStringLiteral("Image Editor"));
        QCOMPARE(box.kind, FakeDialogService::Kind::Question);
        QCOMPARE(ended.size(), int(ends));
        QCOMPARE(m_p->port.open, !ends);
        if (!ends) // an ended program updates no display
            QCOMPARE(control("cmdSendData")->isEnabled(), true);
        QVERIFY(m_p->frame.isVisible());
        QCOMPARE(form()->dataText(), text);
        QCOMPARE(picture(12), CellPicture::On);
        QCOMPARE(control<QPlainTextEdit>("txtReceiveData")->toPlainText(), "A");
    }

    // A failed write, alone or with the control's own report: one box, the closed display;
    // opening again works.
    void lostPortReportedOnce()
    {
        m_p->port.writeError = Error { 8005, QStringLiteral("device unplugged") };
        for (bool signalToo : { false, true }) {
            press("Command1");
            m_p->port.lostOnWrite = signalToo;
            press("cmdSendData");
            QCOMPARE(m_p->dialogs.boxes.size(), signalToo ? 2 : 1);
            const auto &box = m_p->dialogs.boxes.last();
            QCOMPARE(box.text, QStringLiteral("device unplugged"));
            QCOMPARE(box.title, QStringLiteral("通信エラー"));
            QCOMPARE(box.kind, FakeDialogService::Kind::Warning);
            QCOMPARE(m_p->port.open, false);
            QCOMPARE(control("cmdSendData")->isEnabled(), false);
            QCOMPARE(control<QLabel>("Label2")->text(), "Com No, =");
        }
    }

    // From the design place and size to the stored ones on every maximise, the editor filling
    // the frame, also after the operator moved and resized it.
    void maximiseResets()
    {
        MDIForm1 &frame = m_p->frame;
        QCOMPARE(frame.size(), QSize(1025, 600));
        QCOMPARE(editorPlace(), QRect(0, -7, 1018, 593));
        for (bool moved : { false, true }) {
            if (moved) {
                frame.setGeometry(40, 30, 700, 500);
                frame.editorWindow()->move(50, 60);
            }
            frame.showMaximized();
            const QPoint stored = Twips::toPixels(QPoint(2500, 2500));
            QTRY_COMPARE(frame.isMaximized(), false);
            QTRY_COMPARE(frame.pos(), stored);
            QCOMPARE(frame.size(), Twips::toPixels(QSize(15375, 9000)));
            QCOMPARE(editorPlace(), Twips::toPixels(QRect(QPoint(), Form1::kClientTwips)));
        }
    }
};

QTEST_MAIN(TestUi)
#include "test_ui.moc"
