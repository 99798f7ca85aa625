// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "common/Settings.h"
#include "serial/Drain.h"
#include "serial/LineErrorCounters.h"
#include "serial/OpenDiagnosis.h"
#include "serial/PortLocator.h"
#include "serial/PortPins.h"
#include "serial/PortTarget.h"
#include "serial/SerialPortControl.h"
#include "ui/Form1.h"
#include "ui/PortPanel.h"
#include "ui/PortPicker.h"
#include "ui/QtDialogService.h"
#include "ui/ReceiveArea.h"

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>
#include <fcntl.h>
#include <functional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using namespace std::chrono_literals;
using Counts = LineErrorCounters::Counts;
using Faults = QList<LineFault>;
using Kind = FakeDialogService::Kind;
using Adapter = PortLocator::Adapter;
using Box = FakeDialogService::Box;

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
const QString kFrameError = QStringLiteral("フレーム エラーです。");

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

// Runs `work` in a child process as an ordinary user (nobody, when the test runs as root, who
// then can neither see root's processes nor remove root's files) and returns what it wrote.
QByteArray asOrdinaryUser(const std::function<QByteArray()> &work)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "<no pipe>";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(1);
        const QByteArray text = work();
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
    return text;
}

// Opens port 1 on a fresh control: "0" when it opened, else the error's number, a line feed
// and its description.
QByteArray openPortOne()
{
    SerialPortControl port;
    port.setCommPort(1);
    const std::optional<Error> error = port.setPortOpen(true);
    return error ? QByteArray::number(error->number) + '\n' + error->description.toUtf8()
                 : QByteArray("0");
}

// The editor window on a port control, with `typed` in Text2 and Open pressed, seen through its
// controls' names. Its boxes go through the hold, on a clock the test moves.
struct Window
{
    HeldDialogs dialogs;
    Form1 form;

    Window(CommControl &port, const QString &typed) : form(dialogs.hold, port)
    {
        get<QLineEdit>("Text2")->setText(typed);
        press("Command1");
    }
    template<class T> T *get(const char *name) { return form.findChild<T *>(QLatin1String(name)); }
    QString label2() { return get<QLabel>("Label2")->text(); }
    ReceiveArea *area() { return get<ReceiveArea>("txtReceiveData"); }
    void press(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    // Caption, Send and the area's colour all agree on the port state.
    void checkShows(bool open)
    {
        const QColor colour = form.palette().color(open ? QPalette::Button : QPalette::Dark);
        QCOMPARE(get<QPushButton>("Command1")->text(), QLatin1String(open ? "Close" : "Open"));
        QCOMPARE(get<QPushButton>("cmdSendData")->isEnabled(), open);
        QCOMPARE(area()->palette().color(QPalette::Base), colour);
    }
    const QList<Box> &boxes() const { return dialogs.shown.boxes; }
    PortPanel *panel() { return form.findChild<PortPanel *>(); }
    // The port picker's Reconnect automatically item, as the menu shows it now.
    void triggerReconnect(bool expectedBefore)
    {
        std::unique_ptr<QMenu> menu(form.findChild<PortPicker *>()->createMenu());
        QAction *item = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->text() == QLatin1String("Reconnect &automatically"))
                item = action;
        }
        if (item == nullptr)
            QFAIL("the menu has no Reconnect automatically item");
        QCOMPARE(item->isCheckable(), true);
        QCOMPARE(item->isChecked(), expectedBefore);
        item->trigger();
    }
    // The event loop runs what was queued to it, the clock moved on by `step`.
    void pass(std::chrono::milliseconds step = 0ms) { dialogs.clock.pass(step); }
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

// A drain's clock that moves only while the drain waits: each wait runs the event loop as the
// real one does, for a moment, then moves the clock by the step and lets the device act at the
// time it has reached.
struct DrainClock
{
    Drain::Clock::time_point now {};
    std::function<void(std::chrono::milliseconds at)> device;

    Drain::Time time()
    {
        return { [this] { return now; },
                 [this](std::chrono::milliseconds step) {
                     Drain::runEvents(1ms);
                     now += step;
                     if (device)
                         device(at());
                 } };
    }
    std::chrono::milliseconds at() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    }
};

const QHash<Drain::Outcome, QString> kOutcomes {
    { Drain::Outcome::Running, QStringLiteral("running") },
    { Drain::Outcome::Sent, QStringLiteral("sent") },
    { Drain::Outcome::Lost, QStringLiteral("lost") },
    { Drain::Outcome::Stalled, QStringLiteral("stalled") },
    { Drain::Outcome::TimedOut, QStringLiteral("timed out") },
    { Drain::Outcome::Discarded, QStringLiteral("discarded") },
};

LineSettings line(qint32 baud, QSerialPort::Parity parity, int dataBits, QSerialPort::StopBits stop)
{
    return { baud, parity, QSerialPort::DataBits(dataBits), stop };
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
        Settings::useFile(m_settings.filePath(QStringLiteral("pins.ini")));
    }
    void init()
    {
        m_device = std::make_unique<PseudoTerminal>();
        QVERIFY2(!m_device->slavePath.isEmpty(), "no pseudo-terminal could be made");
        qputenv("QIE_COM1", m_device->slavePath.toLocal8Bit());
    }
    void cleanup()
    {
        for (const char *variable : { "QIE_COM1", "QIE_COM2", "QIE_COM3", "QIE_COM99" })
            qunsetenv(variable);
        QFile::remove(m_settings.filePath(QStringLiteral("pins.ini")));
    }

    // A session on port 1: open, Send twice, receive, close and open again, then the operator
    // closes or the device hangs up.
    void session_data()
    {
        // ending 0: Close pressed, 1: hang-up, 2: hang-up and Send
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("ending");
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
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, shown);
        QFETCH(int, ending);
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

        if (ending == 0)
            w.press("Command1");
        else
            m_device->hangUp();
        if (ending == 2)
            w.press("cmdSendData");
        QTRY_COMPARE(port.portOpen(), false);
        w.checkShows(false);
        QCOMPARE(w.label2(), QStringLiteral("Com No, ="));
        // Quiet afterwards: no notifier spinning on a dead descriptor, one box at most.
        QCOMPARE_LT(wakeupsWhileIdle(500), 100);
        w.pass();
        QCOMPARE(w.boxes().size(), ending == 0 ? 0 : 1);
        if (ending == 0)
            return;
        const Box &lost = w.boxes()[0];
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
        w.dialogs.shown.fileNames.append(path);
        w.press("cmdFileOpen2");
        w.press("cmdSendData");
        QCOMPARE(m_device->read(file.size()), file);
        QCOMPARE(m_device->read(1, 100), QByteArray());
    }

    // Label2 shows every attempt whose number was taken; a failure leaves the rest closed, and
    // says why. A holder is told by its name and process number ({pid} below).
    void openWithText2_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("number"); // the error shown, 0: opened
        QTest::addColumn<QString>("told");
        const auto row = [](const char *typed, const char *setup, int number, const char *told) {
            QTest::addRow("'%s' %s", typed, setup)
                << typed << setup << number << QString::fromUtf8(told);
        };
        row(" 3", "", 0, "");
        row("3a", "", 0, "");
        row("99", "", 0, "");
        row("", "", 8100, "0 is not a port number. Type a number from 1 to 255");
        row("1", "missing", 8101, "Port 1 (/dev/pts/none) does not exist.");
        row("1", "held", 8102, "is in use by sleep (process {pid}).");
        row("1", "held, named through a link", 8102, "is in use by sleep (process {pid}).");
        row("1", "held by a modem manager", 8102,
            "is held by the modem manager service (ModemManager, process {pid})");
        // The test holds both sides, as a virtual port pair's maker does.
        row("1", "held by the device side", 0, "");
        row("1", "held by the device side, named through a link", 0, "");
    }
    void openWithText2()
    {
        QFETCH(QString, typed);
        QFETCH(QString, setup);
        QFETCH(int, number);
        QFETCH(QString, told);
        QTemporaryDir dir;
        const QByteArray slave = m_device->slavePath.toLocal8Bit();
        QByteArray named = slave;
        if (setup == u"missing")
            named = "/dev/pts/none";
        if (setup.endsWith(u"named through a link")) {
            named = QFile::encodeName(dir.filePath(QStringLiteral("link")));
            QVERIFY(QFile::link(m_device->slavePath, QString::fromLocal8Bit(named)));
        }
        qputenv("QIE_COM1", named);
        qputenv("QIE_COM3", slave);
        qputenv("QIE_COM99", slave);
        QFile deviceSide(m_device->slavePath);
        QProcess other;
        const bool deviceSideHeld = setup.startsWith(u"held by the device side");
        if (setup.startsWith(u"held") && !deviceSideHeld) {
            // A modem manager is told by its name: a copy of sleep answers to it. The holder
            // opens the device by its own name, whatever the port's name leads through.
            QString program = QStandardPaths::findExecutable(QStringLiteral("sleep"));
            if (setup == u"held by a modem manager") {
                const QString copy = dir.filePath(QStringLiteral("ModemManager"));
                QVERIFY(QFile::copy(program, copy));
                program = copy;
            }
            other.setStandardInputFile(m_device->slavePath);
            other.start(program, { QStringLiteral("30") });
            QVERIFY(other.waitForStarted());
        }
        if (deviceSideHeld)
            QVERIFY(deviceSide.open(QIODevice::ReadWrite));
        const auto stopHolder = qScopeGuard([&other] {
            other.kill();
            other.waitForFinished();
        });

        SerialPortControl port;
        Window w(port, typed);
        QCOMPARE(port.portOpen(), number == 0);
        w.checkShows(number == 0);
        const bool taken = number != 8100; // the number was read
        QCOMPARE(w.label2(), QStringLiteral("Com No, =") + (taken ? " " + typed : QString()));
        QCOMPARE(w.boxes().size(), number == 0 ? 0 : 1);
        if (number == 0)
            return;
        const Box &refused = w.boxes()[0];
        QCOMPARE(refused.title, QStringLiteral("Error"));
        QCOMPARE(refused.kind, Kind::Error);
        const QString head = QStringLiteral("Number : %1\rDescription : ").arg(number);
        QVERIFY2(refused.text.startsWith(head), qPrintable(refused.text));
        told.replace(QLatin1String("{pid}"), QString::number(other.processId()));
        QVERIFY2(refused.text.contains(told), qPrintable(refused.text));
    }

    // A device that is no terminal is refused from its node, before anything opens it.
    void notATerminalRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("shown");
        QTest::newRow("character device") << "/dev/null"
                                          << "a character device (1:3)";
        QTest::newRow("regular file") << "file"
                                      << "a regular file";
        QTest::newRow("named pipe") << "fifo"
                                    << "a named pipe";
        QTest::newRow("the multiplexer") << "/dev/ptmx"
                                         << "the pseudo-terminal multiplexer (5:2)";
        QTest::newRow("the multiplexer in the pts folder")
            << "/dev/pts/ptmx"
            << "the pseudo-terminal multiplexer (5:2)";
        QTest::newRow("the program's own terminal") << "/dev/tty"
                                                    << "the terminal the program runs in (5:0)";
        // Whatever its name: a node of the kernel's pseudo-terminal master driver.
        QTest::newRow("a pseudo-terminal master under another name")
            << "master"
            << "the master side of a pseudo-terminal (128:7)";
    }
    void notATerminalRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        QString device = kind;
        if (kind == u"file") {
            device = dir.filePath(kind);
            QVERIFY(writeFile(device, {}));
        } else if (kind == u"fifo") {
            device = dir.filePath(kind);
            QCOMPARE(::mkfifo(device.toLocal8Bit().constData(), 0600), 0);
        } else if (kind == u"master") {
            if (::geteuid() != 0)
                QSKIP("making a device node needs root");
            device = dir.filePath(QStringLiteral("ttyS9"));
            QCOMPARE(::mknod(device.toLocal8Bit().constData(), S_IFCHR | 0600, makedev(128, 7)), 0);
        }
        qputenv("QIE_COM1", device.toLocal8Bit());
        SerialPortControl port;
        QCOMPARE(port.setCommPort(1).has_value(), false);
        const std::optional<Error> refused = port.setPortOpen(true);
        QCOMPARE(refused.value_or(Error {}).number, 8112);
        const QString told = refused.value_or(Error {}).description;
        QVERIFY2(told.contains(shown), qPrintable(told));
        QVERIFY2(told.contains(QLatin1String("Set QIE_COM1")), qPrintable(told));
        QCOMPARE(port.portOpen(), false);
    }

    // A look for other holders that cannot finish in its time refuses the open and says so;
    // with the time it needs, the same port opens.
    void holderCheckUnfinished_data()
    {
        QTest::addColumn<int>("budgetMs");
        QTest::addColumn<int>("number");
        QTest::newRow("no time for the look") << 0 << 8116;
        QTest::newRow("the usual time") << 3000 << 0;
    }
    void holderCheckUnfinished()
    {
        QFETCH(int, budgetMs);
        QFETCH(int, number);
        const OpenDiagnosis diagnosis(1, PortLocator::scan(), std::chrono::milliseconds(budgetMs));
        const std::optional<Error> refused = diagnosis.beforeOpen();
        QCOMPARE(refused.value_or(Error {}).number, number);
        if (number == 0)
            return;
        const QString told = refused.value_or(Error {}).description;
        const QString says = QStringLiteral("Port 1 (%1) was not opened: the check for other "
                                            "programs that have it open could not be finished "
                                            "within 0 s")
                                 .arg(m_device->slavePath);
        QVERIFY2(told.startsWith(says), qPrintable(told));
    }

    // A settings file that is a named pipe is neither read nor written: the window opens a port
    // and pins one without waiting for a writer, says so once on standard error, and the pipe
    // is still a pipe, with nothing put beside it.
    void settingsFileThatIsAPipe()
    {
        qunsetenv("QIE_COM1");
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("settings.conf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        Settings::useFile(fifo);
        const auto back = qScopeGuard(
            [this] { Settings::useFile(m_settings.filePath(QStringLiteral("pins.ini"))); });
        QTemporaryFile errors;
        QVERIFY(errors.open());
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(errors.handle(), 2);
        {
            FakeCommControl port;
            port.adapters = { adapter("/dev/ttyUSB0", "AAA", 0x0403) };
            Window w(port, QStringLiteral("1"));
            w.press("Command1");
            PortLocator::unpin(1);
            const std::optional<Error> pinned = port.ports().pin(1);
            QCOMPARE(pinned.has_value(), false);
        }
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        errors.seek(0);
        const QByteArray said = errors.readAll();
        QCOMPARE(said.count("is not a regular file"), 1);
        QCOMPARE(said.count('\n'), 1);
        QCOMPARE(QFileInfo(fifo).isFile(), false);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 QStringList { QStringLiteral("settings.conf") });
    }

    // What an ordinary user is told when the port is kept from them: by their own rights, by a
    // lock file that a process which ended left behind and they may not remove (named with its
    // owner, the process and the command that removes it), or by a holder they cannot see.
    void refusedToAnOrdinaryUser_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("told");
        // {lock} stands for the lock file's path, {ended} for the process that left it,
        // {device} for the device.
        QTest::newRow("no rights to the device")
            << "no rights" << 8103
            << QStringList { "You may not use Port 1 ({device})", "sudo usermod -aG" };
        QTest::newRow("stale lock file") << "lock" << 8113
                                         << QStringList { "lock file {lock},", "(process {ended})",
                                                          "belongs to root", "sudo rm {lock}" };
        QTest::newRow("held by a system service")
            << "exclusive" << 8102
            << QStringList { "system service", "sudo systemctl stop ModemManager",
                             "ENV{ID_MM_DEVICE_IGNORE}=\"1\"" };
    }
    void refusedToAnOrdinaryUser()
    {
        QFETCH(QString, setup);
        QFETCH(int, number);
        QFETCH(QStringList, told);
        if (setup != u"no rights" && ::geteuid() != 0)
            QSKIP("a lock file or a holder that an ordinary user cannot remove or see must be "
                  "root's; making them needs root");
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
        } else if (setup == u"exclusive") {
            QVERIFY(held.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
            QCOMPARE(::ioctl(held.handle(), TIOCEXCL), 0);
        }
        QVERIFY(QFile::setPermissions(m_device->slavePath,
                                      setup == u"no rights" ? QFile::Permissions()
                                                            : QFile::ReadOther | QFile::WriteOther
                                              | QFile::ReadOwner | QFile::WriteOwner));
        const QByteArray text = asOrdinaryUser(&openPortOne);
        QFile::remove(lockPath);
        const QString description = QString::fromUtf8(text.mid(text.indexOf('\n') + 1));
        QCOMPARE(text.left(text.indexOf('\n')).toInt(), number);
        for (QString part : told) {
            part.replace(QLatin1String("{ended}"), QString::number(ended));
            part.replace(QLatin1String("{lock}"), lockPath);
            part.replace(QLatin1String("{device}"), m_device->slavePath);
            QVERIFY2(description.contains(part), qPrintable(part));
        }
    }

    // The port number's menu, opened each way, lists the ports present now; a choice puts
    // its number in the box.
    void pickerListsPorts_data()
    {
        QTest::addColumn<QString>("how");
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
        qputenv("QIE_COM3", m_device->slavePath.toLocal8Bit());
        FakeCommControl port;
        port.adapters = { listed };
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *box = form.findChild<QLineEdit *>(QStringLiteral("Text2"));
        box->setFocus();
        if (how == u"right button") {
            QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2),
                                      box->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(box, &request);
        } else {
            QTest::keyClick(box, how == u"Menu key" ? Qt::Key_Menu : Qt::Key_F10,
                            how == u"Menu key" ? Qt::NoModifier : Qt::ShiftModifier);
        }
        QList<QMenu *> opened = box->findChildren<QMenu *>();
        opened.removeIf([](const QMenu *menu) { return !menu->isVisible(); });
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
        QTest::addColumn<QString>("control");
        QTest::newRow("the port number box") << "Text2";
        QTest::newRow("its label") << "Label2";
    }
    void portsInTheToolTip()
    {
        QFETCH(QString, control);
        qunsetenv("QIE_COM1");
        FakeCommControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        port.adapters = { adapter("/dev/ttyUSB0", "AAA", 0x0403) };
        auto *widget = form.findChild<QWidget *>(control);
        QCOMPARE(widget->toolTip(), QString());
        QHelpEvent asked(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &asked);
        QCOMPARE(widget->toolTip(),
                 QStringLiteral("Port numbers (right-click to choose or pin one):\n"
                                "1 = /dev/ttyUSB0 (USB Serial (serial number AAA, "
                                "USB 0403:6001))"));
    }

    // The menu's pin items act on the number in the box; a pin that could pick the wrong
    // adapter is refused with the reason.
    void pinFromTheMenu_data()
    {
        QTest::addColumn<QList<Adapter>>("adapters");
        QTest::addColumn<QString>("refused");
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
        QFETCH(QList<Adapter>, adapters);
        QFETCH(QString, refused);
        qunsetenv("QIE_COM1");
        FakeCommControl port;
        port.adapters = adapters;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("2"));
        auto *picker = form.findChild<PortPicker *>();
        const auto item = [picker](const QString &text) {
            std::unique_ptr<QMenu> menu(picker->createMenu());
            for (QAction *action : menu->actions()) {
                if (action->text() == text) {
                    action->trigger();
                    return true;
                }
            }
            return false;
        };
        const auto pinned = [&adapters] {
            return PortLocator(adapters).find(2).value_or(PortLocator::Port {}).pinned();
        };
        QCOMPARE(item(QStringLiteral("Pi&n this adapter as port 2")), true);
        QCOMPARE(pinned(), refused.isEmpty());
        QCOMPARE(dialogs.boxes.size(), refused.isEmpty() ? 0 : 1);
        if (!refused.isEmpty())
            QVERIFY2(dialogs.boxes[0].text.contains(refused), qPrintable(dialogs.boxes[0].text));
        QCOMPARE(item(QStringLiteral("Re&move the pin of port 2")), refused.isEmpty());
        QCOMPARE(pinned(), false);
    }

    // A pinned number follows its adapter to whatever device it becomes; the others count the
    // unpinned ports in the order of their devices; QIE_COMn overrides both.
    void pinsFollowTheAdapter_data()
    {
        QTest::addColumn<QList<Adapter>>("today");
        QTest::addColumn<QList<Adapter>>("later");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QStringList>("devices");
        const Adapter a0 = adapter("/dev/ttyUSB0", "AAA", 0x0403);
        const Adapter b1 = adapter("/dev/ttyUSB1", "BBB", 0x0403);
        Adapter b0 = b1;
        Adapter a2 = a0;
        b0.device = QStringLiteral("/dev/ttyUSB0");
        a2.device = QStringLiteral("/dev/ttyUSB2");
        const Adapter c1 = adapter("/dev/ttyUSB1", "", 0x1a86, "usb-1a86_USB_Serial-if00-port0");
        const Adapter idless = adapter("/dev/ttyUSB9", "", 0);
        // Port 2 is pinned each time; the system lists the adapters in no particular order.
        QTest::newRow("serial number, moved")
            << QList { b1, a0 } << QList { a2, c1, b0 } << QString()
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
        QFETCH(QList<Adapter>, today);
        QFETCH(QList<Adapter>, later);
        QFETCH(QString, refused);
        QFETCH(QStringList, devices);
        qunsetenv("QIE_COM1");
        const std::optional<Error> answer = PortLocator(today).pin(2);
        QCOMPARE(answer.has_value(), !refused.isEmpty());
        if (answer) {
            QCOMPARE(answer->number, 8115);
            QVERIFY2(answer->description.contains(refused), qPrintable(answer->description));
        }
        if (devices[1] == u"QIE_COM2")
            qputenv("QIE_COM2", m_device->slavePath.toLocal8Bit());
        const PortLocator ports(later);
        for (int n = 1; n <= 3; ++n) {
            const std::optional<PortLocator::Port> port = ports.find(n);
            QString shown = port ? port->device() : QString();
            if (port && !port->present())
                shown = QStringLiteral("absent");
            if (port && port->fromEnvironment)
                shown = QStringLiteral("QIE_COM%1").arg(n);
            QCOMPARE(shown, devices[n - 1]);
        }
        if (devices[1] == u"absent") {
            const std::optional<Error> error = OpenDiagnosis(2, ports).beforeOpen();
            QCOMPARE(error.value_or(Error {}).number, 8111);
            const QString told = error.value_or(Error {}).description;
            QVERIFY2(told.contains(QLatin1String("USB Serial (serial number BBB, USB 0403:6001)")),
                     qPrintable(told));
        }
        PortLocator::unpin(2);
        QCOMPARE(PortLocator(later).find(2).value_or(PortLocator::Port {}).pinned(), false);
    }

    // How a drain ends, on a control whose queue the test empties as the device would: by
    // `take` bytes every `everyMs` (`times` times at most), or lost at `lostAtMs`. `endMs` is
    // the drain's clock when it ended, `left` what was still queued then.
    void drainEnds_data()
    {
        QTest::addColumn<qint64>("queued");
        QTest::addColumn<qint64>("take");
        QTest::addColumn<int>("everyMs");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("lostAtMs");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("endMs");
        QTest::addColumn<qint64>("left");
        // 60 KiB at 9600 8N1 need 64 s on the wire; 15 steps of 1.9 s stay well inside.
        QTest::newRow("a slow device, 4 KiB every 1.9 s")
            << qint64(61440) << qint64(4096) << 1900 << 15 << -1 << "sent" << 28500 << qint64(0);
        QTest::newRow("a device that stops after 1 KiB")
            << qint64(61440) << qint64(1024) << 1000 << 1 << -1 << "stalled" << 3000
            << qint64(60416);
        // 2000 bytes need 2083.3 ms on the wire, 2084 rounded up; 5 s more, 7084 ms: the first
        // look at or past it is at 7090 ms.
        QTest::newRow("a device slower than the wire") << qint64(2000) << qint64(100) << 1900 << 100
                                                       << -1 << "timed out" << 7090 << qint64(1700);
        QTest::newRow("a device that goes away")
            << qint64(61440) << qint64(0) << 10 << 0 << 500 << "lost" << 500 << qint64(61440);
    }
    void drainEnds()
    {
        QFETCH(qint64, queued);
        QFETCH(qint64, take);
        QFETCH(int, everyMs);
        QFETCH(int, times);
        QFETCH(int, lostAtMs);
        QFETCH(QString, outcome);
        QFETCH(int, endMs);
        QFETCH(qint64, left);
        FakeCommControl port;
        port.open = true;
        port.queued = queued;
        DrainClock clock;
        int taken = 0;
        clock.device = [&](std::chrono::milliseconds at) {
            if (at.count() % everyMs == 0 && taken < times) {
                ++taken;
                port.queued = std::max<qint64>(0, port.queued - take);
            }
            if (at.count() == lostAtMs)
                port.lose({ 8110, QStringLiteral("device unplugged") });
        };
        Drain drain(port, clock.time());
        QCOMPARE(kOutcomes.value(drain.finish()), outcome);
        QCOMPARE(clock.at().count(), endMs);
        QCOMPARE(drain.left(), left);
        const Error failure = drain.failure().value_or(Error {});
        if (outcome == u"sent") {
            QCOMPARE(failure.number, 0);
        } else if (outcome == u"lost") {
            QCOMPARE(failure.number, 8110);
            QCOMPARE(failure.description, QStringLiteral("device unplugged"));
        } else {
            QCOMPARE(failure.number, 8114);
            const QString head = QStringLiteral("%1 bytes were not sent.").arg(left);
            QVERIFY2(failure.description.startsWith(head), qPrintable(failure.description));
        }
    }

    // 64 KiB written to a real port whose device reads slowly, or goes away after 1 KiB: the
    // slow one gets everything, and the loss is seen within 1 s of the drain's clock.
    void drainOnARealPort_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("reads 4 KiB a second") << "slow"
                                              << "sent";
        QTest::newRow("goes away after 1 KiB") << "vanishes"
                                               << "lost";
    }
    void drainOnARealPort()
    {
        QFETCH(QString, device);
        QFETCH(QString, outcome);
        SerialPortControl port;
        QCOMPARE(port.setCommPort(1).has_value(), false);
        QCOMPARE(port.openDeviceLine().has_value(), false);
        QByteArray data(65536, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char('A' + i % 26);
        QCOMPARE(port.setOutput(data).has_value(), false);
        DrainClock clock;
        QByteArray received;
        std::optional<std::chrono::milliseconds> goneAt;
        clock.device = [&](std::chrono::milliseconds at) {
            char buffer[4096];
            if (device == u"slow" && at.count() % 1000 == 0) {
                const ssize_t n = ::read(m_device->master, buffer, sizeof buffer);
                if (n > 0)
                    received.append(buffer, n);
            } else if (device == u"vanishes" && !goneAt) {
                const ssize_t n = ::read(m_device->master, buffer, 1024 - received.size());
                if (n > 0)
                    received.append(buffer, n);
                if (received.size() == 1024) {
                    m_device->hangUp();
                    goneAt = at;
                }
            }
        };
        Drain drain(port, clock.time());
        QCOMPARE(kOutcomes.value(drain.finish()), outcome);
        QCOMPARE(port.portOpen(), outcome != u"lost");
        if (outcome == u"sent") {
            received += m_device->read(data.size() - received.size());
            QCOMPARE(received, data);
        } else if (outcome == u"lost") {
            QVERIFY(goneAt.has_value());
            QCOMPARE_LE((clock.at() - goneAt.value_or(0ms)).count(), 1000);
        }
    }

    // Close and Exit let the bytes that Send queued leave first. A drain that lasts over half
    // a second shows its dialog, with the bytes and the wire time left; what did not leave,
    // stalled or discarded, is told in one box; reception goes on meanwhile. The device takes
    // everything at `takesAtMs` (-1: never).
    void drainOnClose_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("takesAtMs");
        QTest::addColumn<bool>("discard");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<QString>("told");
        QTest::newRow("Close, all left after 0.4 s") << "Close" << 400 << false << 0 << "";
        QTest::newRow("Close, all left after 1.5 s") << "Close" << 1500 << false << 1 << "";
        QTest::newRow("Close, the device takes nothing")
            << "Close" << -1 << false << 1 << "5000 bytes were not sent. The device took none";
        QTest::newRow("Close, Discard pressed")
            << "Close" << -1 << true << 1 << "5000 bytes were not sent. They were discarded.";
        QTest::newRow("Exit, the device takes nothing")
            << "Exit" << -1 << false << 1 << "5000 bytes were not sent. The device took none";
    }
    void drainOnClose()
    {
        QFETCH(QString, how);
        QFETCH(int, takesAtMs);
        QFETCH(bool, discard);
        QFETCH(int, dialogs);
        QFETCH(QString, told);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        QSignalSpy ended(&w.form, &Form1::ended);
        DrainClock clock;
        clock.device = [&](std::chrono::milliseconds at) {
            if (at.count() == takesAtMs)
                port.queued = 0;
        };
        w.form.findChild<PortPanel *>()->setDrainTime(clock.time());
        w.press("cmdSendData");
        port.queued = 5000;
        w.dialogs.shown.discardDrain = discard;
        // Received while the dialog is up, shown before the drain ends.
        w.dialogs.shown.whileShown = [&] {
            w.dialogs.shown.whileShown = {};
            port.receive("during");
        };
        QList<int> endedBeforeBox;
        w.dialogs.shown.errorShown = [&] { endedBeforeBox << int(ended.size()); };
        w.press(how == u"Exit" ? "cmdEnd" : "Command1");
        QCOMPARE(port.open, false);
        QCOMPARE(w.dialogs.shown.drains.size(), dialogs);
        if (dialogs > 0) {
            QCOMPARE(w.dialogs.shown.drains[0].left, qint64(5000));
            // 5000 bytes of 10 bits at 9600 baud: 5208.3 ms, 5209 rounded up.
            QCOMPARE(w.dialogs.shown.drains[0].timeLeft.count(), 5209);
            QCOMPARE(w.area()->toPlainText(), QStringLiteral("during"));
        }
        QList<Box> errors;
        for (const Box &shown : w.boxes()) {
            if (shown.kind == Kind::Error)
                errors << shown;
        }
        QCOMPARE(errors.size(), told.isEmpty() ? 0 : 1);
        QCOMPARE(port.discards, told.isEmpty() ? 0 : 1);
        QCOMPARE(ended.size(), how == u"Exit" ? 1 : 0);
        if (told.isEmpty())
            return;
        const QString head = QStringLiteral("Number : 8114\rDescription : ") + told;
        QVERIFY2(errors[0].text.startsWith(head), qPrintable(errors[0].text));
        // At Exit the program ends after that box, not before.
        QCOMPARE(endedBeforeBox, QList<int> { 0 });
    }

    // The drain dialog itself: the bytes and the seconds left, one button "Discard" that
    // discards them, and it closes by itself when the drain ends. Whatever it finds, the queue
    // is emptied, so that the dialog never stays up.
    void drainDialog_data()
    {
        QTest::addColumn<bool>("discard");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("discards");
        QTest::newRow("Discard pressed") << true << "discarded" << 1;
        QTest::newRow("the bytes leave") << false << "sent" << 0;
    }
    void drainDialog()
    {
        QFETCH(bool, discard);
        QFETCH(QString, outcome);
        QFETCH(int, discards);
        FakeCommControl port;
        port.open = true;
        port.queued = 5000;
        DrainClock clock;
        Drain drain(port, clock.time());
        QString label;
        QStringList buttons;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            const QList<QPushButton *> found
                = dialog ? dialog->findChildren<QPushButton *>() : QList<QPushButton *> {};
            if (dialog)
                label = dialog->labelText();
            for (const QPushButton *button : found)
                buttons << button->text();
            if (discard && found.size() == 1)
                found[0]->click();
            else
                port.queued = 0;
        });
        QtDialogService dialogs;
        dialogs.showDrain(drain);
        // 5000 bytes need 5209 ms on the wire: about 6 s.
        QCOMPARE(label,
                 QStringLiteral("Sending what was written to the port before it closes.\n5000 "
                                "bytes left, about 6 s left."));
        QCOMPARE(buttons, QStringList { QStringLiteral("Discard") });
        QCOMPARE(kOutcomes.value(drain.outcome()), outcome);
        QCOMPARE(port.discards, discards);
    }

    // Bytes that arrive while nobody reads them are kept up to 1 MiB; then the port waits,
    // and what the device sent after that is still there to read.
    void unreadBytesStopAtOneMebibyte()
    {
        SerialPortControl port;
        QCOMPARE(port.setCommPort(1).has_value(), false);
        QCOMPARE(port.openDeviceLine().has_value(), false);
        const QByteArray block(4096, 'r');
        qint64 accepted = 0;
        // Full is when the device's side takes nothing more several times in a row while the
        // control has had every chance to read.
        for (int refused = 0; refused < 5 && accepted < qint64(8) * 1048576;) {
            QCoreApplication::processEvents();
            const ssize_t n = ::write(m_device->master, block.data(), block.size());
            if (n > 0) {
                accepted += n;
                refused = 0;
            } else {
                ++refused;
                QThread::msleep(20);
            }
        }
        QCOMPARE_LT(accepted, qint64(2) * 1048576);
        const QByteArray kept = port.inputBytes();
        QCOMPARE(kept.size(), 1048576);
        QByteArray rest;
        QTRY_COMPARE(kept.size() + (rest += port.inputBytes()).size(), accepted);
    }

    // Faults raised while a fault box is up bring no box of their own; faults that go on
    // bring none until the quiet time has passed, and Close still works among them.
    void faultBoxesWhileABoxIsUp()
    {
        const QList<int> during { 1001, 1004, 1006, 1009, 1010, 1011 };
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        const auto raise = [&port](int fault) { emit port.lineFaultDetected(LineFault(fault)); };
        w.dialogs.shown.whileShown = [&] {
            for (int fault : during)
                raise(fault);
            w.pass();
        };
        raise(1004);
        w.pass();
        QCOMPARE(w.boxes().size(), 1);
        QCOMPARE(w.boxes()[0].title, kFaultTitle);
        QCOMPARE(w.boxes()[0].kind, Kind::Warning);
        QCOMPARE(w.boxes()[0].text, kFrameError);
        for (int fault : during)
            raise(fault);
        w.pass(2999ms);
        QCOMPARE(w.boxes().size(), 1);
        w.press("Command1");
        QCOMPARE(port.open, false);
    }

    // The quiet time counts from whichever box or dialog closed last, on a clock that moves
    // while the box is up.
    void quietTimeAfterAnyBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a fault box, then 1 ms before the end") << "fault" << 2999 << false;
        QTest::newRow("a fault box, then when it ends") << "fault" << 3000 << true;
        QTest::newRow("Save received as's error box") << "save error" << 2999 << false;
        QTest::newRow("the question to end, answered No") << "question" << 2999 << false;
        QTest::newRow("a file dialog, cancelled") << "file dialog" << 2999 << false;
        QTest::newRow("the Text... dialog, cancelled") << "text dialog" << 2999 << false;
    }
    void quietTimeAfterAnyBox()
    {
        QFETCH(QString, box);
        QFETCH(int, afterMs);
        QFETCH(bool, shown);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        QTemporaryDir dir;
        w.dialogs.shown.answers = { false };
        w.dialogs.shown.fileNames = { dir.filePath(QStringLiteral("no/such/folder/r.bin")) };
        // The box stays up for ten seconds, longer than the quiet time.
        w.dialogs.shown.whileShown = [&w] { w.dialogs.clock.now += 10s; };
        if (box == u"fault") {
            emit port.lineFaultDetected(LineFault::Frame);
            w.pass();
        } else if (box == u"save error") {
            w.area()->saveReceivedAs();
        } else if (box == u"question") {
            w.press("cmdEnd");
        } else if (box == u"file dialog") {
            w.dialogs.shown.fileNames.clear();
            w.press("cmdFileOpen2");
        } else {
            w.form.pictureEditor().chooseText();
        }
        const qsizetype before = w.boxes().size();
        w.dialogs.shown.whileShown = {};
        w.pass(std::chrono::milliseconds(afterMs));
        emit port.lineFaultDetected(LineFault::Frame);
        w.pass();
        QCOMPARE(w.boxes().size(), before + (shown ? 1 : 0));
        if (shown)
            QCOMPARE(w.boxes().last().text, kFrameError);
    }

    // A fault raised just before a box opens is not shown over it when the box's event loop
    // gets to it.
    void faultQueuedBeforeABoxOpens()
    {
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        QTemporaryDir dir;
        w.dialogs.shown.fileNames = { dir.filePath(QStringLiteral("no/such/folder/r.bin")) };
        w.dialogs.shown.whileShown = [&w] { w.pass(); };
        emit port.lineFaultDetected(LineFault::Frame);
        w.area()->saveReceivedAs();
        QCOMPARE(w.boxes().size(), 1);
        QCOMPARE(w.boxes()[0].kind, Kind::Error);
        w.pass(3000ms);
        QCOMPARE(w.boxes().size(), 1);
    }

    // The port's boxes are never opened from inside its handlers: only when the event loop
    // runs, after the handler has returned.
    void noBoxFromInsideAPortHandler_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("text");
        QTest::newRow("a line fault") << "fault" << kFrameError;
        QTest::newRow("the port lost") << "lost"
                                       << "device unplugged";
    }
    void noBoxFromInsideAPortHandler()
    {
        QFETCH(QString, event);
        QFETCH(QString, text);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        if (event == u"fault")
            emit port.lineFaultDetected(LineFault::Frame);
        else
            port.lose({ 8110, QStringLiteral("device unplugged") });
        QCOMPARE(w.boxes().size(), 0);
        w.checkShows(event == u"fault");
        w.pass();
        QCOMPARE(w.boxes().size(), 1);
        QCOMPARE(w.boxes()[0].title, kFaultTitle);
        QCOMPARE(w.boxes()[0].text, text);
    }

    // The device found at the last Open is looked for by the strongest name it had.
    void reconnectFindsTheSameDevice_data()
    {
        QTest::addColumn<QList<Adapter>>("atOpen");
        QTest::addColumn<QList<Adapter>>("now");
        QTest::addColumn<int>("number"); // 0: not there
        QTest::newRow("same adapter at another path, numbers shifted")
            << QList<Adapter> { adapter("/dev/ttyUSB0", "A1", 0x0403) }
            << QList<Adapter> { adapter("/dev/ttyUSB0", "B2", 0x0403),
                                adapter("/dev/ttyUSB1", "A1", 0x0403) }
            << 2;
        QTest::newRow("another adapter at the old path")
            << QList<Adapter> { adapter("/dev/ttyUSB0", "A1", 0x0403) }
            << QList<Adapter> { adapter("/dev/ttyUSB0", "B2", 0x0403) } << 0;
        QTest::newRow("by-id name, no serial number")
            << QList<Adapter> { adapter("/dev/ttyACM0", "", 0, "usb-board-if00") }
            << QList<Adapter> { adapter("/dev/ttyACM0", "", 0, "usb-other-if00"),
                                adapter("/dev/ttyACM1", "", 0, "usb-board-if00") }
            << 2;
        QTest::newRow("device path alone")
            << QList<Adapter> { adapter("/dev/ttyS4", "", 0) }
            << QList<Adapter> { adapter("/dev/ttyS1", "", 0), adapter("/dev/ttyS4", "", 0) } << 2;
    }
    void reconnectFindsTheSameDevice()
    {
        QFETCH(QList<Adapter>, atOpen);
        QFETCH(QList<Adapter>, now);
        QFETCH(int, number);
        qunsetenv("QIE_COM1");
        const std::optional<PortTarget> target = PortTarget::of(*PortLocator(atOpen).find(1));
        QVERIFY(target.has_value());
        QCOMPARE(target->numberIn(PortLocator(now)).value_or(0), number);
    }

    // QIE_COM1 names a link to a pseudo-terminal, as an adapter's by-id name is; the device
    // goes away and comes back as another pseudo-terminal behind the same link, which is now
    // QIE_COM2. How the watch
    // ends: 0 the device returns, 1 Open pressed, 2 the item turned off, 3 the program ends,
    // 4 the item was never on.
    void reconnectThroughARepointedLink_data()
    {
        QTest::addColumn<int>("ending");
        QTest::newRow("the device comes back: reopened") << 0;
        QTest::newRow("Open pressed meanwhile: no watch") << 1;
        QTest::newRow("the item turned off: no watch") << 2;
        QTest::newRow("the program ended: no watch") << 3;
        QTest::newRow("the item off (the default): no watch") << 4;
    }
    void reconnectThroughARepointedLink()
    {
        QFETCH(int, ending);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyQIE"));
        QVERIFY(QFile::link(m_device->slavePath, link));
        qputenv("QIE_COM1", link.toLocal8Bit());
        SerialPortControl port;
        Window w(port, QStringLiteral("1"));
        QCOMPARE(port.portOpen(), true);
        if (ending != 4)
            w.triggerReconnect(false);
        const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7, 890));
        w.area()->setTime({ [at] { return QDateTime(at); }, [](auto, auto) {} });

        m_device->hangUp();
        QVERIFY(QFile::remove(link));
        QTRY_COMPARE(port.portOpen(), false);
        w.pass();
        w.checkShows(false);
        QCOMPARE(w.label2(), QStringLiteral("Com No, ="));
        QCOMPARE(w.boxes().size(), 1);
        PortPanel *panel = w.panel();
        QCOMPARE(panel->watch().isWatching(), ending != 4);
        // Tries while the device is away fail without a word.
        panel->pollWatch();
        panel->pollWatch();
        w.pass(10s);
        QCOMPARE(port.portOpen(), false);
        QCOMPARE(w.boxes().size(), 1);
        // Neither the number in the box nor the number of the device is what the watch looks
        // for: the device comes back as port 2.
        w.get<QLineEdit>("Text2")->setText(QStringLiteral("7"));
        qunsetenv("QIE_COM1");
        qputenv("QIE_COM2", link.toLocal8Bit());

        if (ending == 1)
            w.press("Command1");
        else if (ending == 2)
            w.triggerReconnect(true);
        else if (ending == 3)
            QCOMPARE(w.form.requestEnd(), true);
        QCOMPARE(panel->watch().isWatching(), ending == 0);

        PseudoTerminal back;
        QVERIFY(QFile::link(back.slavePath, link));
        panel->pollWatch();
        QCOMPARE(port.portOpen(), ending == 0);
        if (ending != 0)
            return;
        QCOMPARE(panel->watch().isWatching(), false);
        w.checkShows(true);
        QCOMPARE(w.label2(), QStringLiteral("Com No, = 1"));
        QCOMPARE(w.area()->toPlainText(), QStringLiteral("--- reconnected 05:06:07 ---\n"));
        QCOMPARE(lineOf(back.master), rawLine(B9600));
        QVERIFY(back.write("hi"));
        QTRY_COMPARE(w.area()->receivedBytes(), QByteArray("hi"));
        const QByteArray data = QByteArray::fromStdString(w.form.model().sendData());
        w.press("cmdSendData");
        QCOMPARE(back.read(data.size()), data);
        w.pass(10s);
        QCOMPARE(w.boxes().size(), 1);
    }

    // The item is remembered. A device is looked for four times a second, so that it is open
    // within a second of its return; a network port is asked once a second.
    void reconnectPace_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("a device") << "/dev/ttyUSB9" << 250;
        QTest::newRow("a network port") << "tcp://127.0.0.1:2000" << 1000;
    }
    void reconnectPace()
    {
        QFETCH(QString, device);
        QFETCH(int, intervalMs);
        qputenv("QIE_COM1", device.toLocal8Bit());
        FakeCommControl port;
        {
            Window earlier(port, QStringLiteral("1"));
            earlier.triggerReconnect(false);
        }
        port.open = false;
        Window w(port, QStringLiteral("1"));
        port.lose({ kErrDeviceLost, QStringLiteral("gone") });
        QCOMPARE(w.panel()->watch().isWatching(), true);
        QCOMPARE(w.panel()->watch().interval(), std::chrono::milliseconds(intervalMs));
        w.triggerReconnect(true);
    }

    // A port lost while a box is up, or soon after one closed, is said once, when the quiet
    // time after that box ends; the display shows the port closed at once.
    void lostPortWaitsForTheQuietTime_data()
    {
        QTest::addColumn<int>("lostAtMs"); // after the box closed; -1: while it is up
        QTest::newRow("lost while a box is up") << -1;
        QTest::newRow("lost 1 s after a box closed") << 1000;
    }
    void lostPortWaitsForTheQuietTime()
    {
        QFETCH(int, lostAtMs);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        const auto lose = [&] {
            port.lose({ 8110, QStringLiteral("device unplugged") });
            w.pass();
            w.checkShows(false);
        };
        w.dialogs.shown.whileShown = [&] {
            w.dialogs.shown.whileShown = {};
            w.dialogs.clock.now += 10s;
            if (lostAtMs < 0)
                lose();
        };
        emit port.lineFaultDetected(LineFault::Frame);
        w.pass();
        QCOMPARE(w.boxes().size(), 1);
        if (lostAtMs >= 0) {
            w.pass(std::chrono::milliseconds(lostAtMs));
            lose();
        }
        w.pass(2999ms - std::chrono::milliseconds(std::max(lostAtMs, 0)));
        QCOMPARE(w.boxes().size(), 1);
        w.pass(1ms);
        QCOMPARE(w.boxes().size(), 2);
        QCOMPARE(w.boxes()[1].text, QStringLiteral("device unplugged"));
        w.pass(10s);
        QCOMPARE(w.boxes().size(), 2);
    }

    // Boxes asked for while another is up, and boxes posted twice, come one after the other,
    // each once, each the quiet time after the one before.
    void heldBoxesComeOnceEach()
    {
        HeldDialogs dialogs;
        const Error lost { 8110, QStringLiteral("lost") };
        dialogs.shown.whileShown = [&] {
            dialogs.shown.whileShown = {};
            dialogs.hold.error(lost);
            dialogs.hold.postWarning(QStringLiteral("t"), QStringLiteral("again"));
            dialogs.hold.postWarning(QStringLiteral("t"), QStringLiteral("again"));
            dialogs.hold.postError(lost);
        };
        QCOMPARE(dialogs.hold.ask(QStringLiteral("t"), QStringLiteral("end?")), true);
        QCOMPARE(dialogs.shown.boxes.size(), 1);
        QList<int> shown;
        for (int step = 0; step < 4; ++step) {
            dialogs.clock.pass(2999ms);
            shown << int(dialogs.shown.boxes.size());
            dialogs.clock.pass(1ms);
        }
        QCOMPARE(shown, (QList<int> { 1, 2, 3, 3 }));
        QCOMPARE(dialogs.shown.boxes[1].kind, Kind::Error);
        QCOMPARE(dialogs.shown.boxes[2].text, QStringLiteral("again"));
    }

    // Beyond what the window asks for: other speeds and framings, and settings the port
    // refuses, which keep the last good ones.
    void settingsApplied_data()
    {
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<int>("refused"); // the error number, 0: taken
        QTest::addColumn<QList<uint>>("applied");
        QTest::newRow("19200, 2 stop bits")
            << line(19200, QSerialPort::NoParity, 8, QSerialPort::TwoStop) << 0
            << rawLine(B19200, CSTOPB);
        const QList<uint> kept = rawLine(B4800);
        QTest::newRow("9601 baud")
            << line(9601, QSerialPort::NoParity, 8, QSerialPort::OneStop) << 8104 << kept;
        QTest::newRow("9 data bits")
            << line(19200, QSerialPort::NoParity, 9, QSerialPort::OneStop) << 8104 << kept;
        QTest::newRow("1.5 stop bits")
            << line(19200, QSerialPort::NoParity, 8, QSerialPort::OneAndHalfStop) << 8104 << kept;
        QTest::newRow("unknown parity")
            << line(19200, QSerialPort::Parity(1), 8, QSerialPort::OneStop) << 8104 << kept;
    }
    void settingsApplied()
    {
        QFETCH(LineSettings, settings);
        QFETCH(int, refused);
        QFETCH(QList<uint>, applied);
        SerialPortControl control;
        QCOMPARE(control.setCommPort(1).has_value(), false);
        const LineSettings before = line(4800, QSerialPort::NoParity, 8, QSerialPort::OneStop);
        QCOMPARE(control.setSettings(before).has_value(), false);
        QCOMPARE(control.setSettings(settings).value_or(Error {}).number, refused);
        QCOMPARE(control.setPortOpen(true).has_value(), false);
        QCOMPARE(lineOf(m_device->master), applied);
    }

    // Counters as break, framing, overrun, parity, receive overflow, transmit full.
    void lineFaultsBecomeEvents_data()
    {
        QTest::addColumn<Counts>("after");
        QTest::addColumn<Faults>("faults");
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
        QFETCH(Faults, faults);
        QCOMPARE(LineErrorCounters::faultsBetween(Counts { 5, 5, 5, 5, 5, 5 }, after), faults);
    }

    // The window's side of the signals, on a fake control: a fault by its number, the known
    // ones and some that are not.
    void eventsShowTheirTexts_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, int n, const char *text) {
            QTest::newRow(name) << n << QString::fromUtf8(text);
        };
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
        QFETCH(int, fault);
        QFETCH(QString, message);
        FakeCommControl port;
        Window w(port, QStringLiteral("1"));
        port.receive("before");
        emit port.lineFaultDetected(LineFault(fault));
        emit port.lineFaultDetected(LineFault(fault));
        w.pass();
        // A fault shows its box; the same fault at once after it does not; nothing else changes.
        QCOMPARE(w.boxes().size(), 1);
        QCOMPARE(w.boxes()[0].title, kFaultTitle);
        QCOMPARE(w.boxes()[0].kind, Kind::Warning);
        QCOMPARE(w.boxes()[0].text, message);
        QCOMPARE(port.open, true);
        w.checkShows(true);
        QCOMPARE(w.area()->toPlainText(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
