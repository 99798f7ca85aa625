// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <variant>

namespace qie {

// A serial port reached over the network, as the operator writes it: rfc2217://HOST:PORT for a
// server that carries the line settings (RFC 2217), tcp://HOST:PORT for one that passes bytes
// and keeps its own settings. HOST is a name, an IPv4 address or an IPv6 address in brackets.
struct NetworkAddress
{
    enum class Protocol { Rfc2217, Raw };

    Protocol protocol = Protocol::Rfc2217;
    QString host; // an IPv6 address without its brackets
    quint16 port = 0;

    bool operator==(const NetworkAddress &) const = default;

    // The canonical form: lower-case scheme, brackets around an IPv6 host.
    QString toString() const;

    // Whether a port text is meant as a network address rather than a device path or number:
    // anything with "://" in it is, so that a mistyped address is reported as one and not
    // looked for as a device.
    static bool isNetworkText(const QString &text);
    // The address a text names, or why it names none (for the operator: what is wrong and how
    // to write it). Blanks around the text are ignored; the scheme may be in any case.
    static std::variant<NetworkAddress, QString> parse(const QString &text);
};

} // namespace qie
