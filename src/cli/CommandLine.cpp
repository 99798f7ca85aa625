// SPDX-License-Identifier: MIT
#include "cli/CommandLine.h"

#include "cli/CommandSupport.h"
#include "cli/ConvertCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SendCommand.h"
#include "cli/TextCommand.h"
#include "common/Quoted.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
// shellapi.h needs the declarations of windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif

namespace qie::CommandLine {
namespace {

struct Command
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &arguments);
};

// Every command, in the order --help lists them. A command of another area joins with one
// row here and its own src/cli/XCommand.{h,cpp}.
constexpr Command kCommands[] = {
    { "convert", "Convert an image into a data file", ConvertCommand::run },
    { "text", "Write a text in a pixel font into a data file", TextCommand::run },
    { "send", "Send a data file to the device on a serial port", SendCommand::run },
    { "ports", "List the port numbers and what each one opens", PortsCommand::run },
};

const Command *find(const char *word)
{
    for (const Command &command : kCommands) {
        if (std::strcmp(command.name, word) == 0)
            return &command;
    }
    return nullptr;
}

void print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

QString overview()
{
    const QString program = CommandSupport::programName();
    QString text
        = QStringLiteral("Usage: %1 [COMMAND [ARGUMENTS]]\n"
                         "       %1 [--] FILE\n\n"
                         "Without a command the editor window opens. With FILE, a word that names "
                         "an existing file\nor holds a \"/\", it opens and loads FILE as Load "
                         "file does; \"--\" makes any word FILE.\nCommands:\n")
              .arg(program);
    for (const Command &command : kCommands)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(10),
                         QString::fromLatin1(command.summary));
    text += QStringLiteral(
                "\n  -h, --help   Show this help\n"
                "  --version    Show the program's version\n\n"
                "Run '%1 COMMAND --help' for the options of a command.\n"
                "Exit status: 0 done, 1 input or output error, 2 usage error, 3 port error "
                "(send), 4 the device's answer could not be written (send).\n")
                .arg(program);
    return text;
}

// Qt hides warnings of its own (the offscreen platform's notes on a missing runtime folder,
// decoders' remarks on damaged files) from a command's output; its errors still show.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

#ifdef Q_OS_WIN
// The program is a GUI executable on Windows, started without a console of its own: the
// console it was started from is attached, and the standard streams that are not redirected
// elsewhere are opened on it.
void attachConsole()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    const auto unset = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    if (unset(STD_OUTPUT_HANDLE))
        std::freopen("CONOUT$", "w", stdout);
    if (unset(STD_ERROR_HANDLE))
        std::freopen("CONOUT$", "w", stderr);
}

// The arguments as typed, in full Unicode, whatever the code page.
QStringList nativeArguments(int, char **)
{
    QStringList arguments;
    int count = 0;
    if (LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.append(QString::fromWCharArray(words[i]));
        LocalFree(words);
    }
    return arguments;
}
#else
void attachConsole()
{ }

// UTF-8, as Qt takes file names here; a byte of broken UTF-8 is kept recognisable
// (Quoted::decodeArgument), so that --callsign can refuse it and a message show it.
QStringList nativeArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(Quoted::decodeArgument(argv[i]));
    return arguments;
}
#endif

} // namespace

namespace {

// A word the window takes as its file: one that names something that exists, or a path.
bool namesFile(const QString &word)
{
    return word.contains(u'/') || QFileInfo::exists(word);
}

} // namespace

bool isCommand(int argc, char **argv)
{
    if (argc < 2)
        return false;
    // A first word that is no option and no file is meant as a command: a mistyped one is a
    // usage error rather than a window opened without a word. Options (Qt's -style,
    // -platform, "--") start the editor.
    const char *word = argv[1];
    if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0
        || std::strcmp(word, "--version") == 0 || find(word) != nullptr)
        return true;
    return word[0] != '-' && word[0] != '\0' && !namesFile(nativeArguments(argc, argv).value(1));
}

EditorStart editorStart(const QStringList &words)
{
    const QString program = CommandSupport::programName();
    qsizetype next = 0;
    const bool forced = !words.isEmpty() && words.constFirst() == QLatin1String("--");
    if (forced)
        ++next;
    if (next == words.size())
        return { QString(),
                 forced ? QStringLiteral("%1: \"--\" needs a FILE after it.").arg(program)
                        : QString() };
    const QString &file = words.at(next);
    if (!forced && file.startsWith(u'-'))
        return {
            QString(),
            QStringLiteral("%1: there is no option \"%2\".").arg(program, Quoted::text(file))
        };
    if (!forced && !namesFile(file))
        return { QString(),
                 QStringLiteral("%1: there is no command or file \"%2\".")
                     .arg(program, Quoted::text(file)) };
    if (next + 1 < words.size())
        return { QString(),
                 QStringLiteral("%1: the window opens one FILE; \"%2\" is one word too many.")
                     .arg(program, Quoted::text(words.at(next + 1))) };
    return { file, QString() };
}

int run(int argc, char **argv)
{
    attachConsole();
    const QStringList arguments = nativeArguments(argc, argv);
#ifndef Q_OS_WIN
    // Fonts and image rendering need a GUI application but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    qInstallMessageHandler(quietMessages);
#ifdef SIGPIPE
    // An output whose reader has gone is a failed write, which the commands report with a
    // status of their own, not a silent death by signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // The application object sees only the program name, so that Qt takes none of its own
    // options (-reverse, -platform, ...) away from a command's text.
    int appArgc = 1;
    char *appArgv[] = { argv[0], nullptr };
    const QGuiApplication app(appArgc, appArgv);
    QCoreApplication::setApplicationName(CommandSupport::programName());
    QCoreApplication::setApplicationVersion(QStringLiteral(QIE_VERSION));

    const char *word = argv[1];
    if (std::strcmp(word, "--version") == 0) {
        print(QStringLiteral("%1 %2\n").arg(CommandSupport::programName(),
                                            QCoreApplication::applicationVersion()));
        return CommandSupport::kDone;
    }
    if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0) {
        print(overview());
        return CommandSupport::kDone;
    }
    const Command *command = find(word);
    if (command == nullptr) {
        std::fputs(
            qPrintable(QStringLiteral("%1: there is no command \"%2\".\n")
                           .arg(CommandSupport::programName(), Quoted::text(arguments.value(1)))),
            stderr);
        std::fputs(qPrintable(overview()), stderr);
        return CommandSupport::kUsageError;
    }
    QStringList commandArguments = arguments;
    commandArguments.removeAt(1);
    return command->run(commandArguments);
}

} // namespace qie::CommandLine
