// SPDX-License-Identifier: MIT
#pragma once

#include "serial/LineFault.h"
#include "serial/LineSettings.h"
#include "serial/TelnetCodec.h"

#include <QByteArray>
#include <QList>
#include <QSerialPort>
#include <QString>
#include <array>

namespace qie {

// The client side of a serial line carried over telnet (RFC 2217), without a socket: bytes from
// the server go in, and out come the device's data, what to answer the server and the line
// faults it reported.
//
// The session asks for binary transfer both ways (RFC 856), so that CR, NUL and every other
// byte pass unchanged, and for the COM port option. Once the server takes the option, the line
// settings are sent, and the session is agreed when the server has confirmed every one of them
// with the value asked for: a server that sets a value of its own would drive the device at
// settings the operator did not choose. Line state notifications are asked for the four faults
// a line can have; modem line changes are not, since nothing acts on them.
class Rfc2217Session
{
public:
    enum class State {
        Negotiating,
        Agreed,
        NotRfc2217, // declined binary transfer or the COM port option
        SettingsRefused, // confirmed a setting with a value other than the one asked for
    };

    // The telnet options and the COM port option's commands (the server answers each with
    // the command number plus 100).
    static constexpr unsigned char kBinary = 0;
    static constexpr unsigned char kSuppressGoAhead = 3;
    static constexpr unsigned char kComPort = 44;
    static constexpr unsigned char kSetBaudRate = 1;
    static constexpr unsigned char kSetDataSize = 2;
    static constexpr unsigned char kSetParity = 3;
    static constexpr unsigned char kSetStopSize = 4;
    static constexpr unsigned char kSetControl = 5;
    static constexpr unsigned char kNotifyLineState = 6;
    static constexpr unsigned char kSetLineStateMask = 10;
    static constexpr unsigned char kSetModemStateMask = 11;
    static constexpr unsigned char kServerOffset = 100;

    struct Step
    {
        QByteArray data; // the device's bytes, IAC undoubled
        QByteArray reply; // to send to the server now
        QList<LineFault> faults;
    };

    Rfc2217Session(const LineSettings &line, QSerialPort::FlowControl flow);

    // What the client says as soon as the connection stands.
    QByteArray start();
    Step receive(const QByteArray &chunk);
    // The operator's bytes as they go to the server.
    static QByteArray encode(const QByteArray &data) { return TelnetCodec::escape(data); }

    State state() const { return m_state; }
    // What the server declined or set otherwise, for the operator ("it set the speed to 1200
    // baud instead of 9600"); empty unless refused.
    QString refusal() const { return m_refusal; }

private:
    struct Setting
    {
        unsigned char command = 0;
        QByteArray value;
        bool confirmed = false;
    };

    void negotiate(const TelnetCodec::Command &command, Step &step);
    QByteArray settingsRequest() const;
    void comPortCommand(const QByteArray &parameters, Step &step);
    void refuse(State state, const QString &why);
    void checkAgreed();

    TelnetCodec m_codec;
    State m_state = State::Negotiating;
    QString m_refusal;
    std::array<Setting, 5> m_settings;
    std::array<bool, 256> m_localOn {};
    std::array<bool, 256> m_remoteOn {};
    std::array<bool, 256> m_localAsked {};
    std::array<bool, 256> m_remoteAsked {};
};

} // namespace qie
