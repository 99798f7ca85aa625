// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace qie::test {

// A pseudo-terminal whose master side the test holds and plays the device on; the slave path
// is what the control opens. The slave descriptor openpty hands out is closed at once, so that
// the control finds nobody else holding the device.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        int slave = -1;
        char name[128] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
            m_master = -1;
            return;
        }
        m_slavePath = QString::fromLocal8Bit(name);
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    bool write(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size()))
            == bytes.size();
    }

    // Everything the control wrote, waiting (with the event loop running) until `expected`
    // bytes are there or the time is up.
    QByteArray read(qsizetype expected, int timeoutMs = 3000)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < expected && !deadline.hasExpired()) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            else
                QTest::qWait(5);
        }
        return got;
    }

    // The slave's line settings: terminal attribute requests on the master act on the slave.
    termios slaveSettings() const
    {
        termios tio {};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

    // The device going away: the slave sees a hang-up.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace qie::test
