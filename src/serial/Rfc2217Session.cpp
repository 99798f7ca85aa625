// SPDX-License-Identifier: MIT
#include "serial/Rfc2217Session.h"

#include <QtEndian>
#include <utility>

namespace qie {
namespace {

using Codec = TelnetCodec;

// The four faults a line state notification can carry, by their bit.
constexpr unsigned char kBreakBit = 0x10;
constexpr unsigned char kFramingBit = 0x08;
constexpr unsigned char kParityBit = 0x04;
constexpr unsigned char kOverrunBit = 0x02;
constexpr unsigned char kFaultBits = kBreakBit | kFramingBit | kParityBit | kOverrunBit;

// The codes the COM port option gives the settings.
template<class Value> struct Code
{
    Value value;
    char code;
};
constexpr Code<QSerialPort::Parity> kParityCodes[] = {
    { QSerialPort::NoParity, 1 },   { QSerialPort::OddParity, 2 },   { QSerialPort::EvenParity, 3 },
    { QSerialPort::MarkParity, 4 }, { QSerialPort::SpaceParity, 5 },
};
constexpr Code<QSerialPort::StopBits> kStopCodes[] = {
    { QSerialPort::OneStop, 1 },
    { QSerialPort::TwoStop, 2 },
    { QSerialPort::OneAndHalfStop, 3 },
};
constexpr Code<QSerialPort::FlowControl> kFlowCodes[] = {
    { QSerialPort::NoFlowControl, 1 },
    { QSerialPort::SoftwareControl, 2 },
    { QSerialPort::HardwareControl, 3 },
};

// Values outside the tables are refused before a session starts (LineSettings::isValid); the
// first code stands for them.
template<class Value, std::size_t n> char codeOf(const Code<Value> (&codes)[n], Value value)
{
    for (const Code<Value> &entry : codes)
        if (entry.value == value)
            return entry.code;
    return codes[0].code;
}

quint32 numberOf(const QByteArray &value)
{
    quint32 number = 0;
    for (const char byte : value)
        number = (number << 8) | quint8(byte);
    return number;
}

// A setting's value as the operator knows it.
QString describe(unsigned char command, const QByteArray &value)
{
    const quint32 number = numberOf(value);
    const auto named = [number](std::initializer_list<const char *> names) {
        if (number >= 1 && number <= names.size())
            return QString::fromLatin1(*(names.begin() + number - 1));
        return QStringLiteral("code %1").arg(number);
    };
    switch (command) {
    case Rfc2217Session::kSetBaudRate:
        return QStringLiteral("%1 baud").arg(number);
    case Rfc2217Session::kSetParity:
        return named({ "none", "odd", "even", "mark", "space" });
    case Rfc2217Session::kSetStopSize:
        return named({ "1", "2", "1.5" });
    case Rfc2217Session::kSetControl:
        return named({ "none", "XON/XOFF", "RTS/CTS" });
    default:
        return QString::number(number);
    }
}

QString settingName(unsigned char command)
{
    switch (command) {
    case Rfc2217Session::kSetBaudRate:
        return QStringLiteral("speed");
    case Rfc2217Session::kSetDataSize:
        return QStringLiteral("data bits");
    case Rfc2217Session::kSetParity:
        return QStringLiteral("parity");
    case Rfc2217Session::kSetStopSize:
        return QStringLiteral("stop bits");
    default:
        return QStringLiteral("flow control");
    }
}

bool wantedLocally(unsigned char option)
{
    return option == Rfc2217Session::kBinary || option == Rfc2217Session::kComPort
        || option == Rfc2217Session::kSuppressGoAhead;
}

bool wantedRemotely(unsigned char option)
{
    return option == Rfc2217Session::kBinary || option == Rfc2217Session::kSuppressGoAhead;
}

} // namespace

Rfc2217Session::Rfc2217Session(const LineSettings &line, QSerialPort::FlowControl flow)
{
    QByteArray baud(4, 0);
    qToBigEndian(quint32(line.baudRate), baud.data());
    m_settings = { Setting { kSetBaudRate, baud },
                   Setting { kSetDataSize, QByteArray(1, char(line.dataBits)) },
                   Setting { kSetParity, QByteArray(1, codeOf(kParityCodes, line.parity)) },
                   Setting { kSetStopSize, QByteArray(1, codeOf(kStopCodes, line.stopBits)) },
                   Setting { kSetControl, QByteArray(1, codeOf(kFlowCodes, flow)) } };
}

QByteArray Rfc2217Session::start()
{
    m_localAsked[kBinary] = true;
    m_remoteAsked[kBinary] = true;
    m_localAsked[kComPort] = true;
    return Codec::negotiation(Codec::kWill, kBinary) + Codec::negotiation(Codec::kDo, kBinary)
        + Codec::negotiation(Codec::kWill, kComPort);
}

Rfc2217Session::Step Rfc2217Session::receive(const QByteArray &chunk)
{
    Codec::Decoded decoded = m_codec.decode(chunk);
    Step step;
    step.data = std::move(decoded.data);
    for (const Codec::Command &command : decoded.commands) {
        if (command.verb != Codec::kSb)
            negotiate(command, step);
        else if (command.option == kComPort && !command.parameters.isEmpty())
            comPortCommand(command.parameters, step);
    }
    return step;
}

// Option negotiation in the manner of RFC 1143: a request is answered only when it changes
// something, and an answer to our own request is not answered again, so that the two sides
// never loop.
void Rfc2217Session::negotiate(const TelnetCodec::Command &command, Step &step)
{
    const unsigned char option = command.option;
    if (command.verb == Codec::kWill || command.verb == Codec::kWont) {
        const bool asked = std::exchange(m_remoteAsked[option], false);
        if (command.verb == Codec::kWont) {
            if (std::exchange(m_remoteOn[option], false))
                step.reply += Codec::negotiation(Codec::kDont, option);
            if (option == kBinary)
                refuse(State::NotRfc2217, QStringLiteral("it refused to send binary data"));
        } else if (!wantedRemotely(option)) {
            step.reply += Codec::negotiation(Codec::kDont, option);
        } else if (!std::exchange(m_remoteOn[option], true) && !asked) {
            step.reply += Codec::negotiation(Codec::kDo, option);
        }
    } else {
        const bool asked = std::exchange(m_localAsked[option], false);
        if (command.verb == Codec::kDont) {
            if (std::exchange(m_localOn[option], false))
                step.reply += Codec::negotiation(Codec::kWont, option);
            if (option == kBinary)
                refuse(State::NotRfc2217, QStringLiteral("it refused to receive binary data"));
            else if (option == kComPort)
                refuse(State::NotRfc2217, QStringLiteral("it refused the COM port option"));
        } else if (!wantedLocally(option)) {
            step.reply += Codec::negotiation(Codec::kWont, option);
        } else if (!std::exchange(m_localOn[option], true)) {
            if (!asked)
                step.reply += Codec::negotiation(Codec::kWill, option);
            if (option == kComPort)
                step.reply += settingsRequest();
        }
    }
    checkAgreed();
}

QByteArray Rfc2217Session::settingsRequest() const
{
    QByteArray request;
    for (const Setting &setting : m_settings)
        request += Codec::subnegotiation(kComPort,
                                         QByteArray(1, char(setting.command)) + setting.value);
    const auto command = [](unsigned char code, unsigned char value) {
        return Codec::subnegotiation(kComPort, QByteArray().append(char(code)).append(char(value)));
    };
    return request + command(kSetLineStateMask, kFaultBits) + command(kSetModemStateMask, 0);
}

void Rfc2217Session::comPortCommand(const QByteArray &parameters, Step &step)
{
    const unsigned char command = quint8(parameters.at(0));
    const QByteArray value = parameters.mid(1);
    if (command == kServerOffset + kNotifyLineState && !value.isEmpty()) {
        const unsigned char bits = quint8(value.at(0));
        // In the order of the fault numbers, so that boxes come in a fixed order.
        if (bits & kBreakBit)
            step.faults.append(LineFault::Break);
        if (bits & kFramingBit)
            step.faults.append(LineFault::Frame);
        if (bits & kOverrunBit)
            step.faults.append(LineFault::Overrun);
        if (bits & kParityBit)
            step.faults.append(LineFault::RxParity);
        return;
    }
    // A request to pause sending (flow control suspend) is not followed: what the operator
    // sends is small, and a server that cannot take more stops reading, which TCP passes on.
    for (Setting &setting : m_settings) {
        if (command != kServerOffset + setting.command)
            continue;
        if (value != setting.value)
            refuse(State::SettingsRefused,
                   QStringLiteral("it set the %1 to %2 instead of %3")
                       .arg(settingName(setting.command), describe(setting.command, value),
                            describe(setting.command, setting.value)));
        setting.confirmed = true;
    }
    checkAgreed();
}

void Rfc2217Session::refuse(State state, const QString &why)
{
    // Only the first refusal counts, and only while the session is being set up: it is what
    // the operator is told, and once agreed the line is the operator's.
    if (m_state != State::Negotiating)
        return;
    m_state = state;
    m_refusal = why;
}

void Rfc2217Session::checkAgreed()
{
    if (m_state != State::Negotiating || !m_localOn[kBinary] || !m_remoteOn[kBinary]
        || !m_localOn[kComPort])
        return;
    for (const Setting &setting : m_settings)
        if (!setting.confirmed)
            return;
    m_state = State::Agreed;
}

} // namespace qie
