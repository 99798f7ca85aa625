// SPDX-License-Identifier: MIT
#include "cli/PortsCommand.h"

#include "cli/CommandSupport.h"
#include "files/OutputFile.h"
#include "serial/NetworkAddress.h"
#include "serial/PortLocator.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace qie::PortsCommand {
namespace {

using namespace CommandSupport;

struct Row
{
    int number = 0;
    QString device;
    QString description;
    QString byId;
    QString pin;
};

QString networkKind(const QString &device)
{
    const auto address = NetworkAddress::parse(device);
    const auto *parsed = std::get_if<NetworkAddress>(&address);
    if (!parsed)
        return QStringLiteral("network port");
    return parsed->protocol == NetworkAddress::Protocol::Rfc2217
        ? QStringLiteral("RFC 2217 network port")
        : QStringLiteral("raw TCP network port");
}

Row rowOf(const PortLocator::Port &port)
{
    Row row { port.number, port.device(), port.adapter.description, port.adapter.byId,
              port.pin ? port.pin->identity : QString() };
    // What the number stands for when the system has no description of its own.
    if (!port.present() && port.pin)
        row.description = port.pin->name;
    else if (NetworkAddress::isNetworkText(port.device()))
        row.description = networkKind(port.device());
    if (port.fromEnvironment) {
        const QString origin = QStringLiteral("set by QIE_COM%1").arg(port.number);
        row.description
            = row.description.isEmpty() ? origin : row.description + QStringLiteral(", ") + origin;
    }
    return row;
}

// One field of a line: never empty, never a tab or a line end, so that a line splits into its
// five fields whatever the system or the operator's settings hold.
QString field(QString text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case u'\t':
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case 0x85:
        case 0x2028:
        case 0x2029:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QJsonValue jsonText(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QByteArray lines(const QList<Row> &rows)
{
    QString text;
    for (const Row &row : rows)
        text += QStringList { QString::number(row.number), field(row.device),
                              field(row.description), field(row.byId), field(row.pin) }
                    .join(u'\t')
            + u'\n';
    return text.toLocal8Bit();
}

QByteArray json(const QList<Row> &rows)
{
    QJsonArray array;
    for (const Row &row : rows)
        array.append(QJsonObject { { QStringLiteral("number"), row.number },
                                   { QStringLiteral("device"), jsonText(row.device) },
                                   { QStringLiteral("description"), jsonText(row.description) },
                                   { QStringLiteral("byId"), jsonText(row.byId) },
                                   { QStringLiteral("pin"), jsonText(row.pin) } });
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace

int run(const QStringList &arguments)
{
    const QString command = QStringLiteral("ports");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the port numbers that open something, one line each: number, "
                       "device, description, by-id name, pinned identity, separated by tabs; "
                       "\"-\" where there is nothing. Pinned adapters that are not plugged in, "
                       "QIE_COM<n> and network ports are listed too.\nExit status: 0 listed "
                       "(an empty list too), 1 the list could not be written, 2 usage error."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Write a JSON array of objects with the keys number, device, description, "
                       "byId and pin instead (null where there is nothing)."));
    parser.addOption(jsonOption);
    if (const auto status
        = parse(parser, arguments, command, programName() + QStringLiteral(" ports [--json]")))
        return *status;
    if (!parser.positionalArguments().isEmpty())
        return usageError(command, QStringLiteral("ports takes no arguments."));

    QList<Row> rows;
    for (const PortLocator::Port &port : PortLocator::scan().list())
        rows.append(rowOf(port));
    const QByteArray bytes = parser.isSet(jsonOption) ? json(rows) : lines(rows);

    std::fflush(stdout);
    QFile out;
    if (!out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)
        || out.write(bytes) != bytes.size())
        return inputError(command,
                          QStringLiteral("the list could not be written to %1: %2.")
                              .arg(OutputFile::standardOutputName(), out.errorString()));
    return kDone;
}

} // namespace qie::PortsCommand
