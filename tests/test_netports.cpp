// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "SerialServer.h"
#include "common/Settings.h"
#include "serial/PortControl.h"
#include "serial/PortLocator.h"
#include "ui/Form1.h"
#include "ui/NetworkPortDialog.h"
#include "ui/PortPicker.h"
#include "ui/ReceiveArea.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTest>
#include <QtWidgets>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using Box = FakeDialogService::Box;

namespace {

// A data file as Save writes it, with bytes that must pass a network server unchanged: CR LF,
// a lone CR, NUL, and 0xFF, the byte that starts every telnet command.
const QByteArray kFile("\xFF\xFEJA1\r\n"
                       "00FF\r\n0180\r\n0240\r\n0420\r\n0810\r\n"
                       "1008\r\n2004\r\n4002\r\n8001\r\n"
                       "FFFF\r\n\r\n");
// What the editor sends of it: the eleven lines, without the blank line Save adds.
const QByteArray kSent = kFile.first(kFile.size() - 2);
// What the device answers, with the same bytes.
const QByteArray kAnswer("OK\r\n\xFF\0\xFF\xFF\r", 9);

QByteArray wire(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (const int byte : bytes)
        out.append(char(byte));
    return out;
}

// A COM-PORT-OPTION subnegotiation: IAC SB 44, the parameters, IAC SE.
QByteArray comPort(std::initializer_list<int> parameters)
{
    return wire({ 255, 250, 44 }) + wire(parameters) + wire({ 255, 240 });
}

// A device behind Debian's serial server: a pseudo-terminal the test plays, its slave side
// held open so that the line does not hang up before the server opens it.
struct ServedDevice
{
    PseudoTerminal device;
    SerialServer server;
    int slave = -1;
    bool rfc2217 = true;

    bool start(bool useRfc2217)
    {
        rfc2217 = useRfc2217;
        slave = ::open(device.slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        return slave >= 0 && server.start(device.slavePath, rfc2217);
    }
    ~ServedDevice()
    {
        if (slave >= 0)
            ::close(slave);
    }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(QLatin1String(rfc2217 ? "rfc2217" : "tcp"))
            .arg(server.port);
    }
};

// The line as the device sees it: speed, stop bits, RTS/CTS.
QString lineOf(int master)
{
    termios t {};
    ::tcgetattr(master, &t);
    const speed_t speed = cfgetospeed(&t);
    return QStringLiteral("%1 baud, %2 stop bit(s), %3")
        .arg(speed == B9600       ? QStringLiteral("9600")
                 : speed == B1200 ? QStringLiteral("1200")
                                  : QStringLiteral("other"))
        .arg((t.c_cflag & CSTOPB) != 0 ? 2 : 1)
        .arg(QLatin1String((t.c_cflag & CRTSCTS) != 0 ? "RTS/CTS" : "no flow control"));
}

// The program's settings file under XDG_CONFIG_HOME `home`, holding `content`.
bool writeSettings(const QString &home, const QByteArray &content)
{
    return QDir(home).mkpath(QStringLiteral("quernel-image-editor"))
        && writeFile(home + QStringLiteral("/quernel-image-editor/quernel-image-editor.conf"),
                     content);
}

QProcessEnvironment commandEnvironment(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    return environment;
}

struct Run
{
    int status = -1;
    QByteArray out;
    QString error;
};

// The program run with `arguments`, the settings in `home` and `variables` set. `prefix`
// starts it through another program (unshare).
Run runProgram(const QStringList &arguments, const QString &home,
               const QMap<QString, QString> &variables = {}, const QStringList &prefix = {})
{
    QProcess program;
    QProcessEnvironment environment = commandEnvironment(home);
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        environment.insert(it.key(), it.value());
    program.setProcessEnvironment(environment);
    if (prefix.isEmpty())
        program.start(QStringLiteral(QIE_PROGRAM), arguments);
    else
        program.start(prefix.front(), prefix.mid(1) + QStringList { QIE_PROGRAM } + arguments);
    if (!program.waitForFinished(kFailsafeMs))
        return {};
    return { program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
             program.readAllStandardOutput(),
             QString::fromLocal8Bit(program.readAllStandardError()) };
}

// The port picker's item that pins a network port as port 5.
QAction *networkItem(const QMenu &menu)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == QStringLiteral("Pin a net&work port as port 5\u2026"))
            return action;
    }
    return nullptr;
}

// One line of the ports command's text split into its fields, found by its number.
QStringList textLineOf(const QByteArray &out, int number)
{
    for (const QByteArray &line : out.split('\n')) {
        QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.value(0) == QString::number(number))
            return fields;
    }
    return {};
}

QJsonObject jsonObjectOf(const QByteArray &out, int number)
{
    const QJsonArray array = QJsonDocument::fromJson(out).array();
    for (const auto &value : array) {
        if (value.toObject().value(QStringLiteral("number")) == number)
            return value.toObject();
    }
    return {};
}

} // namespace

class TestNetPorts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;

private slots:
    void initTestCase() { Settings::useFile(m_settings.filePath(QStringLiteral("pins.ini"))); }
    void cleanup()
    {
        qunsetenv("QIE_COM5");
        QFile::remove(m_settings.filePath(QStringLiteral("pins.ini")));
    }

    // The editor on a network serial port named by QIE_COM5 or pinned as port 5 from the port
    // picker: Open, the line the server was asked for, the loaded file sent byte for byte, the
    // device's answer received byte for byte, and the server going away reported once.
    void windowOnNetworkPort_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("line");
        QTest::newRow("RFC 2217 by QIE_COM5: 9600, 1 stop bit, no flow control asked for")
            << true << "QIE_COM5"
            << "9600 baud, 1 stop bit(s), no flow control";
        QTest::newRow("raw TCP by QIE_COM5: the server's own line")
            << false << "QIE_COM5"
            << "1200 baud, 2 stop bit(s), RTS/CTS";
        QTest::newRow("RFC 2217 pinned from the picker")
            << true << "picker"
            << "9600 baud, 1 stop bit(s), no flow control";
    }
    void windowOnNetworkPort()
    {
        QFETCH(bool, rfc2217);
        QFETCH(QString, named);
        QFETCH(QString, line);
        ServedDevice served;
        QVERIFY(!served.device.slavePath.isEmpty());
        QVERIFY2(served.start(rfc2217), qPrintable(served.server.why()));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QVERIFY(writeFile(path, kFile));

        PortControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        const auto get
            = [&form](const char *name) { return form.findChild<QWidget *>(QLatin1String(name)); };
        const auto press = [&](const char *name) { QTest::mouseClick(get(name), Qt::LeftButton); };
        auto *text2 = static_cast<QLineEdit *>(get("Text2"));
        text2->setText(QStringLiteral("5"));
        if (named == u"QIE_COM5") {
            qputenv("QIE_COM5", served.url().toLocal8Bit());
        } else {
            const auto address = NetworkAddress::parse(served.url());
            dialogs.networkChoice = std::get<NetworkAddress>(address);
            std::unique_ptr<QMenu> menu(form.findChild<PortPicker *>()->createMenu());
            QAction *item = networkItem(*menu);
            if (!item)
                QFAIL("the menu has no item to pin a network port as port 5");
            item->trigger();
        }
        dialogs.fileNames.append(path);
        press("cmdFileOpen2");
        press("Command1");
        QCOMPARE(dialogs.boxes.size(), 0);
        QCOMPARE(static_cast<QPushButton *>(get("Command1"))->text(), QStringLiteral("Close"));
        QCOMPARE(static_cast<QLabel *>(get("Label2"))->text(), QStringLiteral("Com No, = 5"));
        press("cmdSendData");
        QCOMPARE(readDevice(served.device.master, kSent.size()).toHex(' '), kSent.toHex(' '));
        QVERIFY(served.device.write(kAnswer));
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        QTRY_VERIFY_WITH_TIMEOUT(area->receivedBytes().size() >= kAnswer.size(), kFailsafeMs);
        QCOMPARE(area->receivedBytes().toHex(' '), kAnswer.toHex(' '));
        // Asked for at the open; by now the server has set it (a raw server at its connect).
        QCOMPARE(lineOf(served.device.master), line);

        served.server.stop();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.boxes.size(), 1, kFailsafeMs);
        // Whatever the loss still had queued has run.
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes[0].title, QStringLiteral("通信エラー"));
        QCOMPARE(dialogs.boxes[0].text,
                 QStringLiteral("%1 stopped working (the server closed the connection) and has "
                                "been closed. Check the server and the network, then press Open "
                                "again.")
                     .arg(served.url()));
        QCOMPARE(port.portOpen(), false);
        QCOMPARE(static_cast<QPushButton *>(get("Command1"))->text(), QStringLiteral("Open"));
        QCOMPARE(get("cmdSendData")->isEnabled(), false);
    }

    // A fault the server reports on its line shows the box a serial port's fault shows, and
    // the port stays open.
    void lineFaultThroughTheWindow()
    {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        QTcpSocket *client = nullptr;
        // Binary both ways, the option, and 9600 8N1 without flow control confirmed.
        connect(&peer, &QTcpServer::newConnection, this, [&] {
            client = peer.nextPendingConnection();
            client->write(wire({ 255, 251, 0, 255, 253, 0, 255, 253, 44 })
                          + comPort({ 101, 0, 0, 0x25, 0x80 }) + comPort({ 102, 8 })
                          + comPort({ 103, 1 }) + comPort({ 104, 1 }) + comPort({ 105, 1 }));
        });
        qputenv("QIE_COM5",
                QStringLiteral("rfc2217://127.0.0.1:%1").arg(peer.serverPort()).toLatin1());
        PortControl port;
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("5"));
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(port.portOpen(), true);
        QVERIFY(client);
        client->write(comPort({ 106, 0x10 }));
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.boxes.size(), 1, kFailsafeMs);
        QCOMPARE(dialogs.boxes[0].title, QStringLiteral("通信エラー"));
        QCOMPARE(dialogs.boxes[0].text, QStringLiteral("中断信号が受信されました。"));
        QCOMPARE(port.portOpen(), true);
    }

    // Why a network port did not open, in the window's error box, each reason in words of its
    // own.
    void openRefused_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("shown");
        QTest::newRow("connection refused")
            << "refuses"
            << "Number : 8101\rDescription : tcp://127.0.0.1:{port} refused the connection: no "
               "server listens on port {port} of 127.0.0.1. Check the port number and that the "
               "server is running, then press Open again.";
        QTest::newRow("host unknown")
            << "unknown"
            << "Number : 8101\rDescription : The host nowhere.invalid of "
               "tcp://nowhere.invalid:{port} is unknown (no such name). Check the name, or give "
               "the server's address instead.";
        QTest::newRow("not an RFC 2217 server")
            << "silent"
            << "Number : 8112\rDescription : rfc2217://127.0.0.1:{port} is not an RFC 2217 "
               "server: it did not agree to binary transfer and the line settings within 0.05 "
               "s. Check the port number, or use tcp:// if the server passes bytes only.";
        QTest::newRow("an address QIE_COM5 mistyped")
            << "mistyped"
            << "Number : 8101\rDescription : Port 5 cannot be opened: \"tpc://127.0.0.1:{port}\" "
               "is not a network port: the protocol must be rfc2217 or tcp, not \"tpc\". Write it "
               "as rfc2217://HOST:PORT or tcp://HOST:PORT. Set QIE_COM5 to a device or to "
               "rfc2217://HOST:PORT or tcp://HOST:PORT.";
    }
    void openRefused()
    {
        QFETCH(QString, server);
        QFETCH(QString, shown);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const quint16 number = server == u"silent" ? silent.serverPort() : freePort();
        const QString url = server == u"unknown" ? QStringLiteral("tcp://nowhere.invalid:%1")
            : server == u"silent"                ? QStringLiteral("rfc2217://127.0.0.1:%1")
            : server == u"mistyped"              ? QStringLiteral("tpc://127.0.0.1:%1")
                                                 : QStringLiteral("tcp://127.0.0.1:%1");
        qputenv("QIE_COM5", url.arg(number).toLocal8Bit());
        PortControl port;
        port.network().setResolver(
            [](const QString &, QObject *, const NetworkPort::Answer &answer) {
                answer({}, QStringLiteral("no such name"));
            });
        port.network().setTimeouts(std::chrono::milliseconds(5000), std::chrono::milliseconds(50));
        FakeDialogService dialogs;
        Form1 form(dialogs, port);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("5"));
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes[0].text,
                 QString(shown).replace(QLatin1String("{port}"), QString::number(number)));
        QCOMPARE(port.portOpen(), false);
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("Open"));
    }

    // The send command delivers the file's bytes exactly to a device behind the server.
    void sendToNetworkPort_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::newRow("rfc2217://") << true;
        QTest::newRow("tcp://") << false;
    }
    void sendToNetworkPort()
    {
        QFETCH(bool, rfc2217);
        ServedDevice served;
        QVERIFY(!served.device.slavePath.isEmpty());
        QVERIFY2(served.start(rfc2217), qPrintable(served.server.why()));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QVERIFY(writeFile(path, kFile));
        const Run run = runProgram(
            { QStringLiteral("send"), path, QStringLiteral("--port"), served.url() }, dir.path());
        QCOMPARE(run.error, QString());
        QCOMPARE(run.status, 0);
        QCOMPARE(readDevice(served.device.master, kSent.size()).toHex(' '), kSent.toHex(' '));
    }

    // The network port dialog takes exactly what makes an address.
    void networkPortDialog_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("protocol"); // its place in the list
        QTest::addColumn<QString>("address"); // empty: OK stays disabled
        QTest::newRow("a host name, RFC 2217")
            << "beacon-7.example" << 2217 << 0 << "rfc2217://beacon-7.example:2217";
        QTest::newRow("an IPv6 address, raw TCP") << " ::1 " << 4001 << 1 << "tcp://[::1]:4001";
        QTest::newRow("no host") << "" << 2217 << 0 << "";
        QTest::newRow("a host with a user") << "me@beacon" << 2217 << 0 << "";
    }
    void networkPortDialog()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, protocol);
        QFETCH(QString, address);
        NetworkPortDialog dialog(3);
        QTest::keyClicks(dialog.hostBox(), host);
        dialog.portBox()->setValue(port);
        dialog.protocolBox()->setCurrentIndex(protocol);
        QCOMPARE(dialog.okButton()->isEnabled(), !address.isEmpty());
        QCOMPARE(dialog.address() ? dialog.address()->toString() : QString(), address);
    }

    // The picker's item pins what the dialog gives as the number in the box; Cancel pins
    // nothing, and a number QIE_COM<n> names cannot be pinned.
    void pinNetworkPortFromThePicker_data()
    {
        QTest::addColumn<QString>("chosen"); // empty: Cancel
        QTest::addColumn<bool>("named"); // QIE_COM5 set
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("pinned");
        QTest::newRow("pinned") << "tcp://beacon.example:4001" << false << true
                                << "tcp://beacon.example:4001";
        QTest::newRow("cancelled") << "" << false << true << "";
        QTest::newRow("QIE_COM5 overrides pins")
            << "tcp://beacon.example:4001" << true << false << "";
    }
    void pinNetworkPortFromThePicker()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, named);
        QFETCH(bool, enabled);
        QFETCH(QString, pinned);
        if (named)
            qputenv("QIE_COM5", "/dev/null");
        FakeCommControl port;
        FakeDialogService dialogs;
        if (!chosen.isEmpty())
            dialogs.networkChoice = std::get<NetworkAddress>(NetworkAddress::parse(chosen));
        Form1 form(dialogs, port);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("5"));
        std::unique_ptr<QMenu> menu(form.findChild<PortPicker *>()->createMenu());
        QAction *item = networkItem(*menu);
        if (!item)
            QFAIL("the menu has no item to pin a network port as port 5");
        QCOMPARE(item->isEnabled(), enabled);
        if (enabled)
            item->trigger();
        qunsetenv("QIE_COM5");
        const std::optional<PortLocator::Port> five
            = PortLocator(QList<PortLocator::Adapter> {}).find(5);
        QCOMPARE(five && five->pin ? five->pin->identity : QString(), pinned);
        QCOMPARE(five ? five->device() : QString(), pinned);
        // The port number's tooltip names it as a network port.
        const QString tip = PortLocator(QList<PortLocator::Adapter> {}).describe();
        QCOMPARE(tip.contains(QStringLiteral("5 = tcp://beacon.example:4001 (network port, "
                                             "pinned)")),
                 !pinned.isEmpty());
    }

    // The ports command, read back as a script would: the text split on tabs, the JSON by a
    // JSON parser. `expected` holds device, description, by-id name and pin; an empty one is
    // "-" in the text and null in the JSON.
    void ports_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("pins");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QStringList>("json");
        QTest::newRow("a pinned adapter not plugged in")
            << ""
            << "" << QByteArray("7\\identity=serial:0403:6001:GONE\n7\\name=Cable 9\n") << 7
            << QStringList { "-", "Cable 9", "-", "serial:0403:6001:GONE" }
            << QStringList { "", "Cable 9", "", "serial:0403:6001:GONE" };
        QTest::newRow("QIE_COM8, a device path")
            << "QIE_COM8"
            << "/dev/pts/999" << QByteArray() << 8
            << QStringList { "/dev/pts/999", "set by QIE_COM8", "-", "-" }
            << QStringList { "/dev/pts/999", "set by QIE_COM8", "", "" };
        QTest::newRow("QIE_COM99, a network port")
            << "QIE_COM99"
            << "rfc2217://127.0.0.1:2217" << QByteArray() << 99
            << QStringList { "rfc2217://127.0.0.1:2217", "RFC 2217 network port, set by QIE_COM99",
                             "-", "-" }
            << QStringList { "rfc2217://127.0.0.1:2217", "RFC 2217 network port, set by QIE_COM99",
                             "", "" };
        QTest::newRow("a network port pinned")
            << ""
            << ""
            << QByteArray("10\\identity=tcp://beacon.example:4001\n"
                          "10\\name=tcp://beacon.example:4001\n")
            << 10
            << QStringList { "tcp://beacon.example:4001", "raw TCP network port", "-",
                             "tcp://beacon.example:4001" }
            << QStringList { "tcp://beacon.example:4001", "raw TCP network port", "",
                             "tcp://beacon.example:4001" };
        QTest::newRow("a tab and line ends in fields")
            << "QIE_COM11"
            << "/dev/a\tb\nc\rd" << QByteArray() << 11
            << QStringList { "/dev/a b c d", "set by QIE_COM11", "-", "-" }
            << QStringList { "/dev/a\tb\nc\rd", "set by QIE_COM11", "", "" };
    }
    void ports()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QByteArray, pins);
        QFETCH(int, number);
        QFETCH(QStringList, text);
        QFETCH(QStringList, json);
        QTemporaryDir home;
        QVERIFY(writeSettings(home.path(), "[pinnedPorts]\n" + pins));
        QMap<QString, QString> variables;
        if (!variable.isEmpty())
            variables.insert(variable, value);

        const Run lines = runProgram({ QStringLiteral("ports") }, home.path(), variables);
        QCOMPARE(lines.error, QString());
        QCOMPARE(lines.status, 0);
        QVERIFY(lines.out.endsWith('\n'));
        for (const QByteArray &line : lines.out.chopped(1).split('\n'))
            QCOMPARE(line.count('\t'), 4);
        const QStringList fields = textLineOf(lines.out, number);
        QCOMPARE(fields.value(1), text.value(0)); // device
        QCOMPARE(fields.value(2), text.value(1)); // description
        QCOMPARE(fields.value(3), text.value(2)); // by-id name
        QCOMPARE(fields.value(4), text.value(3)); // pin

        const Run listed = runProgram({ QStringLiteral("ports"), QStringLiteral("--json") },
                                      home.path(), variables);
        QCOMPARE(listed.status, 0);
        QJsonParseError parsed {};
        QJsonDocument::fromJson(listed.out, &parsed);
        QCOMPARE(parsed.error, QJsonParseError::NoError);
        const QJsonObject object = jsonObjectOf(listed.out, number);
        const auto expected = [](const QString &v) {
            return v.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(v);
        };
        QCOMPARE(object.value(QStringLiteral("device")), expected(json.value(0)));
        QCOMPARE(object.value(QStringLiteral("description")), expected(json.value(1)));
        QCOMPARE(object.value(QStringLiteral("byId")), expected(json.value(2)));
        QCOMPARE(object.value(QStringLiteral("pin")), expected(json.value(3)));
    }

    // No port at all is a list like any other: empty, and exit 0. The machine's own serial
    // devices are hidden from the program by an empty /sys/class/tty in a mount namespace of
    // its own.
    void portsWhenThereAreNone_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("text") << "" << QByteArray();
        QTest::newRow("JSON") << "--json" << QByteArray("[\n]\n");
    }
    void portsWhenThereAreNone()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, out);
        if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            QSKIP("unshare is not installed");
        QTemporaryDir home;
        QStringList arguments { QStringLiteral("ports") };
        if (!format.isEmpty())
            arguments << format;
        const QString script = QStringLiteral("mount -t tmpfs none /sys/class/tty && exec \"$@\"");
        const Run run
            = runProgram(arguments, home.path(), {},
                         { QStringLiteral("unshare"), QStringLiteral("-rm"), QStringLiteral("sh"),
                           QStringLiteral("-c"), script, QStringLiteral("sh") });
        QCOMPARE(run.error, QString());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, out);
    }
};

QTEST_MAIN(TestNetPorts)
#include "test_netports.moc"
