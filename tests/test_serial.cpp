// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "serial/LineErrorCounters.h"
#include "serial/SerialPortControl.h"
#include "ui/Form1.h"

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using Counts = LineErrorCounters::Counts;
using Faults = QList<LineFault>;
using Kind = FakeDialogService::Kind;
using Port = SerialPortControl;

namespace {

// A pseudo-terminal the test plays the device on through the master side; the control opens the
// slave. openpty's own slave descriptor is closed at once, so that nobody else holds the device.
struct PseudoTerminal
{
    int master = -1;
    QString slavePath; // empty when none could be made

    PseudoTerminal()
    {
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        slavePath = QString::fromLocal8Bit(::ptsname(master));
        ::close(slave);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~PseudoTerminal() { hangUp(); }

    // The device going away: the slave sees a hang-up.
    void hangUp() { ::close(std::exchange(master, -1)); }
    bool write(const QByteArray &b) { return ::write(master, b.data(), b.size()) == b.size(); }
    // What the control wrote, waiting with the event loop running for `expected` bytes.
    QByteArray read(qsizetype expected, int timeoutMs = 3000)
    {
        QByteArray got;
        char buffer[4096];
        for (QDeadlineTimer end(timeoutMs); got.size() < expected && !end.hasExpired();) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            n > 0 ? void(got.append(buffer, n)) : QTest::qWait(5);
        }
        return got;
    }
};

QString box(const QString &title, Kind kind, const QString &text)
{
    return QStringLiteral("%1 (%2): %3").arg(title).arg(int(kind)).arg(text);
}
const QString kFaultBox = box(QStringLiteral("通信エラー"), Kind::Warning, {});

// The editor window on a port control, with `typed` in Text2 and Open pressed, seen through its
// controls' names.
struct Window
{
    FakeDialogService dialogs;
    Form1 form;

    Window(CommControl &port, const QString &typed) : form(dialogs, port)
    {
        get<QLineEdit>("Text2")->setText(typed);
        press("Command1");
    }
    template<class T> T *get(const char *name) { return form.findChild<T *>(QLatin1String(name)); }
    QString label2() { return get<QLabel>("Label2")->text(); }
    QPlainTextEdit *area() { return get<QPlainTextEdit>("txtReceiveData"); }
    void press(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    // Caption, Send and the area's colour all agree on the port state.
    bool shows(bool open)
    {
        const QColor colour = form.palette().color(open ? QPalette::Button : QPalette::Dark);
        return get<QPushButton>("Command1")->text() == QLatin1String(open ? "Close" : "Open")
            && get<QPushButton>("cmdSendData")->isEnabled() == open
            && area()->palette().color(QPalette::Base) == colour;
    }
    QStringList boxes()
    {
        QStringList shown;
        for (const FakeDialogService::Box &b : dialogs.boxes)
            shown << box(b.title, b.kind, b.text);
        return shown;
    }
};

// The line settings that matter: speeds, framing and flow control, and the conversions that must
// stay off so that bytes pass unchanged and line faults reach the driver's counters. Attribute
// requests on a pseudo-terminal's master act on its slave.
QList<uint> lineOf(int fd)
{
    termios t {};
    ::tcgetattr(fd, &t);
    const tcflag_t c = t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS);
    const tcflag_t i
        = t.c_iflag & (IXON | IXOFF | INPCK | IGNPAR | IGNBRK | PARMRK | ICRNL | INLCR | IGNCR);
    return {
        cfgetispeed(&t), cfgetospeed(&t), c, i, t.c_lflag & (ICANON | ECHO), t.c_oflag & OPOST
    };
}

// A raw line without flow control (a pseudo-terminal keeps 8 bits without parity).
QList<uint> rawLine(speed_t speed, tcflag_t stopBits = 0)
{
    return { speed, speed, CS8 | stopBits, INPCK | IGNPAR | IGNBRK, 0, 0 };
}

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

    std::unique_ptr<PseudoTerminal> m_device;

private slots:
    void init()
    {
        m_device = std::make_unique<PseudoTerminal>();
        if (m_device->slavePath.isEmpty())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", m_device->slavePath.toLocal8Bit());
    }
    void cleanup()
    {
        for (const char *variable : { "QIE_COM1", "QIE_COM3", "QIE_COM99" })
            qunsetenv(variable);
    }

    // A session on port 1: open, Send twice, receive, close and open again, then the operator
    // closes or the device hangs up.
    void session_data()
    {
        // ending 0: Close pressed, 1: hang-up, 2: hang-up and Send
        columns<QList<QByteArray>, QString, int>("chunks", "shown", "ending");
        const QByteArray ja = QStringLiteral("通").toUtf8();
        QTest::newRow("CR LF lines, a character split across two writes; closed")
            << QList<QByteArray> { "OK", "\r\nA" + ja.left(2), ja.mid(2) + "B\r\n" }
            << QStringLiteral("OK\nA通B\n") << 0;
        QTest::newRow("a character in three writes; the device hangs up")
            << QList<QByteArray> { ja.left(1), ja.mid(1, 1), ja.mid(2) } << QStringLiteral("通")
            << 1;
        QTest::newRow("hangs up, Send pressed right after")
            << QList<QByteArray> {} << QString() << 2;
    }
    void session()
    {
        const auto [chunks, shown, ending]
            = fetch<QList<QByteArray>, QString, int>("chunks", "shown", "ending");
        SerialPortControl port;
        QSignalSpy reads(&port, &CommControl::dataReceived);
        Window w(port, QStringLiteral("1"));
        QVERIFY(w.form.palette().color(QPalette::Button) != w.form.palette().color(QPalette::Dark));
        QVERIFY(port.portOpen() && w.shows(true));
        QCOMPARE(w.label2(), QStringLiteral("Com No, = 1"));
        QCOMPARE(lineOf(m_device->master), rawLine(B9600));
        const QByteArray data = QByteArray::fromStdString(w.form.model().sendData());
        QVERIFY(!data.isEmpty());
        w.press("cmdSendData"), w.press("cmdSendData");
        QCOMPARE(m_device->read(2 * data.size()), data + data);
        QCOMPARE(m_device->read(1, 100), QByteArray());

        for (const QByteArray &chunk : chunks) {
            // Wherever the operator left the caret, new text goes to the end.
            w.area()->moveCursor(QTextCursor::Start);
            const qsizetype before = reads.size();
            QVERIFY(m_device->write(chunk));
            QTRY_VERIFY(reads.size() > before);
        }
        w.press("Command1"), w.press("Command1");
        QVERIFY(m_device->write("+"));
        QTRY_COMPARE(w.area()->toPlainText(), shown + QLatin1Char('+'));
        QCOMPARE(w.area()->textCursor().position(), shown.size() + 1);

        ending == 0 ? w.press("Command1") : m_device->hangUp();
        if (ending == 2)
            w.press("cmdSendData");
        QTRY_VERIFY(!port.portOpen() && w.shows(false));
        QCOMPARE(w.label2(), QStringLiteral("Com No, ="));
        // Quiet afterwards: one box at most, no notifier spinning on a dead descriptor.
        const std::clock_t before = std::clock();
        QTest::qWait(500);
        QVERIFY(double(std::clock() - before) / CLOCKS_PER_SEC < 0.125);
        QCOMPARE(w.boxes().size(), ending == 0 ? 0 : 1);
        QVERIFY(ending == 0 || w.boxes()[0].startsWith(kFaultBox + "Port 1"));
        QVERIFY(ending == 0 || w.boxes()[0].contains(QLatin1String("the device is gone")));
    }

    // Label2 shows every attempt whose number was taken; a failure leaves the rest closed.
    void openWithText2_data()
    {
        columns<QString, QString, int>("typed", "setup", "number"); // the error shown, 0: opened
        const auto row = [](const char *typed, const char *setup, int number) {
            QTest::addRow("'%s' %s", typed, setup) << typed << setup << number;
        };
        row(" 3", "", 0), row("3a", "", 0), row("99", "", 0);
        row("a3", "", Port::errInvalidPortNumber), row("", "", Port::errInvalidPortNumber);
        row("1", "missing", Port::errNoSuchPort), row("1", "held", Port::errPortInUse);
        if (::geteuid() != 0) // root may open any device
            row("1", "denied", Port::errPermissionDenied);
    }
    void openWithText2()
    {
        const auto [typed, setup, number]
            = fetch<QString, QString, int>("typed", "setup", "number");
        const QByteArray slave = m_device->slavePath.toLocal8Bit();
        qputenv("QIE_COM1", setup == u"missing" ? "/dev/pts/none" : slave);
        qputenv("QIE_COM3", slave);
        qputenv("QIE_COM99", slave);
        QFile holder(m_device->slavePath);
        if (setup == u"held")
            QVERIFY(holder.open(QIODevice::ReadWrite));
        if (setup == u"denied")
            QVERIFY(holder.setPermissions({}));

        SerialPortControl port;
        Window w(port, typed);
        QVERIFY(port.portOpen() == (number == 0) && w.shows(number == 0));
        const bool taken = number != int(Port::errInvalidPortNumber); // the number was read
        QCOMPARE(w.label2(), QStringLiteral("Com No, =") + (taken ? " " + typed : QString()));
        QCOMPARE(w.boxes().size(), number == 0 ? 0 : 1);
        const QString head = QStringLiteral("Number : %1\rDescription : ").arg(number);
        QVERIFY(number == 0 || w.boxes()[0].startsWith(box("Error", Kind::Error, head)));
        QVERIFY(w.boxes().isEmpty() || w.boxes()[0].count(QLatin1String("/dev/pts/none")) <= 1);
    }

    // Beyond what the window asks for: settings given as text, and settings the port refuses,
    // which keep the last good ones.
    void settingsText_data()
    {
        columns<QString, bool, QList<uint>>("settings", "valid", "line");
        QTest::newRow("2 stops") << "19200,n,8,2" << true << rawLine(B19200, CSTOPB);
        for (const char *bad :
             { "19200,n,8", "", "19200,x,8,1", "9601,n,8,1", "19200,n,9,1", "19200,n,8,1.5" })
            QTest::addRow("'%s'", bad) << bad << false << rawLine(B4800);
    }
    void settingsText()
    {
        const auto [settings, valid] = fetch<QString, bool>("settings", "valid");
        SerialPortControl control;
        QVERIFY(!control.setCommPort(1));
        QVERIFY(!control.setSettings(*LineSettings::fromText(QStringLiteral("4800,n,8,1"))));
        const std::optional<LineSettings> parsed = LineSettings::fromText(settings);
        QCOMPARE(parsed.has_value(), valid);
        if (parsed)
            QCOMPARE(control.setSettings(*parsed).has_value(), false);
        QCOMPARE(control.setPortOpen(true).has_value(), false);
        QTEST(lineOf(m_device->master), "line");
    }

    void invalidSettingsRefused_data()
    {
        columns<LineSettings>("settings");
        const LineSettings good { 19200, QSerialPort::NoParity, QSerialPort::Data8,
                                  QSerialPort::OneStop };
        LineSettings row = good;
        QTest::newRow("9601 baud") << (row.baudRate = 9601, row);
        row = good;
        QTest::newRow("9 data bits") << (row.dataBits = QSerialPort::DataBits(9), row);
        row = good;
        QTest::newRow("1.5 stop bits") << (row.stopBits = QSerialPort::OneAndHalfStop, row);
        row = good;
        QTest::newRow("unknown parity") << (row.parity = QSerialPort::Parity(1), row);
    }
    void invalidSettingsRefused()
    {
        QFETCH(LineSettings, settings);
        SerialPortControl control;
        QVERIFY(!control.setCommPort(1));
        QVERIFY(!control.setSettings(*LineSettings::fromText(QStringLiteral("4800,n,8,1"))));
        const std::optional<Error> refused = control.setSettings(settings);
        QCOMPARE(refused.value_or(Error {}).number, int(SerialPortControl::errInvalidSettings));
        QCOMPARE(control.setPortOpen(true).has_value(), false);
        QCOMPARE(lineOf(m_device->master), rawLine(B4800));
    }

    // Counters as break, framing, overrun, parity, receive overflow, transmit full.
    void lineFaultsBecomeEvents_data()
    {
        columns<Counts, Faults>("after", "faults");
        const auto row = [](const char *name, Counts after, const Faults &faults) {
            QTest::newRow(name) << after << faults;
        };
        using F = LineFault;
        row("all, in order", { 6, 6, 6, 6, 6, 6 },
            { F::Break, F::Frame, F::Overrun, F::RxOver, F::RxParity, F::TxFull });
        row("break, overrun, parity", { 6, 5, 9, 6, 5, 5 }, { F::Break, F::Overrun, F::RxParity });
        row("framing, receive, transmit", { 5, 8, 5, 5, 7, 6 }, { F::Frame, F::RxOver, F::TxFull });
        row("reset by the driver", { 0, 5, 5, 5, 5, 5 }, {});
    }
    void lineFaultsBecomeEvents()
    {
        QFETCH(Counts, after);
        QTEST(LineErrorCounters::faultsBetween(Counts { 5, 5, 5, 5, 5, 5 }, after), "faults");
    }

    // The window's side of the signals, on a fake control: a fault by its number (the known
    // ones and some that are not), or -1 for the end of a write, which shows nothing.
    void eventsShowTheirTexts_data()
    {
        columns<int, QString>("fault", "message");
        const auto row = [](int n, const char *text) { QTest::addRow("%d", n) << n << text; };
        // clang-format off
        row(-1, "");
        row(1001, "中断信号が受信されました。"), row(1004, "フレーム エラーです。");
        row(1006, "データが失われました。"), row(1010, "送信バッファがいっぱいです。");
        row(1008, "受信バッファがオーバーフローしました。"), row(1009, "中パリティ エラーです。");
        row(1011, "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
        for (int unknown : { 1002, 1005, 0, 8, 32767 }) row(unknown, "未定義のエラーが発生しました。");
        // clang-format on
    }
    void eventsShowTheirTexts()
    {
        const auto [fault, message] = fetch<int, QString>("fault", "message");
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        port.receive(QStringLiteral("before"));
        for (int round = 0; round < 2; ++round)
            fault < 0 ? emit port.dataSent() : emit port.lineFaultDetected(LineFault(fault));
        // Each fault has its own box; nothing else changes.
        QCOMPARE(w.boxes(), QStringList(message.isEmpty() ? 0 : 2, kFaultBox + message));
        QVERIFY(port.open && w.shows(true));
        QCOMPARE(w.area()->toPlainText(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
