// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "serial/PortHolders.h"
#include "serial/PortLocator.h"

#include <QSerialPort>
#include <QString>
#include <optional>

namespace qie {

// Why port number n cannot be opened, in words that tell the operator what to do: nothing
// there, a pinned adapter not plugged in, a device that is no terminal, another program that
// has it, no rights to it, a lock file left behind, a holder this user cannot see. Every
// reason is decided from the device's node, the processes and the lock files, never by
// opening the device, so that asking has no effect on the port.
//
// Made for one attempt from one look at the ports; the control asks it before the open and,
// when the open fails, after it.
class OpenDiagnosis
{
public:
    // `scanBudget`: how long the look for other programs that hold the device may take.
    OpenDiagnosis(int number, const PortLocator &ports,
                  std::chrono::milliseconds scanBudget = PortHolders::kScanBudget);
    // A device named by its path rather than by a number: no pins, no other ports.
    explicit OpenDiagnosis(const QString &device);

    // The device that number means in this look; empty when none is present.
    QString device() const { return m_port ? m_port->device() : QString(); }

    // Why the device must not be opened; nothing when it may be.
    std::optional<Error> beforeOpen() const;
    // Why the open failed, from what the port layer reported.
    Error afterFailedOpen(QSerialPort::SerialPortError error, const QString &errorString) const;

    // A number outside the port numbers, with the ports there are.
    static Error invalidNumber(int number, const PortLocator &ports);
    // The port as every message names it: "Port 1", or "Port 1 (/dev/ttyUSB0)" when the device
    // says more than the number; a device named by its path (number 0) is its path.
    static QString portText(int number, const QString &device);

private:
    QString portText() const { return portText(m_number, device()); }
    std::optional<Error> notATerminal() const;
    std::optional<Error> heldByAnother() const;
    Error permissionRefused() const;
    // The udev rule line that makes a modem manager leave this port's adapter alone.
    QString modemManagerRule() const;
    QString modemManagerAdvice() const;

    int m_number = 0;
    std::optional<PortLocator::Port> m_port;
    QString m_shortList;
    std::chrono::milliseconds m_scanBudget = PortHolders::kScanBudget;
};

} // namespace qie
