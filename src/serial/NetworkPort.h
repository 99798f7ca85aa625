// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "serial/LineFault.h"
#include "serial/LineSettings.h"
#include "serial/NetworkAddress.h"
#include "serial/Rfc2217Session.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

class QEventLoop;

namespace qie {

// A serial port reached through a network serial server, used like a serial port: open with the
// line settings, write, read what arrived, told of line faults and of the server going away.
// Everything runs on the thread that owns it, driven by its event loop.
//
// Opening goes through the host lookup, the connection and, for rfc2217://, the agreement on
// binary transfer and the line settings. open() only starts it; opened() or openFailed() follows
// once, never from within open(). waitForOpened() waits for that outcome for a caller that needs
// it at once (an Open button, a command), holding the user's input but not the painting.
//
// The failures carry the numbers the serial port uses for the same meaning, so that operators'
// notes and scripts need no second list:
//   kErrNoSuchPort       host unknown; connection refused (nothing listens)
//   kErrOpenFailed       no answer in time; closed or failed while opening
//   kErrNotATerminal     not an RFC 2217 server
//   kErrInvalidSettings  the server set other line settings
//   kErrDeviceLost       the server went away while open
//   kErrPortAlreadyOpen, kErrPortNotOpen  as for a serial port
class NetworkPort : public QObject
{
    Q_OBJECT

public:
    // What the host lookup and the connection together may take, and what an RFC 2217 server
    // may take to agree once connected.
    static constexpr std::chrono::milliseconds kConnectTimeout { 5000 };
    static constexpr std::chrono::milliseconds kAgreeTimeout { 5000 };

    // Looks a host name up and answers once, on this thread: its addresses, or none and why.
    using Answer = std::function<void(const QList<QHostAddress> &addresses, const QString &why)>;
    using Resolver = std::function<void(const QString &host, QObject *context, Answer answer)>;

    explicit NetworkPort(QObject *parent = nullptr);
    ~NetworkPort() override;

    // Tests put their own lookup in place, since no name can be relied on to be unknown (or
    // known) without a name server; an empty function goes back to the system's.
    void setResolver(Resolver resolver);
    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds agree);
    std::chrono::milliseconds connectTimeout() const { return m_connectTimeout; }
    std::chrono::milliseconds agreeTimeout() const { return m_agreeTimeout; }

    // Starts opening. The line settings and flow control are what an RFC 2217 server is asked
    // to set; a raw server keeps its own. An error is returned only when opening cannot start
    // (already open or opening; settings no serial line has), and then no signal follows.
    std::optional<Error> open(const NetworkAddress &address, const LineSettings &line,
                              QSerialPort::FlowControl flow);
    // The outcome of the open in progress: nothing once open, or why it failed.
    std::optional<Error> waitForOpened();

    bool isOpen() const;
    bool isOpening() const;
    // Closes without a signal, an open in progress included. What was written goes to the
    // network first (as far as the system takes it without waiting); what was received stays
    // readable.
    void close();

    // The bytes go to the device as they are (an RFC 2217 server gets every IAC doubled).
    std::optional<Error> write(const QByteArray &bytes);
    // Waits until what was written has gone to the system's network stack, at most `bound`;
    // the bytes still waiting then (0 also when the port was lost meanwhile). Does not return
    // to the event loop, for the command that must know its bytes left before it ends.
    qint64 drain(std::chrono::milliseconds bound);
    // The device's bytes received since the last read, exactly as it sent them.
    QByteArray readAll();
    qint64 bytesAvailable() const { return m_received.size(); }

    NetworkAddress address() const { return m_address; }

Q_SIGNALS:
    void opened();
    void openFailed(const qie::Error &error);
    // The device's bytes wait in readAll(); emitted only while open.
    void readyRead();
    // The server reported a fault on its line; the port stays open.
    void lineFaultDetected(qie::LineFault fault);
    // The server went away or the connection broke while open. The port is closed when this
    // is emitted, and it is emitted once; bytes received before stay readable.
    void lost(const qie::Error &error);

private:
    // Failing and Losing: the end is decided and is reported from the event loop.
    enum class State { Closed, Resolving, Connecting, Negotiating, Open, Failing, Losing };

    void begin();
    void answered(const QList<QHostAddress> &addresses, const QString &why);
    void connectNext();
    void handleConnected();
    void handleReadyRead();
    void handleError(QAbstractSocket::SocketError error);
    void becomeOpen();
    // Both end the session once, later from the event loop: the socket may be inside the
    // signal that brought the news.
    void fail(Error error);
    void loseConnection(const QString &reason);
    QString name() const { return m_address.toString(); }

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_agreeTimer;
    Resolver m_resolver;
    std::chrono::milliseconds m_connectTimeout = kConnectTimeout;
    std::chrono::milliseconds m_agreeTimeout = kAgreeTimeout;

    State m_state = State::Closed;
    // Counts sessions, so that a late lookup answer or a deferred step of an earlier one is
    // recognised and dropped.
    quint64 m_generation = 0;
    NetworkAddress m_address;
    LineSettings m_line;
    std::optional<Rfc2217Session> m_session;
    QList<QHostAddress> m_addresses; // still to try
    QAbstractSocket::SocketError m_lastConnectError = QAbstractSocket::UnknownSocketError;
    QString m_lastConnectReason;
    QByteArray m_received;
    QEventLoop *m_waitLoop = nullptr;
    std::optional<Error> m_openError;
};

} // namespace qie
