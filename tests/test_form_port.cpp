// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "PseudoTerminal.h"
#include "serial/SerialPortControl.h"
#include "ui/Form1.h"

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

using namespace qie;
using qie::test::FakeCommControl;
using qie::test::FakeDialogService;
using qie::test::PseudoTerminal;

namespace {

const QString kFaultTitle = QStringLiteral("通信エラー");

// The editor window seen through its controls' object names, as the operator sees it.
struct Window
{
    Form1 &form;

    QLineEdit *text2() const { return form.findChild<QLineEdit *>(QStringLiteral("Text2")); }
    QLabel *label2() const { return form.findChild<QLabel *>(QStringLiteral("Label2")); }
    QPushButton *command1() const
    {
        return form.findChild<QPushButton *>(QStringLiteral("Command1"));
    }
    QPushButton *send() const
    {
        return form.findChild<QPushButton *>(QStringLiteral("cmdSendData"));
    }
    QPlainTextEdit *received() const
    {
        return form.findChild<QPlainTextEdit *>(QStringLiteral("txtReceiveData"));
    }
    QColor areaColour() const { return received()->palette().color(QPalette::Base); }
    QColor openColour() const { return form.palette().color(QPalette::Button); }
    QColor closedColour() const { return form.palette().color(QPalette::Dark); }

    void press(QPushButton *button) const { QTest::mouseClick(button, Qt::LeftButton); }
    void setPortText(const QString &text) const
    {
        text2()->clear();
        QTest::keyClicks(text2(), text);
    }

    bool showsClosed() const
    {
        return command1()->text() == QLatin1String("Open") && !send()->isEnabled()
            && areaColour() == closedColour();
    }
    bool showsOpen() const
    {
        return command1()->text() == QLatin1String("Close") && send()->isEnabled()
            && areaColour() == openColour();
    }
};

double cpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TestFormPort : public QObject
{
    Q_OBJECT

private slots:
    // --- Against a pseudo-terminal playing the device ------------------------------------

    void openAndCloseWithPortOne()
    {
        PseudoTerminal device;
        if (!device.isValid())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", device.slavePath().toLocal8Bit());
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        QCOMPARE(w.text2()->text(), QStringLiteral("1"));
        // Without two distinct colours the state checks below would prove nothing.
        QVERIFY(w.openColour() != w.closedColour());
        QVERIFY(w.showsClosed());

        w.press(w.command1());
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(port.portOpen());
        QVERIFY(w.showsOpen());
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, = 1"));
        const termios tio = device.slaveSettings();
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QCOMPARE(cfgetispeed(&tio), speed_t(B9600));
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
        QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));

        w.press(w.command1());
        QVERIFY(!port.portOpen());
        QVERIFY(w.showsClosed());
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, ="));
        qunsetenv("QIE_COM1");
    }

    void sendDeliversTheDataTextEachPress()
    {
        PseudoTerminal device;
        if (!device.isValid())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", device.slavePath().toLocal8Bit());
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        QVERIFY(port.portOpen());

        const QByteArray data = QByteArray::fromStdString(form.model().sendData());
        QVERIFY(data.endsWith("\r\n"));
        w.press(w.send());
        QCOMPARE(device.read(data.size()), data);
        w.press(w.send());
        QCOMPARE(device.read(data.size()), data);
        QCOMPARE(device.read(1, 100), QByteArray());
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(w.showsOpen());
        qunsetenv("QIE_COM1");
    }

    void receivedChunksAreAppended_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("shown");
        const QByteArray ja = QStringLiteral("通").toUtf8();
        QTest::newRow("lines with CR LF, no break between chunks")
            << QList<QByteArray> { "OK", "\r\nREADY", "\r\n" } << QStringLiteral("OK\nREADY\n");
        QTest::newRow("a character split across two writes")
            << QList<QByteArray> { "A" + ja.left(2), ja.mid(2) + "B\r\n" }
            << QStringLiteral("A通B\n");
        QTest::newRow("CR and LF in different chunks make one break")
            << QList<QByteArray> { "one\r", "\ntwo" } << QStringLiteral("one\ntwo");
    }
    void receivedChunksAreAppended()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, shown);
        PseudoTerminal device;
        if (!device.isValid())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", device.slavePath().toLocal8Bit());
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        QVERIFY(port.portOpen());

        QString expected;
        for (const QByteArray &chunk : chunks) {
            // Wherever the operator left the caret, the newest text ends up after it.
            QTextCursor start = w.received()->textCursor();
            start.movePosition(QTextCursor::Start);
            w.received()->setTextCursor(start);
            QVERIFY(device.write(chunk));
            const int before = w.received()->document()->characterCount();
            QTRY_VERIFY(w.received()->document()->characterCount() > before
                        || chunk == QByteArray("\n"));
        }
        QTRY_COMPARE(w.received()->toPlainText(), shown);
        QCOMPARE(w.received()->textCursor().position(), shown.size());

        // Closing and opening again keeps the text; new text follows it.
        w.press(w.command1());
        QVERIFY(w.showsClosed());
        w.press(w.command1());
        QVERIFY(w.showsOpen());
        QCOMPARE(w.received()->toPlainText(), shown);
        QVERIFY(device.write("+"));
        QTRY_COMPARE(w.received()->toPlainText(), shown + QLatin1Char('+'));
        QCOMPARE(w.received()->textCursor().position(), shown.size() + 1);
        QVERIFY(dialogs.boxes.isEmpty());
        qunsetenv("QIE_COM1");
    }

    void openingAMissingDeviceShowsTheErrorBox()
    {
        qputenv("QIE_COM1", "/dev/pts/no-such-device");
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());

        QCOMPARE(dialogs.boxes.size(), 1);
        const auto box = dialogs.boxes.first();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.style, int(DialogService::OkOnly));
        QVERIFY2(box.prompt.startsWith(QStringLiteral("Number : %1\rDescription : ")
                                           .arg(int(SerialPortControl::errNoSuchPort))),
                 qPrintable(box.prompt));
        QVERIFY(!port.portOpen());
        // The attempt shows; everything else stays closed, and the next press tries again.
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, = 1"));
        QVERIFY(w.showsClosed());
        w.press(w.command1());
        QCOMPARE(dialogs.boxes.size(), 2);
        QVERIFY(w.showsClosed());
        qunsetenv("QIE_COM1");
    }

    void anEmptyPortNumberIsRefusedBeforeAnythingChanges()
    {
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.setPortText(QString());
        w.press(w.command1());
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(dialogs.boxes.first().prompt.startsWith(
            QStringLiteral("Number : %1\r").arg(int(SerialPortControl::errInvalidPortNumber))));
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, ="));
        QVERIFY(w.showsClosed());
    }

    void theDeviceHangingUpIsReportedOnce_data()
    {
        QTest::addColumn<bool>("sendAfterwards");
        QTest::newRow("idle") << false;
        QTest::newRow("Send pressed right after") << true;
    }
    void theDeviceHangingUpIsReportedOnce()
    {
        QFETCH(bool, sendAfterwards);
        PseudoTerminal device;
        if (!device.isValid())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", device.slavePath().toLocal8Bit());
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        QVERIFY(w.showsOpen());

        device.closeMaster();
        if (sendAfterwards)
            w.press(w.send());
        QTRY_COMPARE(dialogs.boxes.size(), 1);
        const auto box = dialogs.boxes.first();
        QCOMPARE(box.title, kFaultTitle);
        QCOMPARE(box.style, int(DialogService::Exclamation));
        QVERIFY(!port.portOpen());
        QVERIFY(w.showsClosed());
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, ="));

        // No second box and no spinning on the dead line.
        const double before = cpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
        QVERIFY((cpuSeconds() - before) / 0.5 < 0.25);
        QCOMPARE(dialogs.boxes.size(), 1);
        qunsetenv("QIE_COM1");
    }

    // --- Against the fake control -----------------------------------------------------

    void portNumberComesFromText2_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("port");
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("blank then 3") << " 3" << 3;
        QTest::newRow("3 then a letter") << "3a" << 3;
        QTest::newRow("letter then 3") << "a3" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("12") << "12" << 12;
        QTest::newRow("half rounds to even") << ".5" << 0;
        QTest::newRow("trailing point") << "7." << 7;
    }
    void portNumberComesFromText2()
    {
        QFETCH(QString, typed);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.setPortText(typed);
        w.press(w.command1());
        QTEST(port.commPort, "port");
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, = ") + typed);
        QCOMPARE(port.settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(port.handshaking, 0);
        QCOMPARE(port.sThreshold, 1);
        QCOMPARE(port.rThreshold, 1);
        QVERIFY(port.open);
        QVERIFY(w.showsOpen());
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void failuresLeaveTheDisplayAsFarAsItGot_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("startOpen");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("shownOpen");
        QTest::newRow("port number refused") << "commport" << false << "Com No, =" << false;
        QTest::newRow("open refused") << "open" << false << "Com No, = 1" << false;
        QTest::newRow("close refused") << "close" << true << "Com No, = 1" << true;
    }
    void failuresLeaveTheDisplayAsFarAsItGot()
    {
        QFETCH(QString, failing);
        QFETCH(bool, startOpen);
        QFETCH(QString, label);
        QFETCH(bool, shownOpen);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        if (startOpen)
            w.press(w.command1());
        const CommError failure { 8999, QStringLiteral("refused") };
        if (failing == QLatin1String("commport"))
            port.failCommPort = failure;
        else if (failing == QLatin1String("open"))
            port.failOpen = failure;
        else
            port.failClose = failure;
        w.press(w.command1());

        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes.first().prompt,
                 QStringLiteral("Number : 8999\rDescription : refused"));
        QCOMPARE(dialogs.boxes.first().title, QStringLiteral("Error"));
        QCOMPARE(w.label2()->text(), label);
        QCOMPARE(w.showsOpen(), shownOpen);
        QCOMPARE(w.showsClosed(), !shownOpen);
        QCOMPARE(port.open, shownOpen);
    }

    void threePressesOpenCloseOpen()
    {
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        QCOMPARE(port.commPort, 1);
        w.press(w.command1());
        QVERIFY(!port.open);
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, ="));
        w.setPortText(QStringLiteral("4"));
        w.press(w.command1());
        QVERIFY(port.open);
        QCOMPARE(port.commPort, 4);
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, = 4"));
        QVERIFY(w.showsOpen());
    }

    void sendWritesTheStoredTextUnchanged()
    {
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        QVERIFY(!w.send()->isEnabled());
        w.press(w.command1());
        w.press(w.send());
        w.press(w.send());
        const QString data = QString::fromStdString(form.model().sendData());
        QCOMPARE(port.written, (QStringList { data, data }));
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(w.showsOpen());
    }

    void events_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("message");
        QTest::newRow("1 transmit buffer empty") << 1 << QString();
        QTest::newRow("3 CTS") << 3 << QString();
        QTest::newRow("4 DSR") << 4 << QString();
        QTest::newRow("5 CD") << 5 << QString();
        QTest::newRow("6 ring") << 6 << QString();
        QTest::newRow("7 end of file") << 7 << QString();
        QTest::newRow("1001") << 1001 << QStringLiteral("中断信号が受信されました。");
        QTest::newRow("1004") << 1004 << QStringLiteral("フレーム エラーです。");
        QTest::newRow("1006") << 1006 << QStringLiteral("データが失われました。");
        QTest::newRow("1008") << 1008 << QStringLiteral("受信バッファがオーバーフローしました。");
        QTest::newRow("1009") << 1009 << QStringLiteral("中パリティ エラーです。");
        QTest::newRow("1010") << 1010 << QStringLiteral("送信バッファがいっぱいです。");
        QTest::newRow("1011") << 1011
                              << QStringLiteral("デバイス コントロール ブロック (DCB) "
                                                "が取得される予期しないエラーです。");
        const QString undefined = QStringLiteral("未定義のエラーが発生しました。");
        QTest::newRow("1002 CTS time-out") << 1002 << undefined;
        QTest::newRow("1003 DSR time-out") << 1003 << undefined;
        QTest::newRow("1005 unknown") << 1005 << undefined;
        QTest::newRow("1007 CD time-out") << 1007 << undefined;
        QTest::newRow("0") << 0 << undefined;
        QTest::newRow("8") << 8 << undefined;
        QTest::newRow("-1") << -1 << undefined;
        QTest::newRow("32767") << 32767 << undefined;
    }
    void events()
    {
        QFETCH(int, event);
        QFETCH(QString, message);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        port.raise(2, QStringLiteral("before"));
        port.raise(event);
        if (message.isEmpty()) {
            QVERIFY(dialogs.boxes.isEmpty());
        } else {
            QCOMPARE(dialogs.boxes.size(), 1);
            QCOMPARE(dialogs.boxes.first().prompt, message);
            QCOMPARE(dialogs.boxes.first().style, 48);
            QCOMPARE(dialogs.boxes.first().title, kFaultTitle);
        }
        // Nothing else changes: the port stays open, the area keeps its text.
        QVERIFY(port.open);
        QVERIFY(w.showsOpen());
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, = 1"));
        QCOMPARE(w.received()->toPlainText(), QStringLiteral("before"));
        // Each fault event has its own box.
        port.raise(event);
        QCOMPARE(dialogs.boxes.size(), message.isEmpty() ? 0 : 2);
    }

    void aLostPortIsShownOnceAndClosed()
    {
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        const Window w { form };
        w.press(w.command1());
        port.lose(CommError { 8110, QStringLiteral("gone") });
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes.first().prompt, QStringLiteral("gone"));
        QCOMPARE(dialogs.boxes.first().style, 48);
        QCOMPARE(dialogs.boxes.first().title, kFaultTitle);
        QVERIFY(w.showsClosed());
        QCOMPARE(w.label2()->text(), QStringLiteral("Com No, ="));
        // The next press opens again.
        w.press(w.command1());
        QVERIFY(port.open);
        QVERIFY(w.showsOpen());
    }
};

QTEST_MAIN(TestFormPort)
#include "test_form_port.moc"
