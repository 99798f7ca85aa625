// SPDX-License-Identifier: MIT
#include "cli/ConvertCommand.h"

#include "cli/CommandSupport.h"
#include "common/Quoted.h"
#include "images/ImageImport.h"

namespace qie::ConvertCommand {

int run(const QStringList &arguments)
{
    using namespace CommandSupport;
    const QString command = QStringLiteral("convert");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts an image (PNG, JPEG, BMP, GIF, SVG and the other formats "
                       "the editor imports) into a data file, with the rules of the "
                       "editor's Import image.\nExit status: 0 written, 1 input or output "
                       "error, 2 usage error."));
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("The image to convert, or - for standard input."));
    OutputOptions output(parser);
    const QCommandLineOption threshold(
        QStringLiteral("threshold"),
        QStringLiteral("Pixels at or above this luminance, 0 to 255, are on (default 128)."),
        QStringLiteral("T"), QStringLiteral("128"));
    const QCommandLineOption invert(QStringLiteral("invert"), QStringLiteral("Swap on and off."));
    const QCommandLineOption dither(QStringLiteral("dither"),
                                    QStringLiteral("Diffuse the error (Floyd-Steinberg)."));
    parser.addOptions({ threshold, invert, dither });

    if (const auto status
        = parse(parser, arguments, command,
                programName() + QStringLiteral(" convert IMAGE -o FILE [options]")))
        return *status;
    if (parser.positionalArguments().size() != 1)
        return usageError(command, QStringLiteral("give exactly one IMAGE."));
    if (const auto error = output.check(parser))
        return usageError(command, *error);
    ImportOptions options;
    bool ok = false;
    options.threshold = parser.value(threshold).toInt(&ok);
    if (!ok || options.threshold < 0 || options.threshold > 255)
        return usageError(command,
                          QStringLiteral("--threshold takes a whole number from 0 to 255, not "
                                         "\"%1\".")
                              .arg(Quoted::text(parser.value(threshold))));
    options.invert = parser.isSet(invert);
    options.dither = parser.isSet(dither);

    const QString image = parser.positionalArguments().constFirst();
    ImportResult result;
    if (isStandardStream(image)) {
        const auto input = readStandardInput(ImageImport::kMaxDecodedBytes);
        if (const auto *error = std::get_if<Error>(&input))
            return inputError(command, error->description);
        const QByteArray &bytes = std::get<QByteArray>(input);
        // An image file is never larger than what it decodes to by much; more than the
        // decoding budget is refused before any of it is decoded.
        if (bytes.size() > ImageImport::kMaxDecodedBytes)
            return inputError(command,
                              QStringLiteral("standard input holds more than %1 MiB, more than "
                                             "an image may take.")
                                  .arg(ImageImport::kMaxDecodedBytes / (qint64(1024) * 1024)));
        result = ImageImport::fromData(bytes, options);
    } else {
        result = ImageImport::fromFile(image, options);
    }
    if (!result.error.isEmpty())
        return inputError(command, result.error);
    for (const QString &left : result.notes)
        note(command, left);
    if (result.cut)
        note(command,
             QStringLiteral("the image is %1 columns wide at 10 rows; the columns beyond 128 "
                            "were cut.")
                 .arg(result.columns));
    return writeDataFile(command, result.picture, result.widthBytes, output);
}

} // namespace qie::ConvertCommand
