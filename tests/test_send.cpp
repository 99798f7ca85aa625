// SPDX-License-Identifier: MIT
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "serial/SerialPortControl.h"

#include <QImage>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
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
    bool hangsUp = false; // once the answer is out, or at once without one

    void take()
    {
        if (master < 0)
            return;
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            received.append(buffer, n);
        if (received.size() < answerAfter)
            return;
        if (!answer.isEmpty()) {
            [[maybe_unused]] const auto n = ::write(master, answer.data(), answer.size());
            answer.clear();
            // The answer must reach the program before the line goes.
            QTest::qWait(200);
        }
        if (hangsUp)
            hangUp();
    }
};

// Eleven lines, each ended by CR LF as the editor saves them. The callsign line holds a
// byte-order mark, a Shift-JIS character and a byte no text encoding would keep, and the
// last line has no meaning to the device: all are sent as they are.
const QByteArray kDataText = "\xEF\xBB\xBFJA1\x83\x65\xFF\r\n"
                             "00FF\r\n0180\r\n0240\r\n0420\r\n0810\r\n"
                             "1008\r\n2004\r\n4002\r\n8001\r\n"
                             "FFFF\r\n";

// The kind of node at `path` (S_IFREG, S_IFIFO, ...), not following a last link; 0 for none.
mode_t typeOf(const QString &path)
{
    struct ::stat status
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

// The commands run with no display: they must not need one.
QProcessEnvironment commandEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

// A Unix socket bound at `path` and listening; its descriptor, or -1. It lives as long as the
// test process, which is short.
int listeningSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || name.size() >= qsizetype(sizeof address.sun_path))
        return -1;
    std::copy(name.begin(), name.end(), address.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(fd, 1) != 0)
        return -1;
    return fd;
}

// The data file Save writes for `rows` with an empty callsign.
QByteArray savedFile(const QByteArray &callsign, const QByteArrayList &rows)
{
    QByteArray text = callsign + "\r\n";
    for (const QByteArray &row : rows)
        text += row + "\r\n";
    return text + "\r\n";
}

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestSend : public QObject
{
    Q_OBJECT

private slots:
    // Each row runs the program; `setup` says what the device does ("answers", "takes
    // nothing", "hangs up" once all has arrived), where the file comes from ("stdin") and where
    // standard output goes ("closed": a pipe nobody reads).
    void send_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("error");
        const QByteArray answer("OK\r\n\x00\xff\x1b[0m", 10);
        QTest::newRow("sent, the answer copied byte for byte")
            << QStringList { "FILE", "--port", "1", "--wait", "1" } << "answers" << 0 << answer
            << "";
        QTest::newRow("sent, nothing awaited")
            << QStringList { "FILE", "--port", "1" } << "" << 0 << QByteArray() << "";
        QTest::newRow("sent from standard input")
            << QStringList { "-", "--port", "1" } << "stdin" << 0 << QByteArray() << "";
        QTest::newRow("a hang-up during the wait, after all had left")
            << QStringList { "FILE", "--port", "1", "--wait", "5" } << "hangs up" << 0
            << QByteArray() << "Number : 8110\n";
        QTest::newRow("answer to a closed pipe")
            << QStringList { "FILE", "--port", "1", "--wait", "1" } << "answers, closed" << 4
            << QByteArray() << "could not be written to standard output: Broken pipe";
        QTest::newRow("help sends nothing")
            << QStringList { "FILE", "--help" } << "help" << 0
            << QByteArray("Usage: quernel-image-editor send FILE --port N|PATH|URL [--wait "
                          "SECONDS]\n")
            << "";
        QTest::newRow("no help option beyond -h and --help")
            << QStringList { "FILE", "--help-all" } << "" << 2 << QByteArray()
            << "Unknown option 'help-all'";
        QTest::newRow("no such file") << QStringList { "missing.txt", "--port", "1" } << "" << 1
                                      << QByteArray() << "Number : 53\n";
        QTest::newRow("no file named") << QStringList {} << "" << 2 << QByteArray()
                                       << "quernel-image-editor send: no FILE given.";
        QTest::newRow("no --port, though QIE_COM1 is set")
            << QStringList { "FILE" } << "" << 2 << QByteArray() << "--port is required";
        QTest::newRow("--port empty") << QStringList { "FILE", "--port", "" } << "" << 2
                                      << QByteArray() << "--port names no port.";
        QTest::newRow("digits beyond any port number")
            << QStringList { "FILE", "--port", "99999999999" } << "" << 2 << QByteArray()
            << "--port 99999999999 is not a port number from 1 to 255.";
        QTest::newRow("a device path")
            << QStringList { "FILE", "--port", "{device}" } << "" << 0 << QByteArray() << "";
        QTest::newRow("a path with digits is a path, not a number")
            << QStringList { "FILE", "--port", "./1" } << "" << 3 << QByteArray()
            << "Description : ./1 does not exist.";
        QTest::newRow("a path that is no terminal")
            << QStringList { "FILE", "--port", "/dev/null" } << "" << 3 << QByteArray()
            << "Description : /dev/null is not a serial port but a character device (1:3) that is "
               "no terminal; it was not opened. Name a serial device such as /dev/ttyUSB0.";
        QTest::newRow("a mistyped network address")
            << QStringList { "FILE", "--port", "tpc://beacon:1" } << "" << 2 << QByteArray()
            << "send: \"tpc://beacon:1\" is not a network port: the protocol must be rfc2217 "
               "or tcp, not \"tpc\".";
        QTest::newRow("QIE_COM99 never reads the pins")
            << QStringList { "FILE", "--port", "99" } << "settings FIFO, QIE_COM99" << 0
            << QByteArray() << "";
        QTest::newRow("a path never reads the pins") << QStringList { "FILE", "--port", "{device}" }
                                                     << "settings FIFO" << 0 << QByteArray() << "";
        QTest::newRow("negative wait") << QStringList { "FILE", "--port", "1", "--wait", "-1" }
                                       << "" << 2 << QByteArray() << "--wait takes seconds";
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
            << QStringList { "FILE", "--port", "1" } << "takes nothing" << 3 << QByteArray()
            << QStringLiteral("Number : %1\nDescription : %2 byte(s)")
                   .arg(kErrUnsentDiscarded)
                   .arg(kDataText.size());
    }
    void send()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setup);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(QString, error);
        Device device;
        if (device.slavePath.isEmpty())
            QSKIP("no pseudo-terminal available");
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("FILE")), kDataText + "\r\n"));
        device.answerAfter = kDataText.size();
        if (setup.contains(u"answers"))
            device.answer = status == 0 ? output : QByteArray("answer");
        device.hangsUp = setup.contains(u"hangs up");
        if (setup == u"takes nothing")
            device.fill();
        if (setup.startsWith(u"settings FIFO")) {
            QDir(dir.path()).mkpath(QStringLiteral("quernel-image-editor"));
            QCOMPARE(
                ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral(
                                               "quernel-image-editor/quernel-image-editor.conf")))
                             .constData(),
                         0600),
                0);
        }
        arguments.replaceInStrings(QStringLiteral("{device}"), device.slavePath);
        if (setup == u"pinned") {
            // Where the editor keeps its pins on this system.
            QDir(dir.path()).mkpath(QStringLiteral("quernel-image-editor"));
            QVERIFY(writeFile(
                dir.filePath(QStringLiteral("quernel-image-editor/quernel-image-editor.conf")),
                "[pinnedPorts]\n2\\identity=serial:0403:6001:NOT-HERE\n2\\name=Cable 9\n"));
        }
        QSocketNotifier arrivals(device.master, QSocketNotifier::Read);
        if (setup != u"takes nothing")
            connect(&arrivals, &QSocketNotifier::activated, this, [&] {
                device.take();
                arrivals.setEnabled(device.master >= 0);
            });

        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QIE_COM1"), device.slavePath);
        if (setup.contains(u"QIE_COM99"))
            environment.insert(QStringLiteral("QIE_COM99"), device.slavePath);
        // The operator's pinned adapters stay out of the test.
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(environment);
        if (setup.contains(u"stdin"))
            program.setStandardInputFile(dir.filePath(QStringLiteral("FILE")));
        // A pipe whose reader is gone before the program writes to it.
        int closedPipe[2] = { -1, -1 };
        if (setup.contains(u"closed")) {
            QCOMPARE(::pipe(closedPipe), 0);
            ::close(closedPipe[0]);
            program.setChildProcessModifier([end = closedPipe[1]] { ::dup2(end, 1); });
        }
        program.start(QStringLiteral(QIE_PROGRAM),
                      QStringList { QStringLiteral("send") } + arguments);
        QVERIFY(program.waitForStarted());
        if (closedPipe[1] >= 0)
            ::close(closedPipe[1]);
        QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 20000);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QByteArray written = program.readAllStandardOutput();
        // The help is checked by its first line.
        QCOMPARE(setup == u"help" ? written.left(output.size()) : written, output);
        const QString shown = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(shown.contains(error), qPrintable(shown));
        QCOMPARE(shown.isEmpty(), error.isEmpty());
        if (setup != u"takes nothing") {
            device.take();
            const bool sent = status == 0 || status == 4;
            QCOMPARE(device.received, sent && setup != u"help" ? kDataText : QByteArray());
        }
    }

    // What -o names: standard output in its four spellings, devices and FIFOs written in
    // place, and what is refused; IMAGE "-" is standard input. `stdout` is where the program's
    // standard output goes: "pipe" (read back), or "append" (a log file with "old\n", opened
    // for appending, read back). `output` is what was read back; `says` part of standard
    // error, and the node -o names is of the same type afterwards.
    void outputs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("stdout");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("says");
        const QByteArray left = savedFile(
            "", { "F000", "0000", "0000", "0000", "0000", "0000", "0000", "0000", "0000", "0000" });
        QTest::newRow("- is standard output")
            << QStringList { "convert", "{left}", "-o", "-" } << "pipe" << 0 << left << "";
        QTest::newRow("/dev/stdout appends to the redirection")
            << QStringList { "convert", "{left}", "-o", "/dev/stdout" } << "append" << 0
            << "old\n" + left << "";
        QTest::newRow("/proc/self/fd/1 appends to the redirection")
            << QStringList { "text", "-o", "/proc/self/fd/1", "--", "-" } << "append" << 0
            << "old\n"
                + savedFile("", { "00", "00", "00", "00", "F0", "00", "00", "00", "00", "00" })
            << "";
        QTest::newRow("IMAGE - is standard input")
            << QStringList { "convert", "-", "-o", "-" } << "stdin" << 0 << left << "";
        QTest::newRow("a FIFO with a reader")
            << QStringList { "convert", "{left}", "-o", "{fifo}" } << "reader" << 0 << left << "";
        QTest::newRow("a FIFO nobody reads")
            << QStringList { "convert", "{left}", "-o", "{fifo}" } << "pipe" << 1 << QByteArray()
            << "is a FIFO that no program reads";
        QTest::newRow("a character device") << QStringList { "convert", "{left}", "-o", "{null}" }
                                            << "pipe" << 0 << QByteArray() << "";
        QTest::newRow("a device that takes nothing")
            << QStringList { "convert", "{left}", "-o", "{full}" } << "pipe" << 1 << QByteArray()
            << "was not written: No space left on device";
        QTest::newRow("a socket") << QStringList { "convert", "{left}", "-o", "{socket}" } << "pipe"
                                  << 1 << QByteArray() << "is not a regular file";
        QTest::newRow("a folder") << QStringList { "convert", "{left}", "-o", "{dir}" } << "pipe"
                                  << 1 << QByteArray() << "is not a regular file";
        QTest::newRow("a dangling link into a missing folder")
            << QStringList { "convert", "{left}", "-o", "{dangling}" } << "pipe" << 1
            << QByteArray() << "and the folder \"{dir}/nowhere\" does not exist";
    }
    void outputs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, stdout);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString left = dir.filePath(QStringLiteral("left.png"));
        QImage image = filled(12, 10, Qt::black);
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, 0, Qt::white);
        QVERIFY(image.save(left));
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Devices of our own, so that no mistake can touch the system's.
        const QString null = dir.filePath(QStringLiteral("null"));
        const QString full = dir.filePath(QStringLiteral("full"));
        const bool devices
            = ::mknod(QFile::encodeName(null).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0
            && ::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
        if (!devices && (arguments.contains("{null}") || arguments.contains("{full}")))
            QSKIP("making a device node takes root");
        const QString socketPath = dir.filePath(QStringLiteral("socket"));
        QVERIFY(listeningSocket(socketPath) >= 0);
        const QString dangling = dir.filePath(QStringLiteral("dangling"));
        QVERIFY(QFile::link(QStringLiteral("nowhere/deeper/out.txt"), dangling));
        const QString log = dir.filePath(QStringLiteral("log"));
        QVERIFY(writeFile(log, "old\n"));

        const auto replaced = [&](QString text) {
            return text.replace(QLatin1String("{left}"), left)
                .replace(QLatin1String("{fifo}"), fifo)
                .replace(QLatin1String("{null}"), null)
                .replace(QLatin1String("{full}"), full)
                .replace(QLatin1String("{socket}"), socketPath)
                .replace(QLatin1String("{dangling}"), dangling)
                .replace(QLatin1String("{dir}"), dir.path());
        };
        QStringList actual;
        for (const QString &argument : arguments)
            actual << replaced(argument);
        const QString node = actual.value(actual.indexOf(QStringLiteral("-o")) + 1);
        const mode_t typeBefore = typeOf(node);
        const int reader = stdout == u"reader"
            ? ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK)
            : -1;
        QProcess process;
        process.setProcessEnvironment(commandEnvironment());
        if (stdout == u"append")
            process.setStandardOutputFile(log, QIODevice::Append);
        if (stdout == u"stdin")
            process.setStandardInputFile(left);
        process.start(QStringLiteral(QIE_PROGRAM), actual);
        QVERIFY(process.waitForFinished(30000));
        QByteArray got = stdout == u"append" ? readAll(log) : process.readAllStandardOutput();
        if (reader >= 0) {
            char buffer[4096];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, n);
            ::close(reader);
        }
        const QString error = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(got, output);
        QVERIFY2(error.contains(replaced(says)), qPrintable(error));
        QCOMPARE(typeOf(node), typeBefore);
    }

    // Input the operator typed, refused or quoted back. The last argument is made by printf
    // from `format`, so that it can hold any byte. `says` is part of standard error, which
    // never holds a control character but its line ends.
    void typedInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QStringList callsign = { "text", "Hi", "-o", "{out}", "--callsign" };
        QTest::newRow("callsign: ESC") << callsign << "A\\033B" << 2
                                       << "cannot hold U+001B (character 2), a control character";
        QTest::newRow("callsign: NEL, a C1 control")
            << callsign << "\\302\\205" << 2 << "U+0085 (character 1), a control character";
        QTest::newRow("callsign: left-to-right mark")
            << callsign << "AB\\342\\200\\216" << 2 << "U+200E (character 3), a format character";
        QTest::newRow("callsign: line separator")
            << callsign << "\\342\\200\\250" << 2 << "U+2028 (character 1), a line separator";
        QTest::newRow("callsign: paragraph separator")
            << callsign << "\\342\\200\\251" << 2 << "U+2029 (character 1), a paragraph separator";
        QTest::newRow("callsign: a character beyond 16 bits counts once")
            << callsign << "\\360\\237\\230\\200\\t" << 2 << "U+0009 (character 2)";
        QTest::newRow("callsign: a format character beyond 16 bits")
            << callsign << "\\363\\240\\200\\201" << 2 << "U+E0001 (character 1), a format";
        QTest::newRow("callsign: broken UTF-8")
            << callsign << "AB\\377C" << 2
            << "--callsign is not valid UTF-8: character 3 is the byte \\xFF.";
        QTest::newRow("callsign: printable non-ASCII")
            << callsign << "\\303\\204\\343\\201\\202" << 0 << "";
        QTest::newRow("callsign: 100000 characters quoted as 80")
            << callsign << QString(100000, u'A') << 2
            << "\"" + QString(80, u'A') + "…\" has 100000.";
        QTest::newRow("font name with escape sequences")
            << QStringList { "text", "Hi", "-o", "{out}", "--font" } << "\\033[2J\\007" << 1
            << "there is no font \"\\x1B[2J\\x07\"";
        QTest::newRow("unknown option named with DEL")
            << QStringList { "text", "Hi", "-o", "{out}" } << "--x\\177" << 2
            << "Unknown option 'x\\x7F'.";
        QTest::newRow("network address with escape sequences")
            << QStringList { "send", "{out}", "--port" } << "tcp://a\\033[2J:1" << 2
            << "\"tcp://a\\x1B[2J:1\" is not a network port: \"a\\x1B[2J\" is not a host name.";
        QTest::newRow("image path cut in its middle")
            << QStringList { "convert", "-o", "{out}" } << "/nowhere/" + QString(300, u'a') + ".png"
            << 1 << "\"/nowhere/" + QString(118, u'a') + "…" + QString(123, u'a') + ".png\"";
    }
    void typedInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, format);
        QFETCH(int, status);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.txt"));
        QStringList actual
            = { QStringLiteral("-c"),
                QStringLiteral("p=$1; f=$2; shift 2; exec \"$p\" \"$@\" \"$(printf -- "
                               "\"$f\")\""),
                QStringLiteral("sh"), QStringLiteral(QIE_PROGRAM), format };
        for (const QString &argument : arguments)
            actual << QString(argument).replace(QLatin1String("{out}"), out);
        QProcess process;
        process.setProcessEnvironment(commandEnvironment());
        process.start(QStringLiteral("/bin/sh"), actual);
        QVERIFY(process.waitForFinished(30000));
        const QByteArray error = process.readAllStandardError();
        QCOMPARE(process.exitCode(), status);
        QVERIFY2(QString::fromUtf8(error).contains(says), error.constData());
        for (const char c : error)
            QVERIFY2(c == '\n' || static_cast<unsigned char>(c) >= 0x20, error.constData());
        if (status == 0)
            QCOMPARE(readAll(out).left(7), QByteArray("\xC3\x84\xE3\x81\x82\r\n"));
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
        program.start(
            QStringLiteral(QIE_PROGRAM),
            { QStringLiteral("send"), file, QStringLiteral("--port"), QStringLiteral("1") });
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
