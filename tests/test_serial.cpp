// SPDX-License-Identifier: MIT
#include "PseudoTerminal.h"
#include "serial/LineErrorCounters.h"
#include "serial/PortLocator.h"
#include "serial/SerialPortControl.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qie;
using qie::test::PseudoTerminal;

Q_DECLARE_METATYPE(qie::LineErrorCounters::Counts)

namespace {

// Everything OnComm reported, with the text read inside the handler for event 2, the way the
// window reads it.
struct EventLog
{
    QList<int> events;
    QString received;

    explicit EventLog(SerialPortControl &control)
    {
        QObject::connect(&control, &CommControl::OnComm, &control, [this, &control] {
            events.append(control.commEvent());
            if (control.commEvent() == CommControl::comEvReceive)
                received += control.input();
        });
    }
};

std::optional<CommError> configureAndOpen(SerialPortControl &control, int port = 1,
                                          const QString &settings = QStringLiteral("9600,n,8,1"),
                                          int handshaking = 0)
{
    for (const auto &step : { control.setCommPort(port), control.setSettings(settings),
                              control.setHandshaking(handshaking), control.setSThreshold(1),
                              control.setRThreshold(1) }) {
        if (step)
            return step;
    }
    return control.setPortOpen(true);
}

double cpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for `ms` and returns the share of it this process spent on a CPU.
double cpuShareWhileIdle(int ms)
{
    const double before = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuSeconds() - before) / (ms / 1000.0);
}

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PseudoTerminal> m_device;

private slots:
    void init()
    {
        m_device = std::make_unique<PseudoTerminal>();
        if (!m_device->isValid())
            QSKIP("no pseudo-terminal available");
        qputenv("QIE_COM1", m_device->slavePath().toLocal8Bit());
    }
    void cleanup()
    {
        m_device.reset();
        qunsetenv("QIE_COM1");
        qunsetenv("QIE_COM2");
    }

    void openConfiguresTheLine_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStops");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<bool>("xonXoff");

        // A pseudo-terminal forces 8 bits without parity whatever is asked, so the rows vary
        // only what it keeps: speed, stop bits and flow control.
        QTest::newRow("the program's 9600 8N1, no flow control")
            << "9600,n,8,1" << 0 << int(B9600) << false << false << false;
        QTest::newRow("upper case parity letter, blanks around fields")
            << " 9600, N ,8, 1" << 0 << int(B9600) << false << false << false;
        QTest::newRow("2 stops, RTS/CTS")
            << "19200,n,8,2" << 2 << int(B19200) << true << true << false;
        QTest::newRow("XON/XOFF") << "4800,n,8,1" << 1 << int(B4800) << false << false << true;
        QTest::newRow("parity and 7 bits are accepted")
            << "115200,e,7,1" << 0 << int(B115200) << false << false << false;
    }
    void openConfiguresTheLine()
    {
        QFETCH(QString, settings);
        QFETCH(int, handshaking);
        SerialPortControl control;
        QCOMPARE(configureAndOpen(control, 1, settings, handshaking).has_value(), false);
        QVERIFY(control.portOpen());
        QCOMPARE(control.device(), m_device->slavePath());

        const termios tio = m_device->slaveSettings();
        QTEST(int(cfgetispeed(&tio)), "speed");
        QTEST(int(cfgetospeed(&tio)), "speed");
        QCOMPARE(int(tio.c_cflag & CSIZE), int(CS8));
        QVERIFY(!(tio.c_cflag & PARENB));
        QTEST(bool(tio.c_cflag & CSTOPB), "twoStops");
        QTEST(bool(tio.c_cflag & CRTSCTS), "rtsCts");
        QTEST(bool(tio.c_iflag & IXON), "xonXoff");
        QTEST(bool(tio.c_iflag & IXOFF), "xonXoff");
        // Framing and parity errors must reach the driver's counters; breaks and garbled bytes
        // must not turn up as NUL characters in the received text.
        QVERIFY(tio.c_iflag & INPCK);
        QVERIFY(tio.c_iflag & IGNPAR);
        QVERIFY(tio.c_iflag & IGNBRK);
        QVERIFY(!(tio.c_iflag & PARMRK));
        // Raw: nothing converted on the way in or out.
        QVERIFY(!(tio.c_lflag & (ICANON | ECHO)));
        QVERIFY(!(tio.c_oflag & OPOST));
        QVERIFY(!(tio.c_iflag & (ICRNL | INLCR | IGNCR)));
    }

    void refusedValuesKeepTheLastGoodOnes_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("number");

        const int settings = SerialPortControl::errInvalidSettings;
        QTest::newRow("three fields") << "settings"
                                      << "9600,n,8" << 0 << settings;
        QTest::newRow("five fields") << "settings"
                                     << "9600,n,8,1,1" << 0 << settings;
        QTest::newRow("empty") << "settings"
                               << "" << 0 << settings;
        QTest::newRow("unknown parity") << "settings"
                                        << "9600,x,8,1" << 0 << settings;
        QTest::newRow("odd baud rate") << "settings"
                                       << "9601,n,8,1" << 0 << settings;
        QTest::newRow("baud not a number") << "settings"
                                           << "fast,n,8,1" << 0 << settings;
        QTest::newRow("nine data bits") << "settings"
                                        << "9600,n,9,1" << 0 << settings;
        QTest::newRow("four data bits") << "settings"
                                        << "9600,n,4,1" << 0 << settings;
        QTest::newRow("one and a half stops") << "settings"
                                              << "9600,n,8,1.5" << 0 << settings;
        QTest::newRow("handshaking 3") << "handshaking"
                                       << "" << 3 << int(SerialPortControl::errInvalidHandshaking);
        QTest::newRow("handshaking -1")
            << "handshaking"
            << "" << -1 << int(SerialPortControl::errInvalidHandshaking);
        QTest::newRow("port 0") << "port"
                                << "" << 0 << int(SerialPortControl::errInvalidPortNumber);
        QTest::newRow("port -1") << "port"
                                 << "" << -1 << int(SerialPortControl::errInvalidPortNumber);
        QTest::newRow("port 256") << "port"
                                  << "" << 256 << int(SerialPortControl::errInvalidPortNumber);
        QTest::newRow("negative receive threshold")
            << "rthreshold"
            << "" << -1 << int(SerialPortControl::errInvalidThreshold);
        QTest::newRow("negative send threshold")
            << "sthreshold"
            << "" << -1 << int(SerialPortControl::errInvalidThreshold);
    }
    void refusedValuesKeepTheLastGoodOnes()
    {
        QFETCH(QString, property);
        QFETCH(QString, text);
        QFETCH(int, value);
        SerialPortControl control;
        QVERIFY(!control.setCommPort(1));
        QVERIFY(!control.setSettings(QStringLiteral("9600,n,8,1")));
        QVERIFY(!control.setHandshaking(0));
        QVERIFY(!control.setSThreshold(1));
        QVERIFY(!control.setRThreshold(1));

        std::optional<CommError> refused;
        if (property == QLatin1String("settings"))
            refused = control.setSettings(text);
        else if (property == QLatin1String("handshaking"))
            refused = control.setHandshaking(value);
        else if (property == QLatin1String("port"))
            refused = control.setCommPort(value);
        else if (property == QLatin1String("rthreshold"))
            refused = control.setRThreshold(value);
        else
            refused = control.setSThreshold(value);
        QVERIFY(refused.has_value());
        QTEST(refused->number, "number");
        QVERIFY(!refused->description.isEmpty());

        // The open that follows still uses port 1 at 9600 8N1 without flow control.
        QCOMPARE(control.setPortOpen(true).has_value(), false);
        const termios tio = m_device->slaveSettings();
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
        QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));
        EventLog log(control);
        QVERIFY(m_device->write("x"));
        QTRY_COMPARE(log.received, QStringLiteral("x"));
    }

    void settingsAreRefusedWhileOpen_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("port number") << 0;
        QTest::newRow("settings") << 1;
        QTest::newRow("handshaking") << 2;
    }
    void settingsAreRefusedWhileOpen()
    {
        QFETCH(int, which);
        SerialPortControl control;
        QVERIFY(!configureAndOpen(control));
        const std::optional<CommError> refused = which == 0 ? control.setCommPort(2)
            : which == 1 ? control.setSettings(QStringLiteral("4800,n,8,1"))
                         : control.setHandshaking(2);
        QVERIFY(refused.has_value());
        QCOMPARE(refused->number, int(SerialPortControl::errPortAlreadyOpen));
        const termios tio = m_device->slaveSettings();
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QVERIFY(control.portOpen());
    }

    void openAndCloseTwice()
    {
        SerialPortControl control;
        QVERIFY(!configureAndOpen(control));
        const std::optional<CommError> again = control.setPortOpen(true);
        QVERIFY(again.has_value());
        QCOMPARE(again->number, int(SerialPortControl::errPortAlreadyOpen));
        QVERIFY(control.portOpen());
        QCOMPARE(control.setPortOpen(false).has_value(), false);
        QVERIFY(!control.portOpen());
        QCOMPARE(control.setPortOpen(false).has_value(), false);
        // Closed means released: the device is free for the next holder.
        QCOMPARE(PortLocator::holderOf(m_device->slavePath()).has_value(), false);
        QCOMPARE(control.setPortOpen(true).has_value(), false);
    }

    void outputWritesExactlyTheBytes_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QByteArray>("bytes");
        const QString data = QStringLiteral("CALL\r\n80\r\n40\r\n");
        QTest::newRow("one data text") << QStringList { data } << data.toLatin1();
        QTest::newRow("two presses send it twice")
            << QStringList { data, data } << (data + data).toLatin1();
        QTest::newRow("no terminator is added")
            << QStringList { QStringLiteral("AB") } << QByteArray("AB");
        QTest::newRow("non-ASCII in the system code page")
            << QStringList { QStringLiteral("J\u00e9") } << QStringLiteral("J\u00e9").toLocal8Bit();
        QTest::newRow("a large text in one piece")
            << QStringList { QString(5000, QLatin1Char('A')) } << QByteArray(5000, 'A');
    }
    void outputWritesExactlyTheBytes()
    {
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, bytes);
        SerialPortControl control;
        QVERIFY(!configureAndOpen(control));
        for (const QString &text : texts)
            QCOMPARE(control.setOutput(text).has_value(), false);
        const QByteArray got = m_device->read(bytes.size());
        QCOMPARE(got, bytes);
        // Nothing more trails behind.
        QCOMPARE(m_device->read(1, 100), QByteArray());
    }

    void outputWhileClosedIsRefused()
    {
        SerialPortControl control;
        QVERIFY(!control.setCommPort(1));
        const std::optional<CommError> refused = control.setOutput(QStringLiteral("X"));
        QVERIFY(refused.has_value());
        QCOMPARE(refused->number, int(SerialPortControl::errPortNotOpen));
    }

    void receivedChunksArriveWhole_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("text");
        const QByteArray ja = QStringLiteral("\u901a").toUtf8(); // three bytes
        QTest::newRow("one chunk") << QList<QByteArray> { "OK" } << "OK";
        QTest::newRow("lines with CR LF")
            << QList<QByteArray> { "READY\r\n", "80\r\n40\r\n" } << "READY\r\n80\r\n40\r\n";
        QTest::newRow("a character split after its first byte")
            << QList<QByteArray> { "A" + ja.left(1), ja.mid(1) + "B" }
            << QStringLiteral("A\u901aB");
        QTest::newRow("a character split after its second byte")
            << QList<QByteArray> { ja.left(2), ja.mid(2) + "\r\n" } << QStringLiteral("\u901a\r\n");
        QTest::newRow("a character in three chunks")
            << QList<QByteArray> { ja.left(1), ja.mid(1, 1), ja.mid(2) }
            << QStringLiteral("\u901a");
        QTest::newRow("NUL and control bytes pass unchanged")
            << QList<QByteArray> { QByteArray("a\0b\x07", 4) } << QStringLiteral("a\u0000b\u0007");
    }
    void receivedChunksArriveWhole()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, text);
        SerialPortControl control;
        EventLog log(control);
        QVERIFY(!configureAndOpen(control));
        for (const QByteArray &chunk : chunks) {
            QVERIFY(m_device->write(chunk));
            // Each chunk is read on its own before the next one is written.
            const int before = log.events.size();
            QTRY_VERIFY(log.events.size() > before);
        }
        QTRY_COMPARE(log.received, text);
        QVERIFY(log.events.size() >= 1);
        for (int event : log.events)
            QCOMPARE(event, int(CommControl::comEvReceive));
    }

    void thresholdsDecideTheEvents_data()
    {
        QTest::addColumn<int>("sThreshold");
        QTest::addColumn<int>("rThreshold");
        QTest::addColumn<bool>("sendEvent");
        QTest::addColumn<bool>("receiveEvent");
        QTest::newRow("both 1") << 1 << 1 << true << true;
        QTest::newRow("both 0: no events") << 0 << 0 << false << false;
        QTest::newRow("receive only") << 0 << 1 << false << true;
        QTest::newRow("send only") << 1 << 0 << true << false;
    }
    void thresholdsDecideTheEvents()
    {
        QFETCH(int, sThreshold);
        QFETCH(int, rThreshold);
        SerialPortControl control;
        EventLog log(control);
        QVERIFY(!control.setCommPort(1));
        QVERIFY(!control.setSThreshold(sThreshold));
        QVERIFY(!control.setRThreshold(rThreshold));
        QVERIFY(!control.setPortOpen(true));

        QVERIFY(!control.setOutput(QStringLiteral("ping")));
        QCOMPARE(m_device->read(4), QByteArray("ping"));
        QVERIFY(m_device->write("pong"));
        QTest::qWait(300);
        QTEST(log.events.contains(CommControl::comEvSend), "sendEvent");
        QTEST(log.events.contains(CommControl::comEvReceive), "receiveEvent");
        // The bytes wait for a read either way.
        if (!log.events.contains(CommControl::comEvReceive))
            QCOMPARE(control.input(), QStringLiteral("pong"));
        // Nothing else is raised: a pseudo-terminal has no fault counters.
        for (int event : log.events)
            QVERIFY(event == CommControl::comEvSend || event == CommControl::comEvReceive);
    }

    void openFailuresSayWhatToDo_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("device path does not exist")
            << "missing" << int(SerialPortControl::errNoSuchPort) << "does not exist";
        QTest::newRow("no device for the number")
            << "unlisted" << int(SerialPortControl::errNoSuchPort) << "There is no port 254";
        QTest::newRow("another program has it open")
            << "held" << int(SerialPortControl::errPortInUse) << "in use by this program";
        QTest::newRow("another control has it open")
            << "twice" << int(SerialPortControl::errPortInUse) << "in use";
        QTest::newRow("no permission")
            << "denied" << int(SerialPortControl::errPermissionDenied) << "group";
    }
    void openFailuresSayWhatToDo()
    {
        QFETCH(QString, how);
        QFETCH(QString, mentions);
        int port = 1;
        int holder = -1;
        SerialPortControl other;
        if (how == QLatin1String("missing")) {
            qputenv("QIE_COM1", "/dev/pts/no-such-device");
        } else if (how == QLatin1String("unlisted")) {
            port = 254;
        } else if (how == QLatin1String("held")) {
            holder = ::open(m_device->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
            QVERIFY(holder >= 0);
        } else if (how == QLatin1String("twice")) {
            QVERIFY(!configureAndOpen(other));
        } else if (how == QLatin1String("denied")) {
            if (::geteuid() == 0)
                QSKIP("root may open any device");
            QVERIFY(::chmod(m_device->slavePath().toLocal8Bit().constData(), 0) == 0);
        }

        SerialPortControl control;
        const std::optional<CommError> failure = configureAndOpen(control, port);
        if (holder >= 0)
            ::close(holder);
        QVERIFY(failure.has_value());
        QTEST(failure->number, "number");
        QVERIFY2(failure->description.contains(mentions), qPrintable(failure->description));
        QVERIFY(!control.portOpen());
        // The other holder keeps its port.
        if (how == QLatin1String("twice"))
            QVERIFY(other.portOpen());
    }

    void noSuchPortListsTheNumbersThatExist()
    {
        qputenv("QIE_COM2", m_device->slavePath().toLocal8Bit());
        qputenv("QIE_COM1", "/dev/pts/no-such-device");
        SerialPortControl control;
        const std::optional<CommError> failure = configureAndOpen(control, 1);
        QVERIFY(failure.has_value());
        QVERIFY2(failure->description.contains(QStringLiteral("2 (%1)").arg(m_device->slavePath())),
                 qPrintable(failure->description));
    }

    void portNumbersFollowTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("used");
        QTest::newRow("QIE_COM1") << QByteArray("QIE_COM1") << 1 << true;
        QTest::newRow("QIE_COM99, the last one") << QByteArray("QIE_COM99") << 99 << true;
        QTest::newRow("QIE_COM100 is not read") << QByteArray("QIE_COM100") << 100 << false;
        QTest::newRow("QIE_COM0 is not read") << QByteArray("QIE_COM0") << 0 << false;
    }
    void portNumbersFollowTheEnvironment()
    {
        QFETCH(QByteArray, variable);
        QFETCH(int, number);
        QFETCH(bool, used);
        qunsetenv("QIE_COM1");
        const QString device = QStringLiteral("/dev/pts/test-%1").arg(number);
        qputenv(variable.constData(), device.toLocal8Bit());
        const QString found = PortLocator::deviceFor(number);
        const QString described = PortLocator::describe();
        qunsetenv(variable.constData());
        QCOMPARE(found == device, used);
        QCOMPARE(described.contains(QStringLiteral("%1 = %2").arg(number).arg(device)), used);
    }

    void deviceVanishingIsReportedOnce_data()
    {
        QTest::addColumn<bool>("sendAfterwards");
        QTest::addColumn<bool>("dataBefore");
        QTest::newRow("idle port hangs up") << false << false;
        QTest::newRow("hang-up after data") << false << true;
        QTest::newRow("send to a hung-up device") << true << false;
    }
    void deviceVanishingIsReportedOnce()
    {
        QFETCH(bool, sendAfterwards);
        QFETCH(bool, dataBefore);
        SerialPortControl control;
        EventLog log(control);
        QSignalSpy lost(&control, &CommControl::portLost);
        QVERIFY(!configureAndOpen(control));
        if (dataBefore) {
            QVERIFY(m_device->write("hello"));
            QTRY_COMPARE(log.received, QStringLiteral("hello"));
        }
        m_device->closeMaster();
        if (sendAfterwards)
            control.setOutput(QStringLiteral("data"));

        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(!control.portOpen());
        const auto error = lost.first().first().value<CommError>();
        QCOMPARE(error.number, int(SerialPortControl::errDeviceLost));
        QVERIFY(error.description.contains(QStringLiteral("Port 1")));

        // Quiet afterwards: no second report and no notifier spinning on the dead descriptor.
        QVERIFY(cpuShareWhileIdle(500) < 0.25);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(control.setPortOpen(false).has_value(), false);
        QCOMPARE(lost.size(), 1);
    }

    void closingBeforeTheLossIsReportedReportsNothing()
    {
        SerialPortControl control;
        QSignalSpy lost(&control, &CommControl::portLost);
        QVERIFY(!configureAndOpen(control));
        m_device->closeMaster();
        // The operator's close wins the race against the queued report.
        QCOMPARE(control.setPortOpen(false).has_value(), false);
        QTest::qWait(200);
        QCOMPARE(lost.size(), 0);
        QVERIFY(!control.portOpen());
    }

    void destructionReleasesTheDevice()
    {
        {
            SerialPortControl control;
            QVERIFY(!configureAndOpen(control));
            QVERIFY(PortLocator::holderOf(m_device->slavePath()).has_value());
        }
        QCOMPARE(PortLocator::holderOf(m_device->slavePath()).has_value(), false);
        SerialPortControl next;
        QCOMPARE(configureAndOpen(next).has_value(), false);
    }

    void lineFaultsBecomeEvents_data()
    {
        using Counts = LineErrorCounters::Counts;
        QTest::addColumn<Counts>("before");
        QTest::addColumn<Counts>("after");
        QTest::addColumn<QList<int>>("events");
        const Counts zero;
        QTest::newRow("nothing moved") << zero << zero << QList<int> {};
        QTest::newRow("break") << zero << Counts { 1, 0, 0, 0, 0, 0 }
                               << QList<int> { CommControl::comEventBreak };
        QTest::newRow("framing") << zero << Counts { 0, 3, 0, 0, 0, 0 }
                                 << QList<int> { CommControl::comEventFrame };
        QTest::newRow("overrun") << zero << Counts { 0, 0, 1, 0, 0, 0 }
                                 << QList<int> { CommControl::comEventOverrun };
        QTest::newRow("parity") << zero << Counts { 0, 0, 0, 2, 0, 0 }
                                << QList<int> { CommControl::comEventRxParity };
        QTest::newRow("receive buffer overflow")
            << zero << Counts { 0, 0, 0, 0, 1, 0 } << QList<int> { CommControl::comEventRxOver };
        QTest::newRow("transmit buffer full")
            << zero << Counts { 0, 0, 0, 0, 0, 1 } << QList<int> { CommControl::comEventTxFull };
        QTest::newRow("several at once, each once")
            << Counts { 5, 5, 5, 5, 5, 5 } << Counts { 6, 5, 9, 6, 5, 5 }
            << QList<int> { CommControl::comEventBreak, CommControl::comEventOverrun,
                            CommControl::comEventRxParity };
        QTest::newRow("a counter reset by the driver raises nothing")
            << Counts { 7, 7, 7, 7, 7, 7 } << Counts { 0, 7, 7, 7, 7, 7 } << QList<int> {};
        QTest::newRow("all of them") << zero << Counts { 1, 1, 1, 1, 1, 1 }
                                     << QList<int> { 1001, 1004, 1006, 1008, 1009, 1010 };
    }
    void lineFaultsBecomeEvents()
    {
        QFETCH(LineErrorCounters::Counts, before);
        QFETCH(LineErrorCounters::Counts, after);
        QTEST(LineErrorCounters::eventsBetween(before, after), "events");
    }

    void aPortWithoutCountersReportsNoFaults()
    {
        LineErrorCounters counters;
        const int fd = ::open(m_device->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(counters.arm(fd), false);
        QCOMPARE(counters.poll(), QList<int> {});
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
