// SPDX-License-Identifier: MIT
#include "serial/NetworkAddress.h"

#include <QHostAddress>
#include <algorithm>

namespace qie {
namespace {

const QLatin1String kSeparator("://");

bool isHostNameCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
        || c == QLatin1Char('.') || c == QLatin1Char('_');
}

bool isDottedNumber(const QString &host)
{
    return std::all_of(host.begin(), host.end(), [](QChar c) {
        return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
}

// Why a host is not one, or the empty text when it is.
QString hostProblem(const QString &host, bool bracketed)
{
    if (host.isEmpty())
        return QStringLiteral("the host is missing");
    if (bracketed) {
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return QStringLiteral("[%1] is not an IPv6 address").arg(host);
        return {};
    }
    if (!std::all_of(host.begin(), host.end(), isHostNameCharacter))
        return QStringLiteral("\"%1\" is not a host name").arg(host);
    // A name of digits and dots would be sent to the resolver, which would call it unknown;
    // it is a mistyped address, and is reported as one.
    if (isDottedNumber(host) && QHostAddress(host).protocol() != QAbstractSocket::IPv4Protocol)
        return QStringLiteral("%1 is not an IPv4 address").arg(host);
    return {};
}

QString portProblem(const QString &port, quint16 &number)
{
    if (port.isEmpty())
        return QStringLiteral("the port number is missing");
    const bool digits = std::all_of(port.begin(), port.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    bool ok = false;
    const uint value = digits ? port.toUInt(&ok) : 0;
    if (!ok || value < 1 || value > 65535)
        return QStringLiteral("\"%1\" is not a port number from 1 to 65535").arg(port);
    number = quint16(value);
    return {};
}

} // namespace

QString NetworkAddress::toString() const
{
    const QString scheme
        = protocol == Protocol::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp");
    const QString shownHost
        = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1://%2:%3").arg(scheme, shownHost).arg(port);
}

bool NetworkAddress::isNetworkText(const QString &text)
{
    return text.contains(kSeparator);
}

std::variant<NetworkAddress, QString> NetworkAddress::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    const auto refuse = [&trimmed](const QString &why) {
        return QStringLiteral("\"%1\" is not a network port: %2. Write it as "
                              "rfc2217://HOST:PORT or tcp://HOST:PORT.")
            .arg(trimmed, why);
    };
    const qsizetype separator = trimmed.indexOf(kSeparator);
    if (separator < 0)
        return refuse(QStringLiteral("\"://\" is missing"));

    NetworkAddress address;
    const QString scheme = trimmed.left(separator).toLower();
    if (scheme == QLatin1String("rfc2217"))
        address.protocol = Protocol::Rfc2217;
    else if (scheme == QLatin1String("tcp"))
        address.protocol = Protocol::Raw;
    else
        return refuse(QStringLiteral("the protocol must be rfc2217 or tcp, not \"%1\"")
                          .arg(trimmed.left(separator)));

    const QString rest = trimmed.mid(separator + kSeparator.size());
    const bool bracketed = rest.startsWith(QLatin1Char('['));
    qsizetype colon = -1;
    if (bracketed) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refuse(QStringLiteral("the ] after the IPv6 address is missing"));
        address.host = rest.mid(1, close - 1);
        if (close + 1 < rest.size() && rest.at(close + 1) != QLatin1Char(':'))
            return refuse(QStringLiteral("a : and the port number must follow the ]"));
        colon = close + 1 < rest.size() ? close + 1 : -1;
    } else {
        colon = rest.indexOf(QLatin1Char(':'));
        address.host = rest.left(colon);
        if (colon >= 0 && rest.indexOf(QLatin1Char(':'), colon + 1) >= 0)
            return refuse(QStringLiteral("an IPv6 address must be written in brackets, as "
                                         "[::1]"));
    }
    if (const QString why = hostProblem(address.host, bracketed); !why.isEmpty())
        return refuse(why);
    if (const QString why = portProblem(colon < 0 ? QString() : rest.mid(colon + 1), address.port);
        !why.isEmpty())
        return refuse(why);
    return address;
}

} // namespace qie
