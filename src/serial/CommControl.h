// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

namespace qie {

// A failure of a port operation, as the error box shows it: a number and a description that
// tells the operator what to do.
struct CommError
{
    int number = 0;
    QString description;
};

// The serial control as the editor window uses it: configure while closed, open, write the
// data text, read what arrived, close. All on the user-interface thread. The window never
// keeps a port flag of its own; portOpen() is the one truth.
//
// Every property setter that can fail returns the failure instead of throwing, so that a
// handler can stop at exactly the step that failed and leave the earlier ones done.
class CommControl : public QObject
{
    Q_OBJECT

public:
    // Event numbers reported through OnComm.
    enum Event : int {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEvEOF = 7,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        comEventDCB = 1011,
    };

    using QObject::QObject;

    virtual std::optional<CommError> setCommPort(int port) = 0;
    virtual std::optional<CommError> setSettings(const QString &settings) = 0; // "9600,n,8,1"
    virtual std::optional<CommError> setHandshaking(int handshaking) = 0; // 0: none
    virtual std::optional<CommError> setSThreshold(int threshold) = 0;
    virtual std::optional<CommError> setRThreshold(int threshold) = 0;

    virtual bool portOpen() const = 0;
    virtual std::optional<CommError> setPortOpen(bool open) = 0;

    // Writes the bytes as they are, without waiting for them to leave. The data text travels as
    // bytes so that what a file held reaches the device unchanged, whatever the code page.
    virtual std::optional<CommError> setOutput(const QByteArray &bytes) = 0;
    // The text received since the last read, each character once; a character whose bytes
    // arrive in two reads is returned whole with the second.
    virtual QString input() = 0;
    // The number of the event being reported; valid inside an OnComm.
    virtual int commEvent() const = 0;

    // A description of the device that port number n means on this system, for tooltips.
    virtual QString describePorts() const = 0;

Q_SIGNALS:
    void OnComm();
    // The device went away while open (adapter unplugged, line hung up) or a write failed.
    // The control has already closed the port when this is emitted; it is emitted once.
    void portLost(const qie::CommError &error);
};

} // namespace qie
