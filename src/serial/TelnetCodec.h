// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>

namespace qie {

// The telnet byte stream (RFC 854, 855): data with commands in between, each command led by the
// byte IAC (255), and an IAC that is data sent twice. No socket here: the stream goes in as the
// chunks the network delivered, and a command or a doubled IAC cut in two by a chunk boundary
// is held until its end arrives.
//
// Only what a binary session needs is kept: option negotiation and subnegotiation. Every other
// command (NOP, data mark, go ahead and the like) carries nothing for a serial line and is
// dropped. CR is not touched: both sides of our sessions send binary (RFC 856), where CR is a
// byte like any other.
class TelnetCodec
{
public:
    static constexpr char kIac = char(255);
    static constexpr char kSb = char(250);
    static constexpr char kSe = char(240);
    static constexpr char kWill = char(251);
    static constexpr char kWont = char(252);
    static constexpr char kDo = char(253);
    static constexpr char kDont = char(254);

    struct Command
    {
        // kWill, kWont, kDo or kDont with `option`; or kSb with `option` and its parameters.
        char verb = 0;
        unsigned char option = 0;
        QByteArray parameters; // of a subnegotiation, IAC undoubled

        bool operator==(const Command &) const = default;
    };

    struct Decoded
    {
        QByteArray data;
        QList<Command> commands;
    };

    // Data as it goes on the wire: every IAC doubled.
    static QByteArray escape(const QByteArray &data);
    // A negotiation, and a subnegotiation with its parameters escaped.
    static QByteArray negotiation(char verb, unsigned char option);
    static QByteArray subnegotiation(unsigned char option, const QByteArray &parameters);

    // The data and the commands of the next chunk, each in the order they came.
    Decoded decode(const QByteArray &chunk);

private:
    enum class State { Data, Iac, Verb, Sub, SubOption, SubIac };
    State m_state = State::Data;
    char m_verb = 0;
    Command m_sub;
};

} // namespace qie
