// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "serial/SerialPortControl.h"

#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;

namespace {

// The program's "send" command against a pseudo-terminal, the test playing the device on the
// master side: it collects what arrives and answers once the whole data text is there.
struct Device : PseudoTerminal
{
    QByteArray received;
    QByteArray answer;
    qsizetype answerAfter = 0;

    void take()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            received.append(buffer, n);
        if (!answer.isEmpty() && received.size() >= answerAfter) {
            [[maybe_unused]] const auto n = ::write(master, answer.data(), answer.size());
            answer.clear();
        }
    }
};

// Eleven lines, each ended by CR LF as the editor saves them. The callsign line holds a
// byte-order mark, a Shift-JIS character and a byte no text encoding would keep, and the
// last line has no meaning to the device: all are sent as they are.
const QByteArray kDataText = "\xEF\xBB\xBFJA1\x83\x65\xFF\r\n"
                             "00FF\r\n0180\r\n0240\r\n0420\r\n0810\r\n"
                             "1008\r\n2004\r\n4002\r\n8001\r\n"
                             "FFFF\r\n";

} // namespace

class TestSend : public QObject
{
    Q_OBJECT

private slots:
    // Each row runs the program; `setup` says what the device does.
    void send_data()
    {
        columns<QStringList, QString, int, QByteArray, QString>("arguments", "setup", "status",
                                                                "output", "error");
        const QByteArray answer("OK\r\n\x00\xff\x1b[0m", 10);
        QTest::newRow("sent, the answer copied byte for byte")
            << QStringList { "FILE", "--wait", "1" } << "answers" << 0 << answer << "";
        QTest::newRow("sent, nothing awaited")
            << QStringList { "FILE" } << "" << 0 << QByteArray() << "";
        QTest::newRow("no such file")
            << QStringList { "missing.txt" } << "" << 1 << QByteArray() << "Number : 53\n";
        QTest::newRow("no file named") << QStringList {} << "" << 2 << QByteArray()
                                       << "quernel-image-editor send: no FILE given.";
        QTest::newRow("port number not a number")
            << QStringList { "FILE", "--port", "one" } << "" << 2 << QByteArray()
            << "--port takes a whole number";
        QTest::newRow("negative wait") << QStringList { "FILE", "--wait", "-1" } << "" << 2
                                       << QByteArray() << "--wait takes seconds";
        QTest::newRow("unknown option") << QStringList { "FILE", "--baud", "300" } << "" << 2
                                        << QByteArray() << "Unknown option 'baud'";
        QTest::newRow("no such port")
            << QStringList { "FILE", "--port", "7" } << "" << 3 << QByteArray()
            << QStringLiteral("Number : %1\n").arg(kErrNoSuchPort);
        QTest::newRow("a pinned adapter that is not plugged in")
            << QStringList { "FILE", "--port", "2" } << "pinned" << 3 << QByteArray()
            << QStringLiteral("Number : %1\nDescription : Port 2 is pinned to the adapter "
                              "Cable 9, which is not plugged in.")
                   .arg(kErrPinnedAdapterAbsent);
        QTest::newRow("bytes that never left")
            << QStringList { "FILE" } << "takes nothing" << 3 << QByteArray()
            << QStringLiteral("Number : %1\nDescription : %2 byte(s)")
                   .arg(kErrUnsentDiscarded)
                   .arg(kDataText.size());
    }
    void send()
    {
        const auto [arguments, setup, status, output, error]
            = fetch<QStringList, QString, int, QByteArray, QString>("arguments", "setup", "status",
                                                                    "output", "error");
        Device device;
        if (device.slavePath.isEmpty())
            QSKIP("no pseudo-terminal available");
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("FILE")), kDataText + "\r\n"));
        if (setup == u"answers") {
            device.answer = output;
            device.answerAfter = kDataText.size();
        }
        if (setup == u"takes nothing")
            device.fill();
        if (setup == u"pinned") {
            // Where the editor keeps its pins on this system.
            QDir(dir.path()).mkpath(QStringLiteral("quernel-image-editor"));
            QVERIFY(writeFile(
                dir.filePath(QStringLiteral("quernel-image-editor/quernel-image-editor.conf")),
                "[pinnedPorts]\n2\\identity=serial:0403:6001:NOT-HERE\n2\\name=Cable 9\n"));
        }
        QSocketNotifier arrivals(device.master, QSocketNotifier::Read);
        if (setup != u"takes nothing")
            connect(&arrivals, &QSocketNotifier::activated, this, [&device] { device.take(); });

        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QIE_COM1"), device.slavePath);
        // The operator's pinned adapters stay out of the test.
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QIE_PROGRAM),
                      QStringList { QStringLiteral("send") } + arguments);
        QVERIFY(program.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 20000);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        QCOMPARE(program.readAllStandardOutput(), output);
        const QString shown = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(shown.contains(error), qPrintable(shown));
        QCOMPARE(shown.isEmpty(), error.isEmpty());
        if (setup != u"takes nothing") {
            device.take();
            QCOMPARE(device.received, status == 0 ? kDataText : QByteArray());
        }
    }

    // Through a virtual port pair, the usual stand-in for a device: its maker holds both
    // terminals open, as the device side, and the port opens all the same.
    void sendThroughAVirtualPortPair()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("socat is not installed");
        QTemporaryDir dir;
        const QString ours = dir.filePath(QStringLiteral("vA"));
        const QString theirs = dir.filePath(QStringLiteral("vB"));
        QProcess pair;
        pair.start(QStringLiteral("socat"),
                   { QStringLiteral("pty,raw,echo=0,link=") + ours,
                     QStringLiteral("pty,raw,echo=0,link=") + theirs });
        QVERIFY(pair.waitForStarted());
        QTRY_VERIFY(QFile::exists(ours));
        QTRY_VERIFY(QFile::exists(theirs));
        QFile device(theirs);
        QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const QString file = dir.filePath(QStringLiteral("FILE"));
        QVERIFY(writeFile(file, kDataText));

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QIE_COM1"), ours);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QIE_PROGRAM), { QStringLiteral("send"), file });
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), QString());
        QCOMPARE(program.exitCode(), 0);
        QByteArray received;
        ::fcntl(device.handle(), F_SETFL, O_NONBLOCK);
        QTRY_COMPARE((received += device.readAll()), kDataText);
        pair.terminate();
        pair.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestSend)
#include "test_send.moc"
