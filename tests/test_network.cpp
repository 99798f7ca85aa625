// SPDX-License-Identifier: MIT
#include "PseudoTerminal.h"
#include "SerialServer.h"
#include "serial/NetworkAddress.h"
#include "serial/NetworkPort.h"
#include "serial/Rfc2217Session.h"
#include "serial/TelnetCodec.h"

#include <QFileSystemWatcher>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using namespace std::chrono_literals;
using State = Rfc2217Session::State;

Q_DECLARE_METATYPE(qie::LineSettings)

namespace {

QByteArray wire(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (const int byte : bytes)
        out.append(char(byte));
    return out;
}

// The telnet commands a server sends, each spelled out.
QByteArray will(int option)
{
    return wire({ 255, 251, option });
}
QByteArray wont(int option)
{
    return wire({ 255, 252, option });
}
QByteArray doo(int option)
{
    return wire({ 255, 253, option });
}
QByteArray dont(int option)
{
    return wire({ 255, 254, option });
}
QByteArray comPort(std::initializer_list<int> parameters)
{
    return wire({ 255, 250, 44 }) + wire(parameters) + wire({ 255, 240 });
}

// What a server that takes 9600 8N1 without flow control sends: binary both ways, the option,
// and each setting confirmed with the value asked for.
const QByteArray kAgreement = will(0) + doo(0) + doo(44) + comPort({ 101, 0, 0, 0x25, 0x80 })
    + comPort({ 102, 8 }) + comPort({ 103, 1 }) + comPort({ 104, 1 }) + comPort({ 105, 1 });

// What the client asks for 9600 8N1 without flow control once the server takes the option:
// the five settings, then the line faults reported and modem line changes not.
const QByteArray kDeviceLineRequest = comPort({ 1, 0, 0, 0x25, 0x80 }) + comPort({ 2, 8 })
    + comPort({ 3, 1 }) + comPort({ 4, 1 }) + comPort({ 5, 1 }) + comPort({ 10, 0x1E })
    + comPort({ 11, 0 });

const LineSettings kDeviceLine { 9600, QSerialPort::NoParity, QSerialPort::Data8,
                                 QSerialPort::OneStop };

// An outcome as the test reports it: empty for success, the error's number and text otherwise.
QString outcome(const std::optional<Error> &error)
{
    return error ? QStringLiteral("%1: %2").arg(error->number).arg(error->description) : QString();
}

QStringList describe(const QList<TelnetCodec::Command> &commands)
{
    QStringList out;
    for (const TelnetCodec::Command &c : commands) {
        const char *verb = c.verb == TelnetCodec::kWill ? "WILL"
            : c.verb == TelnetCodec::kWont              ? "WONT"
            : c.verb == TelnetCodec::kDo                ? "DO"
            : c.verb == TelnetCodec::kDont              ? "DONT"
                                                        : "SB";
        out << QStringLiteral("%1 %2 %3")
                   .arg(QLatin1String(verb))
                   .arg(c.option)
                   .arg(QLatin1String(c.parameters.toHex(' ')))
                   .trimmed();
    }
    return out;
}

// What the port received, read as it arrives until `count` bytes are there.
QByteArray readPort(NetworkPort &port, qsizetype count)
{
    QByteArray got;
    waitFor(&port, &NetworkPort::readyRead, [&] {
        got += port.readAll();
        return got.size() >= count;
    });
    return got;
}

// A server played by the test: it answers each connection with `greeting` (or closes it at
// once), and keeps the connection for the test to write more.
class ScriptedPeer : public QTcpServer
{
public:
    QByteArray greeting;
    bool hangUp = false;
    QTcpSocket *client = nullptr;
    QByteArray heard;

    ScriptedPeer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            client = nextPendingConnection();
            connect(client, &QTcpSocket::readyRead, this, [this] { heard += client->readAll(); });
            if (hangUp)
                client->close();
            else if (!greeting.isEmpty())
                client->write(greeting);
        });
    }
};

// A port whose TCP connection never completes: a listener that accepts nothing, with its queue
// of pending connections already full, so that the system drops further attempts unanswered.
class FullQueue
{
public:
    FullQueue()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto *generic = reinterpret_cast<sockaddr *>(&address);
        if (::bind(m_listener, generic, size) != 0 || ::listen(m_listener, 0) != 0
            || ::getsockname(m_listener, generic, &size) != 0)
            return;
        // A backlog of 0 still queues one connection; two more make sure it is full. They
        // are not waited for: the system completes or drops them on its own.
        for (int &filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            (void)::connect(filler, generic, sizeof address);
        }
        port = ntohs(address.sin_port);
    }
    FullQueue(const FullQueue &) = delete;
    FullQueue &operator=(const FullQueue &) = delete;
    ~FullQueue()
    {
        for (const int filler : m_fillers)
            ::close(filler);
        ::close(m_listener);
    }
    quint16 port = 0;

private:
    int m_listener = -1;
    int m_fillers[3] = { -1, -1, -1 };
};

NetworkAddress loopback(NetworkAddress::Protocol protocol, quint16 port)
{
    return NetworkAddress { protocol, QStringLiteral("127.0.0.1"), port };
}

// What a line looks like from the device side: speed, two stop bits, RTS/CTS.
struct Line
{
    speed_t speed = 0;
    bool twoStopBits = false;
    bool rtsCts = false;
};

Line lineOf(int master)
{
    termios t {};
    ::tcgetattr(master, &t);
    return { cfgetospeed(&t), (t.c_cflag & CSTOPB) != 0, (t.c_cflag & CRTSCTS) != 0 };
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // the canonical form; empty when refused
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("error");

        const auto refused = [](const char *text, const char *why) {
            return QStringLiteral("\"%1\" is not a network port: %2. Write it as "
                                  "rfc2217://HOST:PORT or tcp://HOST:PORT.")
                .arg(QLatin1String(text), QString::fromUtf8(why));
        };
        QTest::newRow("RFC 2217 server by name") << "rfc2217://beacon-7.example:2217"
                                                 << "rfc2217://beacon-7.example:2217"
                                                 << "beacon-7.example"
                                                 << "";
        QTest::newRow("raw server by IPv4 address, highest port") << "tcp://192.168.1.20:65535"
                                                                  << "tcp://192.168.1.20:65535"
                                                                  << "192.168.1.20"
                                                                  << "";
        QTest::newRow("IPv6 address in brackets") << "rfc2217://[fe80::1]:2000"
                                                  << "rfc2217://[fe80::1]:2000"
                                                  << "fe80::1"
                                                  << "";
        QTest::newRow("scheme in capitals, blanks around, port 1") << "  TCP://Host_1:1 \t"
                                                                   << "tcp://Host_1:1"
                                                                   << "Host_1"
                                                                   << "";
        QTest::newRow("port number missing")
            << "rfc2217://host"
            << ""
            << "" << refused("rfc2217://host", "the port number is missing");
        QTest::newRow("port 0") << "tcp://host:0"
                                << ""
                                << ""
                                << refused("tcp://host:0",
                                           "\"0\" is not a port number from 1 to 65535");
        QTest::newRow("port above 65535")
            << "tcp://host:65536"
            << ""
            << "" << refused("tcp://host:65536", "\"65536\" is not a port number from 1 to 65535");
        QTest::newRow("a sign before the port")
            << "tcp://host:+2000"
            << ""
            << "" << refused("tcp://host:+2000", "\"+2000\" is not a port number from 1 to 65535");
        QTest::newRow("another protocol")
            << "telnet://host:23"
            << ""
            << ""
            << refused("telnet://host:23", "the protocol must be rfc2217 or tcp, not \"telnet\"");
        QTest::newRow("no host") << "tcp://:2000"
                                 << ""
                                 << "" << refused("tcp://:2000", "the host is missing");
        QTest::newRow("a user before the host")
            << "tcp://me@host:1"
            << ""
            << "" << refused("tcp://me@host:1", "\"me@host\" is not a host name");
        QTest::newRow("IPv6 address without brackets")
            << "tcp://::1:2000"
            << ""
            << ""
            << refused("tcp://::1:2000", "an IPv6 address must be written in brackets, as [::1]");
        QTest::newRow("bracket not closed")
            << "tcp://[::1:2000"
            << ""
            << "" << refused("tcp://[::1:2000", "the ] after the IPv6 address is missing");
        QTest::newRow("no colon after the bracket")
            << "tcp://[::1]2000"
            << ""
            << "" << refused("tcp://[::1]2000", "a : and the port number must follow the ]");
        QTest::newRow("a name in brackets")
            << "tcp://[host]:1"
            << ""
            << "" << refused("tcp://[host]:1", "[host] is not an IPv6 address");
        QTest::newRow("IPv4 address out of range")
            << "tcp://300.1.1.1:1"
            << ""
            << "" << refused("tcp://300.1.1.1:1", "300.1.1.1 is not an IPv4 address");
        QTest::newRow("no :// at all") << "rfc2217:host:1"
                                       << ""
                                       << "" << refused("rfc2217:host:1", "\"://\" is missing");
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(QString, host);
        QFETCH(QString, error);
        const std::variant<NetworkAddress, QString> parsed = NetworkAddress::parse(text);
        const auto *got = std::get_if<NetworkAddress>(&parsed);
        QCOMPARE(got ? got->toString() : QString(), address);
        QCOMPARE(got ? got->host : QString(), host);
        QCOMPARE(got ? QString() : std::get<QString>(parsed), error);
    }

    void networkText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("network");
        QTest::newRow("device path") << "/dev/ttyUSB0" << false;
        QTest::newRow("mistyped address") << "tpc://host:1" << true;
    }
    void networkText()
    {
        QFETCH(QString, text);
        QFETCH(bool, network);
        QCOMPARE(NetworkAddress::isNetworkText(text), network);
    }

    void decode_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("subnegotiation with a doubled IAC, split")
            << QList<QByteArray> { wire({ 255, 250, 44, 0x65, 0, 255 }),
                                   wire({ 255, 255, 240, 'z' }) }
            << QByteArray("z") << QStringList { "SB 44 65 00 ff" };
        QTest::newRow("other commands dropped") << QList<QByteArray> { "a\xff\xf1"
                                                                       "b\xff\xf9"
                                                                       "c" }
                                                << QByteArray("abc") << QStringList {};
        QTest::newRow("subnegotiation without SE ends at the next command")
            << QList<QByteArray> { "\xff\xfa\x2c\x6a\x10\xff\xfb\x03"
                                   "d" }
            << QByteArray("d") << QStringList { "SB 44 6a 10", "WILL 3" };
    }
    void decode()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, commands);
        TelnetCodec codec;
        QByteArray gotData;
        QList<TelnetCodec::Command> gotCommands;
        for (const QByteArray &chunk : chunks) {
            const TelnetCodec::Decoded decoded = codec.decode(chunk);
            gotData += decoded.data;
            gotCommands += decoded.commands;
        }
        QCOMPARE(gotData.toHex(' '), data.toHex(' '));
        QCOMPARE(describe(gotCommands), commands);
    }

    // A session for the device's line against what servers say; what the client answers and
    // whether it counts the server as agreed.
    void negotiation_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("refusal");
        // Recorded from Debian's serial server: it offers to suppress go-ahead, offers echo
        // and takes it back, and asks for binary and the option before the client's request
        // arrives.
        QTest::newRow("a serial server's greeting, then the settings confirmed")
            << will(3) + doo(3) + will(1) + dont(1) + doo(0) + will(0) + doo(44)
                + comPort({ 101, 0, 0, 0x25, 0x80 }) + comPort({ 102, 8 }) + comPort({ 103, 1 })
                + comPort({ 104, 1 }) + comPort({ 105, 1 })
            << doo(3) + will(3) + dont(1) + kDeviceLineRequest << int(State::Agreed) << "";
        QTest::newRow("every setting confirmed, but no binary from the server")
            << doo(0) + doo(44) + comPort({ 101, 0, 0, 0x25, 0x80 }) + comPort({ 102, 8 })
                + comPort({ 103, 1 }) + comPort({ 104, 1 }) + comPort({ 105, 1 })
            << kDeviceLineRequest << int(State::Negotiating) << "";
        QTest::newRow("options the client has no use for declined")
            << doo(24) + will(5) << wont(24) + dont(5) << int(State::Negotiating) << "";
        QTest::newRow("will not receive binary")
            << dont(0) << QByteArray() << int(State::NotRfc2217)
            << "it refused to receive binary data";
        QTest::newRow("will not take the COM port option")
            << doo(0) + will(0) + dont(44) << QByteArray() << int(State::NotRfc2217)
            << "it refused the COM port option";
        QTest::newRow("binary taken back after it was on")
            << will(0) + wont(0) << dont(0) << int(State::NotRfc2217)
            << "it refused to send binary data";
        QTest::newRow("keeps RTS/CTS")
            << will(0) + doo(0) + doo(44) + comPort({ 105, 3 }) << kDeviceLineRequest
            << int(State::SettingsRefused) << "it set the flow control to RTS/CTS instead of none";
    }
    void negotiation()
    {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, reply);
        QFETCH(int, state);
        QFETCH(QString, refusal);
        Rfc2217Session session(kDeviceLine, QSerialPort::NoFlowControl);
        // Binary both ways and the COM port option, asked for at once.
        QCOMPARE(session.start().toHex(' '), QByteArray("ff fb 00 ff fd 00 ff fb 2c"));
        const Rfc2217Session::Step step = session.receive(server);
        QCOMPARE(step.reply.toHex(' '), reply.toHex(' '));
        QCOMPARE(int(session.state()), state);
        QCOMPARE(session.refusal(), refusal);
    }

    // Each line setting as the server is asked for it.
    void settings_data()
    {
        QTest::addColumn<LineSettings>("line");
        QTest::addColumn<int>("flow");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("19200 7E2 XON/XOFF")
            << LineSettings { 19200, QSerialPort::EvenParity, QSerialPort::Data7,
                              QSerialPort::TwoStop }
            << int(QSerialPort::SoftwareControl)
            << comPort({ 1, 0, 0, 0x4B, 0x00 }) + comPort({ 2, 7 }) + comPort({ 3, 3 })
                + comPort({ 4, 2 }) + comPort({ 5, 2 });
        QTest::newRow("300 5O1 RTS/CTS")
            << LineSettings { 300, QSerialPort::OddParity, QSerialPort::Data5,
                              QSerialPort::OneStop }
            << int(QSerialPort::HardwareControl)
            << comPort({ 1, 0, 0, 0x01, 0x2C }) + comPort({ 2, 5 }) + comPort({ 3, 2 })
                + comPort({ 4, 1 }) + comPort({ 5, 3 });
        QTest::newRow("mark parity, 1.5 stop bits")
            << LineSettings { 9600, QSerialPort::MarkParity, QSerialPort::Data8,
                              QSerialPort::OneAndHalfStop }
            << int(QSerialPort::NoFlowControl)
            << comPort({ 1, 0, 0, 0x25, 0x80 }) + comPort({ 2, 8 }) + comPort({ 3, 4 })
                + comPort({ 4, 3 }) + comPort({ 5, 1 });
        // 65535 baud is no standard speed; it shows an IAC doubled inside a subnegotiation.
        QTest::newRow("space parity, a speed with IAC bytes")
            << LineSettings { 65535, QSerialPort::SpaceParity, QSerialPort::Data8,
                              QSerialPort::OneStop }
            << int(QSerialPort::NoFlowControl)
            << comPort({ 1, 0, 0, 0xff, 0xff, 0xff, 0xff }) + comPort({ 2, 8 }) + comPort({ 3, 5 })
                + comPort({ 4, 1 }) + comPort({ 5, 1 });
    }
    void settings()
    {
        QFETCH(LineSettings, line);
        QFETCH(int, flow);
        QFETCH(QByteArray, request);
        Rfc2217Session session(line, QSerialPort::FlowControl(flow));
        session.start();
        const QByteArray masks = comPort({ 10, 0x1E }) + comPort({ 11, 0 });
        QCOMPARE(session.receive(doo(44)).reply.toHex(' '), (request + masks).toHex(' '));
    }

    // The promised waits, pinned: 5 s for the connection, 5 s for the agreement.
    void defaultTimeouts()
    {
        NetworkPort port;
        QCOMPARE(port.connectTimeout(), 5000ms);
        QCOMPARE(port.agreeTimeout(), 5000ms);
    }

    // A session through the real server: the line as the device sees it, bytes both ways, and
    // the server stopped while the port is open.
    void serialServer_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::addColumn<uint>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::addColumn<bool>("rtsCts");
        QTest::newRow("RFC 2217: 9600, 1 stop bit, no flow control asked for")
            << true << uint(B9600) << false << false;
        QTest::newRow("raw: the server's own line left alone")
            << false << uint(B1200) << true << true;
    }
    void serialServer()
    {
        QFETCH(bool, rfc2217);
        QFETCH(uint, speed);
        QFETCH(bool, twoStopBits);
        QFETCH(bool, rtsCts);
        PseudoTerminal device;
        QVERIFY(!device.slavePath.isEmpty());
        // Held open, so that the device side reads nothing rather than a hang-up until the
        // server opens the line.
        const int slave = ::open(device.slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(slave >= 0);
        const auto closeSlave = qScopeGuard([slave] { ::close(slave); });
        SerialServer server;
        QVERIFY2(server.start(device.slavePath, rfc2217), qPrintable(server.why()));

        NetworkPort port;
        const NetworkAddress address
            = loopback(rfc2217 ? NetworkAddress::Protocol::Rfc2217 : NetworkAddress::Protocol::Raw,
                       server.port);
        QCOMPARE(outcome(port.open(address, kDeviceLine, QSerialPort::NoFlowControl)), QString());
        QCOMPARE(outcome(port.waitForOpened()), QString());

        const QByteArray toDevice("AT\xff\r\n\0\xfe\xff\xff\r", 10);
        QCOMPARE(outcome(port.write(toDevice)), QString());
        QCOMPARE(readDevice(device.master, toDevice.size()).toHex(' '), toDevice.toHex(' '));
        const QByteArray fromDevice("OK\r\n\xff\0\xff\xff\r", 9);
        QVERIFY(device.write(fromDevice));
        QCOMPARE(readPort(port, fromDevice.size()).toHex(' '), fromDevice.toHex(' '));

        const Line line = lineOf(device.master);
        QCOMPARE(uint(line.speed), speed);
        QCOMPARE(line.twoStopBits, twoStopBits);
        QCOMPARE(line.rtsCts, rtsCts);

        QSignalSpy lost(&port, &NetworkPort::lost);
        server.stop();
        QVERIFY(lost.wait(kFailsafeMs));
        QCoreApplication::processEvents();
        QCOMPARE(lost.size(), 1);
        QCOMPARE(port.isOpen(), false);
        const auto error = lost.at(0).at(0).value<Error>();
        QCOMPARE(error.number, 8110);
        QCOMPARE(error.description,
                 QStringLiteral("%1://127.0.0.1:%2 stopped working (the server closed the "
                                "connection) and has been closed. Check the server and the "
                                "network, then press Open again.")
                     .arg(QLatin1String(rfc2217 ? "rfc2217" : "tcp"))
                     .arg(server.port));
    }

    // Line state notifications from a server, as line faults, in the order of their numbers;
    // the bytes around them are the device's.
    void lineFaults_data()
    {
        QTest::addColumn<int>("lineState");
        QTest::addColumn<QList<int>>("faults"); // the fault numbers
        QTest::newRow("break") << 0x10 << QList<int> { 1001 };
        QTest::newRow("framing") << 0x08 << QList<int> { 1004 };
        QTest::newRow("parity") << 0x04 << QList<int> { 1009 };
        QTest::newRow("overrun") << 0x02 << QList<int> { 1006 };
    }
    void lineFaults()
    {
        QFETCH(int, lineState);
        QFETCH(QList<int>, faults);
        ScriptedPeer peer;
        peer.greeting = kAgreement;
        NetworkPort port;
        port.open(loopback(NetworkAddress::Protocol::Rfc2217, peer.serverPort()), kDeviceLine,
                  QSerialPort::NoFlowControl);
        QCOMPARE(outcome(port.waitForOpened()), QString());
        QList<int> got;
        connect(&port, &NetworkPort::lineFaultDetected, this,
                [&got](LineFault fault) { got.append(int(fault)); });
        peer.client->write("<" + comPort({ 106, lineState }) + ">");
        QCOMPARE(readPort(port, 2), QByteArray("<>"));
        QCOMPARE(got, faults);
        QCOMPARE(port.isOpen(), true);
    }

    // What the device sends while the session is still being agreed is not lost.
    void bytesBeforeAgreement()
    {
        ScriptedPeer peer;
        peer.greeting = "early\xff\xff" + kAgreement;
        NetworkPort port;
        port.open(loopback(NetworkAddress::Protocol::Rfc2217, peer.serverPort()), kDeviceLine,
                  QSerialPort::NoFlowControl);
        QCOMPARE(outcome(port.waitForOpened()), QString());
        QCOMPARE(readPort(port, 6), QByteArray("early\xff"));
    }

    // Each way an open fails, with its number and its message.
    void openFailure_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description"); // %1: the address, %2: its port
        QTest::newRow("connection refused")
            << "refused" << 8101
            << "%1 refused the connection: no server listens on port %2 of 127.0.0.1. Check the "
               "port number and that the server is running, then press Open again.";
        QTest::newRow("host unknown")
            << "unknown" << 8101
            << "The host beacon.invalid of %1 is unknown (Host not found). Check the name, or "
               "give the server's address instead.";
        QTest::newRow("no answer to the connection")
            << "full queue" << 8109
            << "%1 did not answer within 0.05 s. Check the host and that the server is on and "
               "reachable, then press Open again.";
        QTest::newRow("accepts and stays silent")
            << "silent" << 8112
            << "%1 is not an RFC 2217 server: it did not agree to binary transfer and the line "
               "settings within 0.05 s. Check the port number, or use tcp:// if the server "
               "passes bytes only.";
        QTest::newRow("declines binary")
            << "declines" << 8112
            << "%1 is not an RFC 2217 server: it refused to send binary data. Check the port "
               "number, or use tcp:// if the server passes bytes only.";
        QTest::newRow("keeps its own speed")
            << "own speed" << 8104
            << "%1 did not take the line settings 9600,n,8,1: it set the speed to 1200 baud "
               "instead of 9600 baud. Check the server's settings for that port, then press "
               "Open again.";
        QTest::newRow("hangs up while agreeing")
            << "hangs up" << 8109
            << "%1 closed the connection before the port was open: the server may not reach "
               "its device, or another client may have it. Check the server, then press Open "
               "again.";
    }
    void openFailure()
    {
        QFETCH(QString, setup);
        QFETCH(int, number);
        QFETCH(QString, description);
        ScriptedPeer peer;
        std::optional<FullQueue> fullQueue;
        NetworkPort port;
        NetworkAddress address = loopback(NetworkAddress::Protocol::Rfc2217, peer.serverPort());
        if (setup == QLatin1String("refused")) {
            address.port = freePort();
        } else if (setup == QLatin1String("unknown")) {
            address.host = QStringLiteral("beacon.invalid");
            port.setResolver([](const QString &, QObject *, const NetworkPort::Answer &answer) {
                answer({}, QStringLiteral("Host not found"));
            });
        } else if (setup == QLatin1String("full queue")) {
            address.port = fullQueue.emplace().port;
            QVERIFY(address.port != 0);
            port.setTimeouts(50ms, NetworkPort::kAgreeTimeout);
        } else if (setup == QLatin1String("silent")) {
            port.setTimeouts(NetworkPort::kConnectTimeout, 50ms);
        } else if (setup == QLatin1String("declines")) {
            peer.greeting = wont(0);
        } else if (setup == QLatin1String("own speed")) {
            peer.greeting = will(0) + doo(0) + doo(44) + comPort({ 101, 0, 0, 0x04, 0xB0 });
        } else {
            peer.hangUp = true;
        }
        QSignalSpy failures(&port, &NetworkPort::openFailed);
        QCOMPARE(outcome(port.open(address, kDeviceLine, QSerialPort::NoFlowControl)), QString());
        const std::optional<Error> error = port.waitForOpened();
        QVERIFY(error.has_value());
        QCOMPARE(error->number, number);
        QCOMPARE(error->description,
                 description.replace(QLatin1String("%1"), address.toString())
                     .replace(QLatin1String("%2"), QString::number(address.port)));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(port.isOpen(), false);
    }

    // A name with several addresses: the one that refuses is passed over for the next.
    void nextAddressTried()
    {
        ScriptedPeer peer;
        NetworkPort port;
        port.setResolver([](const QString &, QObject *, const NetworkPort::Answer &answer) {
            answer({ QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress::LocalHost }, {});
        });
        port.open(NetworkAddress { NetworkAddress::Protocol::Raw, QStringLiteral("beacon"),
                                   peer.serverPort() },
                  kDeviceLine, QSerialPort::NoFlowControl);
        QCOMPARE(outcome(port.waitForOpened()), QString());
        QCOMPARE(outcome(port.write("ok\xff")), QString());
        QVERIFY(waitFor(&peer, &QTcpServer::newConnection, [&] { return peer.client != nullptr; }));
        QVERIFY(
            waitFor(peer.client, &QTcpSocket::readyRead, [&] { return peer.heard.size() >= 3; }));
        QCOMPARE(peer.heard, QByteArray("ok\xff"));
    }
};

QTEST_GUILESS_MAIN(TestNetwork)
#include "test_network.moc"
