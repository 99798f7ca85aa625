// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace qie::test {

// A pseudo-terminal the test plays the device on through the master side; the control opens the
// slave. openpty's own slave descriptor is closed at once, so that nobody else holds the device.
struct PseudoTerminal
{
    int master = -1;
    QString slavePath; // empty when none could be made

    PseudoTerminal()
    {
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        slavePath = QString::fromLocal8Bit(::ptsname(master));
        ::close(slave);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        ::fcntl(master, F_SETFD, FD_CLOEXEC); // no helper process inherits the device side
    }
    ~PseudoTerminal() { hangUp(); }

    // The device going away: the slave sees a hang-up.
    void hangUp() { ::close(std::exchange(master, -1)); }
    bool write(const QByteArray &b) { return ::write(master, b.data(), b.size()) == b.size(); }
    // What the control wrote, waiting with the event loop running for `expected` bytes.
    QByteArray read(qsizetype expected, int timeoutMs = 3000)
    {
        QByteArray got;
        char buffer[4096];
        for (QDeadlineTimer end(timeoutMs); got.size() < expected && !end.hasExpired();) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            else
                QTest::qWait(5);
        }
        return got;
    }
    // Fills the line towards the device until it takes no more: the device reads nothing.
    void fill()
    {
        const int slave
            = ::open(slavePath.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
        termios raw {};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        // The kernel moves bytes between its buffers in the background: full is when several
        // tries in a row find no room.
        const QByteArray block(4096, 'x');
        for (int refused = 0; refused < 5;) {
            if (::write(slave, block.data(), block.size()) > 0) {
                refused = 0;
                continue;
            }
            ++refused;
            QThread::msleep(20);
        }
        ::close(slave);
    }
};

} // namespace qie::test
