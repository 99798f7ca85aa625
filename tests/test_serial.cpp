// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "serial/LineErrorCounters.h"
#include "serial/PortLocator.h"
#include "serial/PortPins.h"
#include "serial/SerialPortControl.h"
#include "ui/FaultBoxThrottle.h"
#include "ui/Form1.h"
#include "ui/PortPicker.h"

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using Counts = LineErrorCounters::Counts;
using Faults = QList<LineFault>;
using Kind = FakeDialogService::Kind;
using Port = SerialPortControl;
using Adapter = PortLocator::Adapter;

namespace {

// An adapter as the system would list it.
Adapter adapter(const char *device, const char *serial, quint16 vendor, const char *byId = "")
{
    Adapter a;
    a.device = QLatin1String(device);
    a.description = QStringLiteral("USB Serial");
    a.serialNumber = QLatin1String(serial);
    a.hasUsbIds = vendor != 0;
    a.vendorId = vendor;
    a.productId = 0x6001;
    a.byId = QLatin1String(byId);
    return a;
}

const QString kFaultTitle = QStringLiteral("通信エラー");

// Times the event loop woke while it waited `ms` milliseconds with nothing to do. Idle, it wakes
// for its timers only; a notifier left on a dead descriptor wakes it without pause, thousands of
// times, however slow or loaded the machine is, so the count tells the two apart where time
// could not.
int wakeupsWhileIdle(int ms)
{
    int wakeups = 0;
    QEventLoop loop;
    const QMetaObject::Connection counting = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] { ++wakeups; });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(counting);
    return wakeups;
}

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
    void checkShows(bool open)
    {
        const QColor colour = form.palette().color(open ? QPalette::Button : QPalette::Dark);
        QCOMPARE(get<QPushButton>("Command1")->text(), QLatin1String(open ? "Close" : "Open"));
        QCOMPARE(get<QPushButton>("cmdSendData")->isEnabled(), open);
        QCOMPARE(area()->palette().color(QPalette::Base), colour);
    }
    const QList<FakeDialogService::Box> &boxes() const { return dialogs.boxes; }
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
    QTemporaryDir m_settings;

private slots:
    void initTestCase()
    {
        // The tests' pins never reach the operator's settings.
        PortPins::useFile(m_settings.filePath(QStringLiteral("pins.ini")));
    }
    void init()
    {
        m_device = std::make_unique<PseudoTerminal>();
        if (m_device->slavePath.isEmpty())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", m_device->slavePath.toLocal8Bit());
    }
    void cleanup()
    {
        for (const char *variable : { "QIE_COM1", "QIE_COM2", "QIE_COM3", "QIE_COM99" })
            qunsetenv(variable);
        PortLocator::useSource({});
        QFile::remove(m_settings.filePath(QStringLiteral("pins.ini")));
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
        QCOMPARE_NE(w.form.palette().color(QPalette::Button),
                    w.form.palette().color(QPalette::Dark));
        QCOMPARE(port.portOpen(), true);
        w.checkShows(true);
        QCOMPARE(w.label2(), QStringLiteral("Com No, = 1"));
        QCOMPARE(lineOf(m_device->master), rawLine(B9600));
        const QByteArray data = QByteArray::fromStdString(w.form.model().sendData());
        QVERIFY(!data.isEmpty());
        w.press("cmdSendData");
        w.press("cmdSendData");
        QCOMPARE(m_device->read(2 * data.size()), data + data);
        QCOMPARE(m_device->read(1, 100), QByteArray());

        for (const QByteArray &chunk : chunks) {
            // Wherever the operator left the caret, new text goes to the end.
            w.area()->moveCursor(QTextCursor::Start);
            const qsizetype before = reads.size();
            QVERIFY(m_device->write(chunk));
            QTRY_VERIFY(reads.size() > before);
        }
        w.press("Command1");
        w.press("Command1");
        QVERIFY(m_device->write("+"));
        QTRY_COMPARE(w.area()->toPlainText(), shown + QLatin1Char('+'));
        QCOMPARE(w.area()->textCursor().position(), shown.size() + 1);

        ending == 0 ? w.press("Command1") : m_device->hangUp();
        if (ending == 2)
            w.press("cmdSendData");
        QTRY_COMPARE(port.portOpen(), false);
        w.checkShows(false);
        QCOMPARE(w.label2(), QStringLiteral("Com No, ="));
        // Quiet afterwards: no notifier spinning on a dead descriptor, one box at most.
        QCOMPARE_LT(wakeupsWhileIdle(500), 100);
        QCOMPARE(w.boxes().size(), ending == 0 ? 0 : 1);
        if (ending == 0)
            return;
        const FakeDialogService::Box &lost = w.boxes()[0];
        QCOMPARE(lost.title, kFaultTitle);
        QCOMPARE(lost.kind, Kind::Warning);
        QVERIFY2(lost.text.startsWith(QLatin1String("Port 1")), qPrintable(lost.text));
        QVERIFY2(lost.text.contains(QLatin1String("the device is gone")), qPrintable(lost.text));
    }

    // A loaded file reaches the device byte for byte, also bytes that are no UTF-8 (the system's
    // code page here): a byte-order mark, Shift-JIS, a lone 0xFF.
    void loadedFileSentUnchanged()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        const QByteArray file
            = "\xEF\xBB\xBF\x83\x65\xFF\r\n" + QByteArray("F\xFF\r\n").repeated(10);
        QVERIFY(writeFile(path, file));
        SerialPortControl port;
        Window w(port, QStringLiteral("1"));
        w.dialogs.fileNames.append(path);
        w.press("cmdFileOpen2");
        w.press("cmdSendData");
        QCOMPARE(m_device->read(file.size()), file);
        QCOMPARE(m_device->read(1, 100), QByteArray());
    }

    // Label2 shows every attempt whose number was taken; a failure leaves the rest closed.
    void openWithText2_data()
    {
        columns<QString, QString, int>("typed", "setup", "number"); // the error shown, 0: opened
        const auto row = [](const char *typed, const char *setup, int number) {
            QTest::addRow("'%s' %s", typed, setup) << typed << setup << number;
        };
        row(" 3", "", 0);
        row("3a", "", 0);
        row("99", "", 0);
        row("a3", "", Port::errInvalidPortNumber);
        row("", "", Port::errInvalidPortNumber);
        row("1", "missing", Port::errNoSuchPort);
        row("1", "held", Port::errPortInUse);
        row("1", "held by a modem manager", Port::errPortInUse);
        // The test holds both sides, as a virtual port pair's maker does.
        row("1", "held by the device side", 0);
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
        QProcess other;
        QTemporaryDir programs;
        if (setup.startsWith(u"held") && setup != u"held by the device side") {
            // A modem manager is told by its name: a copy of sleep answers to it.
            QString program = QStandardPaths::findExecutable(QStringLiteral("sleep"));
            if (setup == u"held by a modem manager") {
                const QString copy = programs.filePath(QStringLiteral("ModemManager"));
                QVERIFY(QFile::copy(program, copy));
                program = copy;
            }
            other.setStandardInputFile(m_device->slavePath);
            other.start(program, { QStringLiteral("30") });
            QVERIFY(other.waitForStarted());
        }
        if (setup == u"held by the device side")
            QVERIFY(holder.open(QIODevice::ReadWrite));
        if (setup == u"denied")
            QVERIFY(holder.setPermissions({}));

        SerialPortControl port;
        Window w(port, typed);
        QCOMPARE(port.portOpen(), number == 0);
        w.checkShows(number == 0);
        const bool taken = number != int(Port::errInvalidPortNumber); // the number was read
        QCOMPARE(w.label2(), QStringLiteral("Com No, =") + (taken ? " " + typed : QString()));
        QCOMPARE(w.boxes().size(), number == 0 ? 0 : 1);
        if (number == 0)
            return;
        const FakeDialogService::Box &refused = w.boxes()[0];
        QCOMPARE(refused.title, QStringLiteral("Error"));
        QCOMPARE(refused.kind, Kind::Error);
        const QString head = QStringLiteral("Number : %1\rDescription : ").arg(number);
        QVERIFY2(refused.text.startsWith(head), qPrintable(refused.text));
        QCOMPARE_LE(refused.text.count(QLatin1String("/dev/pts/none")), 1);
        if (setup == u"held") {
            const QString holder = QStringLiteral("sleep (process %1)").arg(other.processId());
            QVERIFY2(refused.text.contains(holder), qPrintable(refused.text));
        }
    }

    // A device that is no terminal is refused from its node, before anything opens it.
    void notATerminalRefused_data()
    {
        columns<QString, QString>("kind", "shown");
        QTest::newRow("character device") << "/dev/null"
                                          << "a character device (1:3)";
        QTest::newRow("regular file") << "file"
                                      << "a regular file";
        QTest::newRow("named pipe") << "fifo"
                                    << "a named pipe";
    }
    void notATerminalRefused()
    {
        const auto [kind, shown] = fetch<QString, QString>("kind", "shown");
        QTemporaryDir dir;
        QString device = kind;
        if (kind == u"file") {
            device = dir.filePath(kind);
            QVERIFY(writeFile(device, {}));
        } else if (kind == u"fifo") {
            device = dir.filePath(kind);
            QCOMPARE(::mkfifo(device.toLocal8Bit().constData(), 0600), 0);
        }
        qputenv("QIE_COM1", device.toLocal8Bit());
        SerialPortControl port;
        QCOMPARE(port.setCommPort(1).has_value(), false);
        const std::optional<Error> refused = port.setPortOpen(true);
        QCOMPARE(refused.value_or(Error {}).number, int(Port::errNotATerminal));
        const QString told = refused.value_or(Error {}).description;
        QVERIFY2(told.contains(shown), qPrintable(told));
        QVERIFY2(told.contains(QLatin1String("Set QIE_COM1")), qPrintable(told));
        QCOMPARE(port.portOpen(), false);
    }

    // What an ordinary user is told when the port is kept from them: by a lock file that a
    // process which ended left behind and they may not remove (named with its owner, the
    // process and the command that removes it), or by a holder they cannot see.
    void refusedToAnotherUser_data()
    {
        columns<QString, int, QStringList>("setup", "number", "told");
        // LOCK stands for the lock file's path, ENDED for the process that left it.
        QTest::newRow("stale lock file") << "lock" << int(Port::errStaleLockFile)
                                         << QStringList { "lock file LOCK,", "(process ENDED)",
                                                          "belongs to root", "sudo rm LOCK" };
        QTest::newRow("held by a system service")
            << "exclusive" << int(Port::errPortInUse)
            << QStringList { "system service", "sudo systemctl stop ModemManager",
                             "ENV{ID_MM_DEVICE_IGNORE}=\"1\"" };
    }
    void refusedToAnotherUser()
    {
        const auto [setup, number, told]
            = fetch<QString, int, QStringList>("setup", "number", "told");
        if (::geteuid() != 0)
            QSKIP("acting as another user, who cannot remove or see what root holds, needs root");
        const QString lockPath = QStringLiteral("/var/lock/LCK..")
            + QString(m_device->slavePath).mid(5).replace(u'/', u'_');
        const pid_t ended = ::fork();
        if (ended == 0)
            ::_exit(0);
        ::waitpid(ended, nullptr, 0);
        QFile held(m_device->slavePath);
        if (setup == u"lock") {
            QFile lock(lockPath);
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QStringLiteral("%1\nquernel-image-editor\n%2\n")
                           .arg(ended)
                           .arg(QSysInfo::machineHostName())
                           .toLocal8Bit());
        } else {
            QVERIFY(held.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
            QCOMPARE(::ioctl(held.handle(), TIOCEXCL), 0);
        }
        QVERIFY(QFile::setPermissions(m_device->slavePath,
                                      QFile::ReadOther | QFile::WriteOther | QFile::ReadOwner
                                          | QFile::WriteOwner));
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // An ordinary user, who can neither remove root's lock file nor see root's
            // descriptors.
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(1);
            SerialPortControl port;
            port.setCommPort(1);
            const std::optional<Error> error = port.setPortOpen(true);
            const QByteArray text = error
                ? QByteArray::number(error->number) + '\n' + error->description.toUtf8()
                : QByteArray("0\n");
            [[maybe_unused]] const auto written = ::write(pipe[1], text.data(), text.size());
            ::_exit(0);
        }
        ::close(pipe[1]);
        QByteArray text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, n);
        ::close(pipe[0]);
        ::waitpid(child, nullptr, 0);
        QFile::remove(lockPath);
        const QString description = QString::fromUtf8(text.mid(text.indexOf('\n') + 1));
        QCOMPARE(text.left(text.indexOf('\n')).toInt(), number);
        for (QString part : told) {
            part.replace(QLatin1String("ENDED"), QString::number(ended));
            part.replace(QLatin1String("LOCK"), lockPath);
            QVERIFY2(description.contains(part), qPrintable(part));
        }
    }

    // The port number's menu, opened each way, lists the ports present now; a choice puts
    // its number in the box.
    void pickerListsPorts_data()
    {
        columns<QString>("how");
        for (const char *how : { "right button", "Menu key", "Shift+F10" })
            QTest::newRow(how) << how;
    }
    void pickerListsPorts()
    {
        QFETCH(QString, how);
        qunsetenv("QIE_COM1");
        Adapter listed = adapter("/dev/ttyUSB0", "A&1", 0x0403, "usb-Maker_A&1-if00-port0");
        listed.description = QStringLiteral("R&D <b>cable</b>\tx");
        listed.manufacturer = QStringLiteral("Maker & Co");
        PortLocator::useSource([listed] { return QList<Adapter> { listed }; });
        qputenv("QIE_COM3", m_device->slavePath.toLocal8Bit());
        FakeCommControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *box = form.findChild<QLineEdit *>(QStringLiteral("Text2"));
        box->setFocus();
        QList<QMenu *> opened;
        connect(form.findChild<PortPicker *>(), &PortPicker::menuOpened, this,
                [&opened](QMenu *menu) { opened << menu; });
        if (how == u"right button") {
            QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2),
                                      box->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(box, &request);
        } else {
            QTest::keyClick(box, how == u"Menu key" ? Qt::Key_Menu : Qt::Key_F10,
                            how == u"Menu key" ? Qt::NoModifier : Qt::ShiftModifier);
        }
        QCOMPARE(opened.size(), 1);
        QMenu *menu = opened.front();
        // Where it was asked for: at the pointer, or from the keyboard under the box. (The
        // small offscreen screen may push it sideways, not down.)
        const QPoint asked = how == u"right button" ? QPoint(2, 2) : QPoint(0, box->height());
        QCOMPARE(menu->pos().y(), box->mapToGlobal(asked).y());
        QStringList texts;
        QStringList mnemonics;
        for (QAction *action : menu->actions()) {
            texts << action->text();
            const QString bare = QString(action->text()).remove(QLatin1String("&&"));
            if (const qsizetype at = bare.indexOf(u'&'); at >= 0)
                mnemonics << bare.mid(at + 1, 1).toLower();
        }
        QCOMPARE(texts.value(0),
                 QStringLiteral("&1: /dev/ttyUSB0 \u2014 R&&D <b>cable</b> x, made by Maker && "
                                "Co, serial number A&&1, USB 0403:6001, "
                                "/dev/serial/by-id/usb-Maker_A&&1-if00-port0"));
        QCOMPARE(texts.value(1), QStringLiteral("&3: %1 (QIE_COM3)").arg(m_device->slavePath));
        QCOMPARE(texts.value(3), QStringLiteral("Pi&n this adapter as port 1"));
        QCOMPARE(QSet<QString>(mnemonics.begin(), mnemonics.end()).size(), mnemonics.size());
        menu->actions().value(1)->trigger();
        QCOMPARE(box->text(), QStringLiteral("3"));
        menu->close();
    }

    // The port number box and its label name the ports when their tooltip is asked for, not
    // before: an adapter plugged in later is listed.
    void portsInTheToolTip_data()
    {
        columns<QString>("control");
        QTest::newRow("the port number box") << "Text2";
        QTest::newRow("its label") << "Label2";
    }
    void portsInTheToolTip()
    {
        QFETCH(QString, control);
        FakeCommControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        auto *widget = form.findChild<QWidget *>(control);
        QCOMPARE(widget->toolTip(), QString());
        QHelpEvent asked(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &asked);
        QCOMPARE(widget->toolTip(), port.describePorts());
    }

    // The menu's pin items act on the number in the box; a pin that could pick the wrong
    // adapter is refused with the reason.
    void pinFromTheMenu_data()
    {
        columns<QList<Adapter>, QString>("adapters", "refused");
        const Adapter twin = adapter("/dev/ttyUSB2", "", 0x1a86);
        QTest::newRow("an adapter with a serial number")
            << QList { adapter("/dev/ttyUSB0", "AAA", 0x0403),
                       adapter("/dev/ttyUSB1", "BBB", 0x0403) }
            << "";
        QTest::newRow("two of one kind without serial numbers")
            << QList { adapter("/dev/ttyUSB1", "", 0x1a86, "usb-1a86_USB_Serial-if00-port0"), twin }
            << "cannot be told apart";
    }
    void pinFromTheMenu()
    {
        const auto [adapters, refused] = fetch<QList<Adapter>, QString>("adapters", "refused");
        qunsetenv("QIE_COM1");
        PortLocator::useSource([listed = adapters] { return listed; });
        FakeCommControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("2"));
        auto *picker = form.findChild<PortPicker *>();
        const auto item = [picker](const QString &text) {
            std::unique_ptr<QMenu> menu(picker->createMenu());
            for (QAction *action : menu->actions()) {
                if (action->text() == text)
                    return action->trigger(), true;
            }
            return false;
        };
        QCOMPARE(item(QStringLiteral("Pi&n this adapter as port 2")), true);
        QCOMPARE(PortLocator::find(2).value_or(PortLocator::Port {}).pinned, refused.isEmpty());
        QCOMPARE(dialogs.boxes.size(), refused.isEmpty() ? 0 : 1);
        if (!refused.isEmpty())
            QVERIFY2(dialogs.boxes[0].text.contains(refused), qPrintable(dialogs.boxes[0].text));
        QCOMPARE(item(QStringLiteral("Re&move the pin of port 2")), refused.isEmpty());
        QCOMPARE(PortLocator::find(2).value_or(PortLocator::Port {}).pinned, false);
    }

    // A pinned number follows its adapter to whatever device it becomes; the others count the
    // unpinned ports in today's order; QIE_COMn overrides both.
    void pinsFollowTheAdapter_data()
    {
        columns<QList<Adapter>, QList<Adapter>, QString, QStringList>("today", "later", "refused",
                                                                      "devices");
        const Adapter a0 = adapter("/dev/ttyUSB0", "AAA", 0x0403);
        const Adapter b1 = adapter("/dev/ttyUSB1", "BBB", 0x0403);
        Adapter b0 = b1, a2 = a0;
        b0.device = QStringLiteral("/dev/ttyUSB0");
        a2.device = QStringLiteral("/dev/ttyUSB2");
        const Adapter c1 = adapter("/dev/ttyUSB1", "", 0x1a86, "usb-1a86_USB_Serial-if00-port0");
        const Adapter idless = adapter("/dev/ttyUSB9", "", 0);
        // Port 2 is pinned each time.
        QTest::newRow("serial number, moved")
            << QList { a0, b1 } << QList { b0, c1, a2 } << QString()
            << QStringList { "/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyUSB2" };
        Adapter c2 = c1;
        c2.device = QStringLiteral("/dev/ttyUSB2");
        QTest::newRow("by-id name, moved") << QList { a0, c1 } << QList { c2 } << QString()
                                           << QStringList { "", "/dev/ttyUSB2", "" };
        QTest::newRow("pinned adapter gone") << QList { a0, b1 } << QList { a0 } << QString()
                                             << QStringList { "/dev/ttyUSB0", "absent", "" };
        Adapter twin = c1;
        twin.device = QStringLiteral("/dev/ttyUSB2");
        twin.byId.clear();
        QTest::newRow("two without serial numbers")
            << QList { c1, twin } << QList { c1, twin } << "cannot be told apart"
            << QStringList { "/dev/ttyUSB1", "/dev/ttyUSB2", "" };
        QTest::newRow("no serial number, no by-id name")
            << QList { a0, idless } << QList { a0, idless } << "cannot be recognised"
            << QStringList { "/dev/ttyUSB0", "/dev/ttyUSB9", "" };
        QTest::newRow("QIE_COM2 overrides the pin")
            << QList { a0, b1 } << QList { b1 } << QString() << QStringList { "", "QIE_COM2", "" };
    }
    void pinsFollowTheAdapter()
    {
        const auto [today, later, refused, devices]
            = fetch<QList<Adapter>, QList<Adapter>, QString, QStringList>("today", "later",
                                                                          "refused", "devices");
        qunsetenv("QIE_COM1");
        QList<Adapter> current = today;
        PortLocator::useSource([&current] { return current; });
        const QString answer = PortLocator::pin(2);
        QCOMPARE(answer.contains(refused), true);
        QCOMPARE(answer.isEmpty(), refused.isEmpty());
        current = later;
        if (devices[1] == u"QIE_COM2")
            qputenv("QIE_COM2", m_device->slavePath.toLocal8Bit());
        for (int n = 1; n <= 3; ++n) {
            const std::optional<PortLocator::Port> port = PortLocator::find(n);
            QString shown = port ? port->device() : QString();
            if (port && !port->present())
                shown = QStringLiteral("absent");
            if (port && port->fromEnvironment)
                shown = QStringLiteral("QIE_COM%1").arg(n);
            QCOMPARE(shown, devices[n - 1]);
        }
        if (devices[1] == u"absent") {
            SerialPortControl control;
            control.setCommPort(2);
            const std::optional<Error> error = control.setPortOpen(true);
            QCOMPARE(error.value_or(Error {}).number, int(Port::errPinnedAdapterAbsent));
            const QString told = error.value_or(Error {}).description;
            QVERIFY2(told.contains(QLatin1String("USB Serial (serial number BBB, USB 0403:6001)")),
                     qPrintable(told));
        }
        PortLocator::unpin(2);
        QCOMPARE(PortLocator::find(2).value_or(PortLocator::Port {}).pinned, false);
    }

    // Bytes that Send queued leave before Close and Exit close the port; what the device does
    // not take in time is reported once with its count.
    void drainOnClose_data()
    {
        columns<bool, bool>("deviceTakes", "exit");
        QTest::newRow("Close, the device takes the bytes") << true << false;
        QTest::newRow("Close, the device takes nothing") << false << false;
        QTest::newRow("Exit, the device takes nothing") << false << true;
    }
    void drainOnClose()
    {
        const auto [deviceTakes, exit] = fetch<bool, bool>("deviceTakes", "exit");
        if (!deviceTakes)
            m_device->fill();
        SerialPortControl port;
        Window w(port, QStringLiteral("1"));
        QCOMPARE(port.portOpen(), true);
        const QByteArray data = QByteArray::fromStdString(w.form.model().sendData());
        w.press("cmdSendData");
        w.press(exit ? "cmdEnd" : "Command1");
        QCOMPARE(port.portOpen(), false);
        // After Exit nothing reaches the window any more: it still shows the port open.
        w.checkShows(exit);
        QList<FakeDialogService::Box> errors;
        for (const FakeDialogService::Box &shown : w.boxes()) {
            if (shown.kind == Kind::Error)
                errors << shown;
        }
        QCOMPARE(errors.size(), deviceTakes ? 0 : 1);
        if (deviceTakes) {
            QCOMPARE(m_device->read(data.size()), data);
            return;
        }
        const QString unsent = QStringLiteral("Number : %1\rDescription : %2 byte(s)")
                                   .arg(int(Port::errUnsentDiscarded))
                                   .arg(data.size());
        QVERIFY2(errors[0].text.startsWith(unsent), qPrintable(errors[0].text));
    }

    // Faults raised while a fault box is up bring no box of their own; faults that go on
    // bring none until the quiet time has passed, and Close still works among them.
    void faultBoxesWhileABoxIsUp_data()
    {
        columns<QList<int>>("during");
        QTest::newRow("the same fault") << QList<int> { 1004, 1004, 1004 };
        QTest::newRow("other kinds") << QList<int> { 1001, 1006, 1009, 1010, 1011 };
    }
    void faultBoxesWhileABoxIsUp()
    {
        QFETCH(QList<int>, during);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        const auto raise = [&port](int fault) { emit port.lineFaultDetected(LineFault(fault)); };
        w.dialogs.whileShown = [&] {
            for (int fault : during)
                raise(fault);
        };
        raise(1004);
        QCOMPARE(w.boxes().size(), 1);
        QCOMPARE(w.boxes()[0].title, kFaultTitle);
        QCOMPARE(w.boxes()[0].kind, Kind::Warning);
        QCOMPARE(w.boxes()[0].text, QStringLiteral("フレーム エラーです。"));
        for (int fault : during)
            raise(fault);
        QCOMPARE(w.boxes().size(), 1);
        w.press("Command1");
        QCOMPARE(port.open, false);
    }

    // The quiet time after a fault box, on a clock the test sets.
    void faultBoxQuietTime_data()
    {
        columns<int, bool>("afterMs", "shown");
        QTest::newRow("at once") << 0 << false;
        QTest::newRow("just before the quiet time ends") << 2999 << false;
        QTest::newRow("when it ends") << 3000 << true;
    }
    void faultBoxQuietTime()
    {
        const auto [afterMs, shown] = fetch<int, bool>("afterMs", "shown");
        FaultBoxThrottle::Clock::time_point now {};
        FaultBoxThrottle throttle([&now] { return now; });
        int boxes = 0;
        QCOMPARE(throttle.offer([&] { ++boxes; }), true);
        now += std::chrono::milliseconds(afterMs);
        QCOMPARE(throttle.offer([&] { ++boxes; }), shown);
        {
            const auto hold = throttle.hold();
            now += FaultBoxThrottle::kQuietTime;
            QCOMPARE(throttle.offer([&] { ++boxes; }), false);
        }
        QCOMPARE(boxes, shown ? 2 : 1);
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
        const auto row = [](const char *name, const Counts &after, const Faults &faults) {
            QTest::newRow(name) << after << faults;
        };
        using F = LineFault;
        row("all, in order", { 6, 6, 6, 6, 6, 6 },
            { F::Break, F::Frame, F::Overrun, F::RxOver, F::RxParity, F::TxFull });
        row("break, overrun, parity", { 6, 5, 9, 6, 5, 5 }, { F::Break, F::Overrun, F::RxParity });
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
        const auto row = [](const char *name, int n, const char *text) {
            QTest::newRow(name) << n << QString::fromUtf8(text);
        };
        row("end of a write", -1, "");
        row("break", 1001, "中断信号が受信されました。");
        row("overrun", 1006, "データが失われました。");
        row("transmit buffer full", 1010, "送信バッファがいっぱいです。");
        row("receive overflow", 1008, "受信バッファがオーバーフローしました。");
        row("parity", 1009, "中パリティ エラーです。");
        row("device control block", 1011,
            "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
        const char *const undefined = "未定義のエラーが発生しました。";
        row("unknown between known ones", 1002, undefined);
        row("unknown zero", 0, undefined);
    }
    void eventsShowTheirTexts()
    {
        const auto [fault, message] = fetch<int, QString>("fault", "message");
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        port.receive(QStringLiteral("before"));
        for (int round = 0; round < 2; ++round)
            fault < 0 ? emit port.dataSent() : emit port.lineFaultDetected(LineFault(fault));
        // A fault shows its box; the same fault at once after it does not; nothing else changes.
        QCOMPARE(w.boxes().size(), message.isEmpty() ? 0 : 1);
        for (const FakeDialogService::Box &shown : w.boxes()) {
            QCOMPARE(shown.title, kFaultTitle);
            QCOMPARE(shown.kind, Kind::Warning);
            QCOMPARE(shown.text, message);
        }
        QCOMPARE(port.open, true);
        w.checkShows(true);
        QCOMPARE(w.area()->toPlainText(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
