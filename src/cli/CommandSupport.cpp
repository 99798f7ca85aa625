// SPDX-License-Identifier: MIT
#include "cli/CommandSupport.h"

#include "files/CodePage.h"
#include "files/DataFile.h"
#include "model/Document.h"

#include <cstdio>
#include <string>

namespace qie::CommandSupport {
namespace {

void printError(const QString &command, const QString &message)
{
    const QString line = QStringLiteral("%1 %2: %3\n").arg(programName(), command, message);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
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

std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments,
                         const QString &command, const QString &usage)
{
    // Not addHelpOption(): its --help-all offers Qt's own options, which commands do not take.
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments))
        return usageError(command, parser.errorText());
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
               QStringLiteral("The data file to write (replaced when it exists)."),
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
                .arg(parser.value(m_width));
        width = n;
    }
    callsign = parser.value(m_callsign);
    // What the window's callsign box holds, counted as the box counts.
    const std::size_t length = Document::boxLength(callsign.toStdString());
    if (length > Document::kCallsignMaxLength)
        return QStringLiteral("--callsign takes at most %1 characters, \"%2\" has %3.")
            .arg(Document::kCallsignMaxLength)
            .arg(callsign)
            .arg(length);
    // A line break would make the callsign two lines of the file.
    if (callsign.contains(u'\r') || callsign.contains(u'\n'))
        return QStringLiteral("--callsign cannot hold a line break.");
    return std::nullopt;
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
    if (const auto error = DataFile::save(options.path, dataText(picture, width, options.callsign)))
        return inputError(command, error->description);
    return kDone;
}

} // namespace qie::CommandSupport
