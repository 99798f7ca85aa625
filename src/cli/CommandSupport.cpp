// SPDX-License-Identifier: MIT
#include "cli/CommandSupport.h"

#include "common/Quoted.h"
#include "files/CodePage.h"
#include "files/DataFile.h"
#include "model/Document.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <string>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace qie::CommandSupport {
namespace {

void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void printError(const QString &command, const QString &message)
{
    printLine(QStringLiteral("%1 %2: %3\n").arg(programName(), command, message));
}

// A code point as U+ and at least four uppercase hexadecimal digits.
QString codePoint(char32_t c)
{
    return QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// The first character of the callsign that the device would take as something other than a
// character to show, with its 1-based position and what is wrong with it.
std::optional<QString> callsignFault(const QString &callsign)
{
    qsizetype position = 0;
    for (qsizetype i = 0; i < callsign.size(); ++i) {
        ++position;
        const QChar unit = callsign[i];
        if (unit.isHighSurrogate() && i + 1 < callsign.size() && callsign[i + 1].isLowSurrogate()) {
            const char32_t c = QChar::surrogateToUcs4(unit, callsign[i + 1]);
            ++i;
            const QChar::Category category = QChar::category(c);
            if (category == QChar::Other_Format)
                return QStringLiteral("--callsign cannot hold %1 (character %2), a format "
                                      "character.")
                    .arg(codePoint(c))
                    .arg(position);
            continue;
        }
        if (Quoted::isEscapedByte(unit.unicode()))
            return QStringLiteral("--callsign is not valid UTF-8: character %1 is the byte %2.")
                .arg(position)
                .arg(Quoted::text(QStringView(&unit, 1)));
        if (unit.isSurrogate())
            return QStringLiteral("--callsign is not valid text: character %1 is half of a "
                                  "UTF-16 pair.")
                .arg(position);
        const char *kind = nullptr;
        switch (unit.category()) {
        case QChar::Other_Control:
            kind = "a control character";
            break;
        case QChar::Other_Format:
            kind = "a format character";
            break;
        case QChar::Separator_Line:
            kind = "a line separator";
            break;
        case QChar::Separator_Paragraph:
            kind = "a paragraph separator";
            break;
        default:
            continue;
        }
        return QStringLiteral("--callsign cannot hold %1 (character %2), %3.")
            .arg(codePoint(unit.unicode()))
            .arg(position)
            .arg(QLatin1String(kind));
    }
    return std::nullopt;
}

} // namespace

QString programName()
{
    return QStringLiteral("quernel-image-editor");
}

int usageError(const QString &command, const QString &message)
{
    printError(
        command,
        message
            + QStringLiteral("\nRun '%1 %2 --help' for its usage.").arg(programName(), command));
    return kUsageError;
}

int inputError(const QString &command, const QString &message)
{
    printError(command, message);
    return kInputError;
}

void note(const QString &command, const QString &message)
{
    printError(command, message);
}

int failed(int status, const Error &error)
{
    printLine(describe(error, u'\n') + u'\n');
    return status;
}

std::variant<QByteArray, Error> readStandardInput(qint64 limit)
{
#ifdef Q_OS_WIN
    ::_setmode(::_fileno(stdin), _O_BINARY);
#endif
    QFile in;
    if (!in.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return Error { kErrDeviceIo,
                       QStringLiteral("standard input cannot be read: %1.").arg(in.errorString()) };
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() <= limit) {
        const qint64 count
            = in.read(buffer, std::min<qint64>(sizeof buffer, limit + 1 - bytes.size()));
        if (count < 0)
            return Error {
                kErrDeviceIo,
                QStringLiteral("standard input cannot be read: %1.").arg(in.errorString())
            };
        if (count == 0)
            break;
        bytes.append(buffer, count);
    }
    return bytes;
}

std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments,
                         const QString &command, const QString &usage)
{
    // Not addHelpOption(): its --help-all offers Qt's own options, which commands do not take.
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        // The parser quotes an unknown option as it was typed; it is shown as any input is.
        const QStringList unknown = parser.unknownOptionNames();
        return usageError(
            command,
            unknown.isEmpty()
                ? Quoted::text(parser.errorText())
                : QStringLiteral("Unknown option '%1'.").arg(Quoted::text(unknown.constFirst())));
    }
    if (parser.isSet(help)) {
        // The parser's own first line names the program path without the command word.
        QString text = parser.helpText();
        text.replace(0, text.indexOf(u'\n'), QStringLiteral("Usage: ") + usage);
        std::fputs(text.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        return kDone;
    }
    return std::nullopt;
}

OutputOptions::OutputOptions(QCommandLineParser &parser)
    : m_output({ QStringLiteral("o"), QStringLiteral("output") },
               QStringLiteral("The data file to write (replaced when it exists), or - for "
                              "standard output."),
               QStringLiteral("FILE")),
      m_width(QStringLiteral("width"),
              QStringLiteral("The width in bytes, 1 to 16 (default: the fewest that hold the "
                             "picture)."),
              QStringLiteral("N")),
      m_callsign(QStringLiteral("callsign"),
                 QStringLiteral("The callsign line, at most 12 characters (default: empty)."),
                 QStringLiteral("TEXT"))
{
    parser.addOptions({ m_output, m_width, m_callsign });
}

std::optional<QString> OutputOptions::check(const QCommandLineParser &parser)
{
    path = parser.value(m_output);
    if (path.isEmpty())
        return QStringLiteral("the data file to write is missing (-o FILE).");
    if (parser.isSet(m_width)) {
        bool ok = false;
        const int n = parser.value(m_width).toInt(&ok);
        if (!ok || n < 1 || n > Picture::kMaxBytes)
            return QStringLiteral("--width takes a whole number from 1 to 16, not \"%1\".")
                .arg(Quoted::text(parser.value(m_width)));
        width = n;
    }
    callsign = parser.value(m_callsign);
    // What the window's callsign box holds, counted as the box counts.
    const std::size_t length = Document::boxLength(callsign.toStdString());
    if (length > Document::kCallsignMaxLength)
        return QStringLiteral("--callsign takes at most %1 characters, \"%2\" has %3.")
            .arg(Document::kCallsignMaxLength)
            .arg(Quoted::text(callsign))
            .arg(length);
    return callsignFault(callsign);
}

QByteArray dataText(const Picture &picture, int widthBytes, const QString &callsign)
{
    Document document(CodePage::codec());
    document.setCallsignText(callsign.toStdString());
    document.applyPicture(picture, widthBytes);
    return QByteArray::fromStdString(document.sendData());
}

int writeDataFile(const QString &command, const Picture &picture, int widthBytes,
                  const OutputOptions &options)
{
    const int width = options.width.value_or(widthBytes);
    if (const auto error = DataFile::save(options.path, dataText(picture, width, options.callsign),
                                          OutputFile::Accepts::AnyOutput))
        return inputError(command, error->description);
    return kDone;
}

} // namespace qie::CommandSupport
