// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include "files/DataFile.h"
#include "serial/SerialPortControl.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QTimer>
#include <cmath>
#include <cstdio>

#if defined(Q_OS_WIN)
#include <fcntl.h>
#include <io.h>
#endif

namespace qie::SendCommand {
namespace {

constexpr double kLongestWaitSeconds = 24 * 60 * 60;
const char kUsage[] = "Usage: quernel-image-editor send FILE [--port N] [--wait SECONDS]\n";

void writeText(QIODevice &device, const QString &text)
{
    device.write(text.toLocal8Bit());
}

// As the error box shows it, a line for the number and one for the description.
void writeError(QIODevice &err, int number, const QString &description)
{
    writeText(err, QStringLiteral("Number : %1\nDescription : %2\n").arg(number).arg(description));
}

int usageError(QIODevice &err, const QString &problem)
{
    writeText(err, QStringLiteral("quernel-image-editor send: %1\n").arg(problem));
    err.write(kUsage);
    return UsageFailed;
}

// The fault messages of the editor's fault boxes, for the faults seen while sending.
QString faultText(LineFault fault)
{
    switch (fault) {
    case LineFault::Break:
        return QStringLiteral("中断信号が受信されました。");
    case LineFault::Frame:
        return QStringLiteral("フレーム エラーです。");
    case LineFault::Overrun:
        return QStringLiteral("データが失われました。");
    case LineFault::RxOver:
        return QStringLiteral("受信バッファがオーバーフローしました。");
    case LineFault::RxParity:
        return QStringLiteral("中パリティ エラーです。");
    case LineFault::TxFull:
        return QStringLiteral("送信バッファがいっぱいです。");
    case LineFault::DeviceControlBlock:
        return QStringLiteral(
            "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
    }
    return QStringLiteral("未定義のエラーが発生しました。");
}

} // namespace

int run(const QStringList &arguments)
{
#if defined(Q_OS_WIN)
    // The answer goes out byte for byte: no CR added before each LF.
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return PortFailed;
    return run(arguments, out, err);
}

int run(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends a data file to the device on a serial port, as Load file, Open "
                       "and Send do in the editor, and copies the device's answer to standard "
                       "output.\nExit status: 0 sent, 1 file error, 2 usage error, 3 port "
                       "error (bytes that never left included)."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file to send."));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("The port number, as typed in the editor "
                                                       "(default 1)."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("How long to keep copying the device's answer after the send "
                       "(default 0)."),
        QStringLiteral("SECONDS"), QStringLiteral("0"));
    parser.addOption(portOption);
    parser.addOption(waitOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(arguments))
        return usageError(err, parser.errorText());
    if (parser.isSet(helpOption)) {
        // The usage line as this program is called, not as the executable's path.
        QString help = parser.helpText();
        help.replace(0, help.indexOf(u'\n') + 1, QLatin1String(kUsage));
        writeText(out, help);
        return Sent;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(err,
                          files.isEmpty() ? QStringLiteral("no FILE given.")
                                          : QStringLiteral("only one FILE can be sent."));
    bool ok = false;
    const int portNumber = parser.value(portOption).toInt(&ok);
    if (!ok)
        return usageError(err,
                          QStringLiteral("--port takes a whole number, not \"%1\".")
                              .arg(parser.value(portOption)));
    const double waitSeconds = parser.value(waitOption).toDouble(&ok);
    if (!ok || !std::isfinite(waitSeconds) || waitSeconds < 0 || waitSeconds > kLongestWaitSeconds)
        return usageError(err,
                          QStringLiteral("--wait takes seconds from 0 to %1, not \"%2\".")
                              .arg(kLongestWaitSeconds)
                              .arg(parser.value(waitOption)));

    const auto loaded = DataFile::load(files.front());
    if (const auto *fileError = std::get_if<Error>(&loaded)) {
        writeError(err, fileError->number, fileError->description);
        return FileFailed;
    }
    // The editor sends the loaded file's bytes as they are: the same here.
    const QByteArray bytes = std::get<LoadedFile>(loaded).sendBytes;

    SerialPortControl port;
    std::optional<Error> lost;
    QSet<LineFault> faultsShown;
    QEventLoop waiting;
    QObject::connect(&port, &CommControl::dataReceived, &port,
                     [&] { out.write(port.inputBytes()); });
    QObject::connect(&port, &CommControl::lineFaultDetected, &port, [&](LineFault fault) {
        if (!faultsShown.contains(fault)) {
            faultsShown.insert(fault);
            writeText(err, QStringLiteral("通信エラー: %1\n").arg(faultText(fault)));
        }
    });
    QObject::connect(&port, &CommControl::portLost, &port, [&](const Error &error) {
        lost = error;
        waiting.quit();
    });
    // The editor's Open, step for step.
    std::optional<Error> error;
    const auto failed = [&error](auto step) { return (error = std::move(step)).has_value(); };
    if (failed(port.setCommPort(portNumber))
        || failed(port.setSettings(
            { 9600, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop }))
        || failed(port.setHandshaking(QSerialPort::NoFlowControl)) || failed(port.setSThreshold(1))
        || failed(port.setRThreshold(1)) || failed(port.setPortOpen(true))) {
        writeError(err, error->number, error->description);
        return PortFailed;
    }
    if (failed(port.setOutput(bytes))) {
        writeError(err, error->number, error->description);
        return PortFailed;
    }
    if (const qint64 unsent = port.drain(); unsent > 0) {
        const Error unsentError = port.unsentError(unsent);
        port.discardQueued();
        port.setPortOpen(false);
        writeError(err, unsentError.number, unsentError.description);
        return PortFailed;
    }
    QCoreApplication::processEvents(); // a loss seen by the drain is reported now
    if (!lost && waitSeconds > 0) {
        QTimer::singleShot(std::chrono::milliseconds(qint64(std::ceil(waitSeconds * 1000))),
                           &waiting, &QEventLoop::quit);
        waiting.exec();
    }
    if (lost) {
        // Everything had left the port: the data reached the line before the device went.
        writeError(err, lost->number, lost->description);
        return Sent;
    }
    out.write(port.inputBytes());
    if (failed(port.setPortOpen(false))) {
        writeError(err, error->number, error->description);
        return PortFailed;
    }
    return Sent;
}

} // namespace qie::SendCommand
