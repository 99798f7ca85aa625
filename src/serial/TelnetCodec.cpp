// SPDX-License-Identifier: MIT
#include "serial/TelnetCodec.h"

#include <utility>

namespace qie {

QByteArray TelnetCodec::escape(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + data.count(kIac));
    for (const char byte : data) {
        out.append(byte);
        if (byte == kIac)
            out.append(kIac);
    }
    return out;
}

QByteArray TelnetCodec::negotiation(char verb, unsigned char option)
{
    return QByteArray().append(kIac).append(verb).append(char(option));
}

QByteArray TelnetCodec::subnegotiation(unsigned char option, const QByteArray &parameters)
{
    return QByteArray()
        .append(kIac)
        .append(kSb)
        .append(char(option))
        .append(escape(parameters))
        .append(kIac)
        .append(kSe);
}

TelnetCodec::Decoded TelnetCodec::decode(const QByteArray &chunk)
{
    Decoded out;
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        const char byte = chunk.at(i);
        switch (m_state) {
        case State::Data:
            if (byte == kIac)
                m_state = State::Iac;
            else
                out.data.append(byte);
            break;
        case State::Iac:
            if (byte == kIac) {
                out.data.append(kIac);
                m_state = State::Data;
            } else if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
                m_verb = byte;
                m_state = State::Verb;
            } else if (byte == kSb) {
                m_state = State::SubOption;
            } else {
                m_state = State::Data; // the other commands mean nothing on a serial line
            }
            break;
        case State::Verb:
            out.commands.append(Command { m_verb, static_cast<unsigned char>(byte), {} });
            m_state = State::Data;
            break;
        case State::SubOption:
            m_sub = Command { kSb, static_cast<unsigned char>(byte), {} };
            m_state = State::Sub;
            break;
        case State::Sub:
            if (byte == kIac)
                m_state = State::SubIac;
            else
                m_sub.parameters.append(byte);
            break;
        case State::SubIac:
            if (byte == kIac) {
                m_sub.parameters.append(kIac);
                m_state = State::Sub;
            } else {
                // IAC SE ends it. Any other command ends it too (a peer that forgot the SE),
                // and is then read as the command it is, so that what follows is not taken
                // for parameters.
                out.commands.append(std::exchange(m_sub, {}));
                if (byte == kSe) {
                    m_state = State::Data;
                } else {
                    m_state = State::Iac;
                    --i;
                }
            }
            break;
        }
    }
    return out;
}

} // namespace qie
