// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"
#include "model/Picture.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <variant>

namespace qie::CommandSupport {

// The documented exit statuses of every command.
constexpr int kDone = 0;
// Unreadable input, text too wide, an output that cannot be written.
constexpr int kInputError = 1;
constexpr int kUsageError = 2; // bad options or arguments
constexpr int kPortError = 3; // send: the port failed, or bytes never left it
constexpr int kOutputError = 4; // send: the device's answer could not be written

QString programName();

// "quernel-image-editor COMMAND: message" on standard error, and the status to return. What
// the operator typed goes into `message` through Quoted::text() or FileErrors::shown().
int usageError(const QString &command, const QString &message);
int inputError(const QString &command, const QString &message);
// A remark that does not stop the command, such as columns cut from an image.
void note(const QString &command, const QString &message);
// An error of the file or port layer, worded as the editor's error box words it ("Number :"
// and "Description :" on lines of their own), and `status`.
int failed(int status, const Error &error);

// Parses `arguments` (arguments[0] the program) with -h/--help added, and no other help
// option. A help option wherever it stands prints the help under `usage` and gives kDone, so
// the command does nothing else; an error gives kUsageError; nullopt to go on.
std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments,
                         const QString &command, const QString &usage);

// The name by which an input or output is standard input or output.
inline bool isStandardStream(const QString &name)
{
    return name == u"-";
}

// Standard input, up to `limit` bytes and one more, which tells that there was more; or why it
// could not be read.
std::variant<QByteArray, Error> readStandardInput(qint64 limit);

// The options the data-file-writing commands share: -o/--output FILE, --width N (1..16) and
// --callsign TEXT (what the window's callsign box can hold: 12 characters, and none that
// would act on the device rather than show: no control or format character, no line or
// paragraph separator, nothing but valid UTF-8). A FILE of "-" is standard output, and so are
// the names of descriptor 1 (OutputFile::Accepts::AnyOutput).
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

// Writes dataText() exactly as the window's Save does, atomically, or to the stream or device
// -o names; kDone or kInputError.
int writeDataFile(const QString &command, const Picture &picture, int widthBytes,
                  const OutputOptions &options);

} // namespace qie::CommandSupport
