// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace qie::CommandSupport {

// The documented exit statuses of every command.
constexpr int kDone = 0;
constexpr int kInputError = 1; // unreadable input, text too wide, a file that cannot be written
constexpr int kUsageError = 2; // bad options or arguments

QString programName();

// "quernel-image-editor COMMAND: message" on standard error, and the status to return.
int usageError(const QString &command, const QString &message);
int inputError(const QString &command, const QString &message);
// A remark that does not stop the command, such as columns cut from an image.
void note(const QString &command, const QString &message);

// Parses `arguments` (arguments[0] the program) with -h/--help added. On --help prints the
// help under `usage` and gives kDone; on an error gives kUsageError; nullopt to go on.
std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments,
                         const QString &command, const QString &usage);

// The options the data-file-writing commands share: -o/--output FILE, --width N (1..16) and
// --callsign TEXT (what the window's callsign box can hold: 12 characters, no line break).
class OutputOptions
{
public:
    explicit OutputOptions(QCommandLineParser &parser);

    // Checks the values once parsed; a usage error's message, or nullopt.
    std::optional<QString> check(const QCommandLineParser &parser);

    QString path;
    std::optional<int> width;
    QString callsign;

private:
    QCommandLineOption m_output;
    QCommandLineOption m_width;
    QCommandLineOption m_callsign;
};

// The data text the window makes for `picture` set as its cells, the width text `widthBytes`
// after "Done" and the callsign typed: built by the window's own document, in the bytes that
// Save writes (the callsign in the system's code page).
QByteArray dataText(const Picture &picture, int widthBytes, const QString &callsign);

// Writes dataText() exactly as the window's Save does, atomically; kDone or kInputError.
int writeDataFile(const QString &command, const Picture &picture, int widthBytes,
                  const OutputOptions &options);

} // namespace qie::CommandSupport
