// SPDX-License-Identifier: MIT
#pragma once

#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <unistd.h>

namespace qie::test {

// Waits that end on an event on the loopback interface, which comes in milliseconds; the
// bound only keeps a broken build from hanging and is never reached when the code works, the
// sanitizer build on a busy machine included. A broken rule fails after it, once per wait.
constexpr int kFailsafeMs = 5000;

// A port on the loopback interface where nothing listens: one the system just handed out.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Waits until `done` holds, the event loop running, woken by `signal` of `sender`.
template<class Sender, class Signal, class Done>
bool waitFor(Sender *sender, Signal signal, Done done)
{
    if (done())
        return true;
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(kFailsafeMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The device side of a pseudo-terminal: what the port's bytes became on the line.
inline QByteArray readDevice(int master, qsizetype count)
{
    QByteArray got;
    QSocketNotifier notifier(master, QSocketNotifier::Read);
    waitFor(&notifier, &QSocketNotifier::activated, [&] {
        char buffer[256];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        return got.size() >= count;
    });
    return got;
}

// Debian's serial server on the loopback interface, serving one pseudo-terminal. Its own
// settings for the line are 1200 baud, 2 stop bits and RTS/CTS, so that anything else seen on
// the line was asked for by the client.
class SerialServer
{
public:
    bool start(const QString &device, bool rfc2217)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                               { "/usr/sbin", "/usr/bin" });
        if (program.isEmpty()) {
            m_why = QStringLiteral("ser2net is not installed (scripts/deps.sh installs it)");
            return false;
        }
        port = freePort();
        // The server starts its listeners in the order of the file, each listening before the
        // next starts, so the second one's socket file appearing says the first one listens.
        const QString ready = m_dir.filePath(QStringLiteral("ready"));
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("%YAML 1.1\n---\n"
                                  "connection: &line\n"
                                  "    accepter: %1tcp,127.0.0.1,%2\n"
                                  "    enable: on\n"
                                  "    connector: serialdev,%3,1200n82,rtscts,local\n"
                                  "connection: &ready\n"
                                  "    accepter: unix,%4\n"
                                  "    enable: on\n"
                                  "    connector: serialdev,%3,1200n82,local\n")
                       .arg(rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
                       .arg(port)
                       .arg(device, ready)
                       .toUtf8());
        file.close();
        QFileSystemWatcher watcher({ m_dir.path() });
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, { "-n", "-c", config });
        const auto listening
            = [&] { return QFile::exists(ready) || m_process.state() == QProcess::NotRunning; };
        waitFor(&watcher, &QFileSystemWatcher::directoryChanged, listening);
        m_why = QString::fromLocal8Bit(m_process.readAll());
        return QFile::exists(ready) && m_process.state() != QProcess::NotRunning;
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }
    ~SerialServer() { stop(); }
    QString why() const { return m_why; }

    quint16 port = 0;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_why;
};

} // namespace qie::test
