// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include "cli/CommandSupport.h"
#include "common/Quoted.h"
#include "files/DataFile.h"
#include "files/OutputFile.h"
#include "serial/NetworkAddress.h"
#include "serial/PortControl.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#if defined(Q_OS_WIN)
#include <fcntl.h>
#include <io.h>
#endif

namespace qie::SendCommand {
namespace {

using namespace CommandSupport;

constexpr double kLongestWaitSeconds = 24 * 60 * 60;

// The data file, from a file or standard input, with the loader's bound and line rules.
std::variant<LoadedFile, Error> load(const QString &name)
{
    if (!isStandardStream(name))
        return DataFile::load(name);
    auto input = readStandardInput(DataFile::kMaxLoadBytes);
    if (auto *error = std::get_if<Error>(&input))
        return *error;
    const QByteArray &bytes = std::get<QByteArray>(input);
    return DataFile::parse(
        QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), DataFile::kMaxLoadBytes)),
        bytes.size() <= DataFile::kMaxLoadBytes, name);
}

// Standard output for the device's answer. Once a write fails, nothing more is tried: the
// answer has lost its reader, and the command ends with kOutputError.
class Answer
{
public:
    Answer()
    {
#if defined(Q_OS_WIN)
        // The answer goes out byte for byte: no CR added before each LF.
        ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
        std::fflush(stdout);
        if (!m_out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered,
                        QFileDevice::DontCloseHandle))
            m_failure = m_out.errorString();
    }

    // False once the answer could not be written.
    bool write(const QByteArray &bytes)
    {
        for (qsizetype done = 0; !m_failure && done < bytes.size();) {
            const qint64 count = m_out.write(bytes.data() + done, bytes.size() - done);
            if (count <= 0) {
                m_failure = m_out.errorString();
                failed(kOutputError,
                       { kErrDeviceIo,
                         QStringLiteral("The device's answer could not be written to %1: %2.")
                             .arg(OutputFile::standardOutputName(), *m_failure) });
                break;
            }
            done += count;
        }
        return !m_failure;
    }

    bool hasFailed() const
    {
        return m_failure.has_value();
    }

private:
    QFile m_out;
    std::optional<QString> m_failure;
};

} // namespace

int run(const QStringList &arguments)
{
    const QString command = QStringLiteral("send");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends a data file to the device on a serial port, as Load file, Open "
                       "and Send do in the editor, and copies the device's answer to standard "
                       "output.\nExit status: 0 sent, 1 file error, 2 usage error, 3 port "
                       "error (bytes that never left included), 4 the answer could not be "
                       "written to standard output (a port error comes first)."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The data file to send, or - for standard input."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Required. The port: a number as typed in the editor (pins and "
                       "QIE_COM<n> apply), a device path, or a network serial port "
                       "rfc2217://HOST:PORT or tcp://HOST:PORT."),
        QStringLiteral("N|PATH|URL"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("How long to keep copying the device's answer after the send "
                       "(default 0)."),
        QStringLiteral("SECONDS"), QStringLiteral("0"));
    parser.addOption(portOption);
    parser.addOption(waitOption);
    if (const auto status
        = parse(parser, arguments, command,
                programName() + QStringLiteral(" send FILE --port N|PATH|URL [--wait SECONDS]")))
        return *status;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(command,
                          files.isEmpty() ? QStringLiteral("no FILE given.")
                                          : QStringLiteral("only one FILE can be sent."));
    // No port is assumed: a script that lost its port must not write to whatever is attached
    // to the first one.
    if (!parser.isSet(portOption))
        return usageError(command,
                          QStringLiteral("--port is required: a port number, a device path or "
                                         "rfc2217://HOST:PORT or tcp://HOST:PORT."));
    const QString portText = parser.value(portOption);
    if (portText.isEmpty())
        return usageError(command, QStringLiteral("--port names no port."));
    const bool isNumber = std::all_of(portText.begin(), portText.end(),
                                      [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool ok = false;
    const int portNumber = isNumber ? portText.toInt(&ok) : 0;
    if (isNumber && !ok)
        return usageError(command,
                          QStringLiteral("--port %1 is not a port number from %2 to %3.")
                              .arg(Quoted::text(portText))
                              .arg(PortLocator::kFirstPortNumber)
                              .arg(PortLocator::kLastPortNumber));
    if (NetworkAddress::isNetworkText(portText)
        && std::holds_alternative<QString>(NetworkAddress::parse(portText))) {
        // The reason is told of the text as it is quoted back, which is no address either: a
        // character shown escaped is none that an address may hold.
        const auto refusal = NetworkAddress::parse(Quoted::text(portText));
        const auto *why = std::get_if<QString>(&refusal);
        return usageError(command, why ? *why : QStringLiteral("--port names no network port."));
    }
    const double waitSeconds = parser.value(waitOption).toDouble(&ok);
    if (!ok || !std::isfinite(waitSeconds) || waitSeconds < 0 || waitSeconds > kLongestWaitSeconds)
        return usageError(command,
                          QStringLiteral("--wait takes seconds from 0 to %1, not \"%2\".")
                              .arg(kLongestWaitSeconds)
                              .arg(Quoted::text(parser.value(waitOption))));

    const auto loaded = load(files.front());
    if (const auto *fileError = std::get_if<Error>(&loaded))
        return failed(kInputError, *fileError);
    // The editor sends the loaded file's bytes as they are: the same here.
    const QByteArray bytes = std::get<LoadedFile>(loaded).sendBytes;

    Answer answer;
    PortControl port;
    std::optional<Error> lost;
    QSet<LineFault> faultsShown;
    QEventLoop waiting;
    QObject::connect(&port, &CommControl::dataReceived, &port, [&] {
        // An answer nobody can read is no reason to wait for more of it.
        if (!answer.write(port.inputBytes()))
            waiting.quit();
    });
    QObject::connect(&port, &CommControl::lineFaultDetected, &port, [&](LineFault fault) {
        if (!faultsShown.contains(fault)) {
            faultsShown.insert(fault);
            // Worded as the editor's fault box words it, title first.
            const QString line
                = QStringLiteral("%1: %2\n").arg(lineFaultTitle(), lineFaultText(fault));
            std::fputs(line.toLocal8Bit().constData(), stderr);
        }
    });
    QObject::connect(&port, &CommControl::portLost, &port, [&](const Error &error) {
        lost = error;
        waiting.quit();
    });
    // The editor's Open, step for step.
    if (auto error = isNumber ? port.setCommPort(portNumber) : port.setDevice(portText))
        return failed(kPortError, *error);
    if (auto error = port.openDeviceLine())
        return failed(kPortError, *error);
    if (auto error = port.setOutput(bytes))
        return failed(kPortError, *error);
    if (const qint64 unsent = port.drain(); unsent > 0) {
        const Error unsentError = port.unsentError(unsent);
        port.discardQueued();
        port.setPortOpen(false);
        return failed(kPortError, unsentError);
    }
    QCoreApplication::processEvents(); // a loss seen by the drain is reported now
    if (!lost && !answer.hasFailed() && waitSeconds > 0) {
        QTimer::singleShot(std::chrono::milliseconds(qint64(std::ceil(waitSeconds * 1000))),
                           &waiting, &QEventLoop::quit);
        waiting.exec();
    }
    // Sent; whether the answer could be written is all that is left to tell.
    const auto sent = [&answer] { return answer.hasFailed() ? kOutputError : kDone; };
    if (lost) {
        // Everything had left the port: the data reached the line before the device went.
        failed(kDone, *lost);
        return sent();
    }
    answer.write(port.inputBytes());
    if (auto error = port.setPortOpen(false))
        return failed(kPortError, *error);
    return sent();
}

} // namespace qie::SendCommand
