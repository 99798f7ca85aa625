// SPDX-License-Identifier: MIT
#include "serial/NetworkPort.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostInfo>
#include <QMetaObject>
#include <utility>

namespace qie {
namespace {

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0);
}

void systemResolver(const QString &host, QObject *context, const NetworkPort::Answer &answer)
{
    QHostInfo::lookupHost(host, context, [answer](const QHostInfo &info) {
        answer(info.addresses(),
               info.error() == QHostInfo::NoError ? QString() : info.errorString());
    });
}

} // namespace

NetworkPort::NetworkPort(QObject *parent) : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_agreeTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        fail(Error { kErrOpenFailed,
                     QStringLiteral("%1 did not answer within %2 s. Check the host and that the "
                                    "server is on and reachable, then press Open again.")
                         .arg(name(), seconds(m_connectTimeout)) });
    });
    connect(&m_agreeTimer, &QTimer::timeout, this, [this] {
        fail(Error { kErrNotATerminal,
                     QStringLiteral("%1 is not an RFC 2217 server: it did not agree to binary "
                                    "transfer and the line settings within %2 s. Check the port "
                                    "number, or use tcp:// if the server passes bytes only.")
                         .arg(name(), seconds(m_agreeTimeout)) });
    });
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkPort::handleConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkPort::handleReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkPort::handleError);
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { handleError(QAbstractSocket::RemoteHostClosedError); });
}

NetworkPort::~NetworkPort()
{
    disconnect(&m_socket, nullptr, this, nullptr);
    close();
}

void NetworkPort::setResolver(Resolver resolver)
{
    m_resolver = std::move(resolver);
}

void NetworkPort::setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds agree)
{
    m_connectTimeout = connect;
    m_agreeTimeout = agree;
}

bool NetworkPort::isOpen() const
{
    return m_state == State::Open || m_state == State::Losing;
}

bool NetworkPort::isOpening() const
{
    return m_state == State::Resolving || m_state == State::Connecting
        || m_state == State::Negotiating;
}

std::optional<Error> NetworkPort::open(const NetworkAddress &address, const LineSettings &line,
                                       QSerialPort::FlowControl flow)
{
    if (m_state != State::Closed)
        return Error { kErrPortAlreadyOpen, QStringLiteral("%1 is already open.").arg(name()) };
    if (address.protocol == NetworkAddress::Protocol::Rfc2217 && !line.isValid())
        return Error { kErrInvalidSettings,
                       QStringLiteral("\"%1\" are not valid line settings for %2.")
                           .arg(line.toText(), address.toString()) };
    m_address = address;
    m_line = line;
    m_session.reset();
    if (address.protocol == NetworkAddress::Protocol::Rfc2217)
        m_session.emplace(line, flow);
    m_received.clear();
    m_openError.reset();
    m_state = State::Resolving;
    m_connectTimer.start(m_connectTimeout);
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation] {
            if (generation == m_generation)
                begin();
        },
        Qt::QueuedConnection);
    return std::nullopt;
}

void NetworkPort::begin()
{
    const QHostAddress literal(m_address.host);
    if (!literal.isNull()) {
        answered({ literal }, {});
        return;
    }
    const Answer answer = [this, generation = m_generation](const QList<QHostAddress> &addresses,
                                                            const QString &why) {
        if (generation == m_generation && m_state == State::Resolving)
            answered(addresses, why);
    };
    if (m_resolver)
        m_resolver(m_address.host, this, answer);
    else
        systemResolver(m_address.host, this, answer);
}

void NetworkPort::answered(const QList<QHostAddress> &addresses, const QString &why)
{
    if (addresses.isEmpty()) {
        fail(Error { kErrNoSuchPort,
                     QStringLiteral("The host %1 of %2 is unknown (%3). Check the name, or give "
                                    "the server's address instead.")
                         .arg(m_address.host, name(),
                              why.isEmpty() ? QStringLiteral("it has no address") : why) });
        return;
    }
    m_addresses = addresses;
    m_state = State::Connecting;
    connectNext();
}

// A name may have several addresses (localhost: ::1 and 127.0.0.1) of which the server listens
// on one only; each is tried in turn, within the one connect timeout.
void NetworkPort::connectNext()
{
    if (m_addresses.isEmpty()) {
        if (m_lastConnectError == QAbstractSocket::ConnectionRefusedError)
            fail(Error { kErrNoSuchPort,
                         QStringLiteral("%1 refused the connection: no server listens on port "
                                        "%2 of %3. Check the port number and that the server "
                                        "is running, then press Open again.")
                             .arg(name())
                             .arg(m_address.port)
                             .arg(m_address.host) });
        else
            fail(Error { kErrOpenFailed,
                         QStringLiteral("%1 could not be reached (%2). Check the host and the "
                                        "network, then press Open again.")
                             .arg(name(), m_lastConnectReason) });
        return;
    }
    m_socket.abort();
    m_socket.connectToHost(m_addresses.takeFirst(), m_address.port);
}

void NetworkPort::handleConnected()
{
    if (m_state != State::Connecting)
        return;
    m_connectTimer.stop();
    // Bytes for the device must not wait for more to gather.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_session) {
        becomeOpen();
        return;
    }
    m_state = State::Negotiating;
    m_agreeTimer.start(m_agreeTimeout);
    m_socket.write(m_session->start());
}

void NetworkPort::handleReadyRead()
{
    if (m_state != State::Negotiating && m_state != State::Open)
        return;
    const QByteArray chunk = m_socket.readAll();
    if (chunk.isEmpty())
        return;
    if (!m_session) {
        m_received += chunk;
        emit readyRead();
        return;
    }
    const Rfc2217Session::Step step = m_session->receive(chunk);
    if (!step.reply.isEmpty())
        m_socket.write(step.reply);
    // What the device sent while the session was being agreed is kept for the first read.
    m_received += step.data;
    if (m_state == State::Negotiating) {
        switch (m_session->state()) {
        case Rfc2217Session::State::Negotiating:
            return;
        case Rfc2217Session::State::Agreed:
            becomeOpen();
            return;
        case Rfc2217Session::State::NotRfc2217:
            fail(Error { kErrNotATerminal,
                         QStringLiteral("%1 is not an RFC 2217 server: %2. Check the port "
                                        "number, or use tcp:// if the server passes bytes only.")
                             .arg(name(), m_session->refusal()) });
            return;
        case Rfc2217Session::State::SettingsRefused:
            fail(Error { kErrInvalidSettings,
                         QStringLiteral("%1 did not take the line settings %2: %3. Check the "
                                        "server's settings for that port, then press Open "
                                        "again.")
                             .arg(name(), m_line.toText(), m_session->refusal()) });
            return;
        }
    }
    for (const LineFault fault : step.faults) {
        if (m_state != State::Open) // a handler closed the port
            return;
        emit lineFaultDetected(fault);
    }
    if (m_state == State::Open && !step.data.isEmpty())
        emit readyRead();
}

void NetworkPort::handleError(QAbstractSocket::SocketError error)
{
    switch (m_state) {
    case State::Connecting:
        if (error == QAbstractSocket::RemoteHostClosedError)
            return; // the connect's own failure comes as its error
        m_lastConnectError = error;
        m_lastConnectReason = m_socket.errorString();
        // Not from within the socket's signal: it is not ready for another connect there.
        QMetaObject::invokeMethod(
            this,
            [this, generation = m_generation] {
                if (generation == m_generation && m_state == State::Connecting)
                    connectNext();
            },
            Qt::QueuedConnection);
        return;
    case State::Negotiating:
        fail(Error { kErrOpenFailed,
                     QStringLiteral("%1 closed the connection before the port was open: the "
                                    "server may not reach its device, or another client may "
                                    "have it. Check the server, then press Open again.")
                         .arg(name()) });
        return;
    case State::Open:
        loseConnection(error == QAbstractSocket::RemoteHostClosedError
                           ? QStringLiteral("the server closed the connection")
                           : m_socket.errorString());
        return;
    default:
        return;
    }
}

void NetworkPort::becomeOpen()
{
    m_agreeTimer.stop();
    m_state = State::Open;
    emit opened();
    if (m_waitLoop)
        m_waitLoop->quit();
    if (m_state == State::Open && !m_received.isEmpty())
        emit readyRead();
}

void NetworkPort::fail(Error error)
{
    if (!isOpening())
        return;
    m_connectTimer.stop();
    m_agreeTimer.stop();
    m_state = State::Failing;
    m_openError = error;
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, error = std::move(error)] {
            if (generation != m_generation)
                return;
            close();
            emit openFailed(error);
        },
        Qt::QueuedConnection);
}

void NetworkPort::loseConnection(const QString &reason)
{
    // What came with the last segment is the device's too, and is read before the loss.
    if (m_socket.bytesAvailable() > 0)
        handleReadyRead();
    if (m_state != State::Open) // a reader closed the port
        return;
    m_state = State::Losing;
    const Error error { kErrDeviceLost,
                        QStringLiteral("%1 stopped working (%2) and has been closed. Check the "
                                       "server and the network, then press Open again.")
                            .arg(name(), reason) };
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, error] {
            if (generation != m_generation)
                return;
            close();
            emit lost(error);
        },
        Qt::QueuedConnection);
}

void NetworkPort::close()
{
    ++m_generation;
    m_connectTimer.stop();
    m_agreeTimer.stop();
    const bool wasOpen = m_state == State::Open;
    // Closed first: aborting a connected socket signals a disconnection, which is ours.
    m_state = State::Closed;
    // Qt's buffer goes to the system, which sends it before the connection ends; abort()
    // alone would throw it away.
    if (wasOpen)
        m_socket.flush();
    m_socket.abort();
    m_addresses.clear();
    m_lastConnectError = QAbstractSocket::UnknownSocketError;
    if (m_waitLoop)
        m_waitLoop->quit();
}

std::optional<Error> NetworkPort::waitForOpened()
{
    if (isOpening()) {
        QEventLoop loop;
        m_waitLoop = &loop;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        m_waitLoop = nullptr;
    }
    if (m_state == State::Open)
        return std::nullopt;
    if (m_openError)
        return m_openError;
    return Error { kErrPortNotOpen, QStringLiteral("%1 was closed before it opened.").arg(name()) };
}

std::optional<Error> NetworkPort::write(const QByteArray &bytes)
{
    if (!isOpen())
        return Error { kErrPortNotOpen,
                       QStringLiteral("%1 is not open. Press Open first.").arg(name()) };
    if (m_state != State::Open) // lost; the loss is being reported
        return std::nullopt;
    const QByteArray wire = m_session ? Rfc2217Session::encode(bytes) : bytes;
    if (m_socket.write(wire) != wire.size())
        loseConnection(m_socket.errorString());
    return std::nullopt;
}

qint64 NetworkPort::drain(std::chrono::milliseconds bound)
{
    const QDeadlineTimer deadline(bound);
    while (m_state == State::Open && m_socket.bytesToWrite() > 0 && !deadline.hasExpired())
        m_socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())));
    return m_state == State::Open ? m_socket.bytesToWrite() : 0;
}

QByteArray NetworkPort::readAll()
{
    return std::exchange(m_received, {});
}

} // namespace qie
