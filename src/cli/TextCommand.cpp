// SPDX-License-Identifier: MIT
#include "cli/TextCommand.h"

#include "cli/CommandSupport.h"
#include "common/Quoted.h"
#include "images/TextRenderer.h"

namespace qie::TextCommand {

int run(const QStringList &arguments)
{
    using namespace CommandSupport;
    const QString command = QStringLiteral("text");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a text into a data file, drawn as the editor's Text dialog "
                       "draws it. A TEXT that begins with '-' comes last, after '--'.\nExit "
                       "status: 0 written, 1 input or output error, 2 usage error."));
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("The text to write."));
    OutputOptions output(parser);
    const QCommandLineOption font(
        QStringLiteral("font"),
        QStringLiteral("The font: \"%1\" (the default) or an installed family; letter case "
                       "does not matter.")
            .arg(TextRenderer::builtInFontName()),
        QStringLiteral("NAME"), TextRenderer::builtInFontName());
    parser.addOption(font);

    if (const auto status = parse(parser, arguments, command,
                                  programName() + QStringLiteral(" text TEXT -o FILE [options]")))
        return *status;
    if (parser.positionalArguments().size() != 1)
        return usageError(command,
                          QStringLiteral("give exactly one TEXT (quote a text with blanks)."));
    if (const auto error = output.check(parser))
        return usageError(command, *error);
    const QString family = TextRenderer::findFont(parser.value(font));
    if (family.isEmpty())
        return inputError(command,
                          QStringLiteral("there is no font \"%1\" on this system.")
                              .arg(Quoted::text(parser.value(font))));

    const TextRenderer::Rendered rendered
        = TextRenderer::render(parser.positionalArguments().constFirst(), family);
    if (rendered.columns > Picture::kWidth)
        return inputError(command,
                          QStringLiteral("the text needs %1 columns, and the picture has %2.")
                              .arg(rendered.columns)
                              .arg(Picture::kWidth));
    return writeDataFile(command, rendered.picture, rendered.widthBytes, output);
}

} // namespace qie::TextCommand
