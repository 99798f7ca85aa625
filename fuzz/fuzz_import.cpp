// SPDX-License-Identifier: MIT
#include "images/ImageImport.h"
#include "images/SvgGuard.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace qie;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Decoders report damaged files as warnings; thousands of them would drown the fuzzer's own
// output.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// What every result must satisfy, whatever the bytes were.
void checkResult(const ImportResult &result)
{
    if (!result.error.isEmpty()) {
        check(result.picture == Picture());
        return;
    }
    const int kept = std::min(result.columns, Picture::kWidth);
    check(result.columns >= 1);
    check(result.cut == (result.columns > Picture::kWidth));
    check(result.widthBytes == Picture::bytesFor(kept));
    check(result.picture.usedColumns() <= kept);
}

// The guard's copy of any bytes it accepts refers to nothing outside itself and is nested no
// deeper than allowed: read again, it holds no processing instruction, and every href, of
// any prefix, is a fragment or a data: URL.
void checkGuarded(const QByteArray &bytes)
{
    const SvgGuard::Result guarded = SvgGuard::clean(bytes, ImageImport::kMaxDecodedBytes);
    if (!guarded.error.isEmpty()) {
        check(guarded.svg.isEmpty());
        return;
    }
    QXmlStreamReader reader(guarded.svg);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        check(!reader.isProcessingInstruction());
        check(reader.tokenType() != QXmlStreamReader::DTD);
        if (reader.isEndElement())
            --depth;
        if (!reader.isStartElement())
            continue;
        check(++depth <= SvgGuard::kMaxDepth);
        for (const QXmlStreamAttribute &attribute : reader.attributes()) {
            const QStringView name = attribute.qualifiedName();
            if (name == QLatin1String("href") || name.endsWith(QLatin1String(":href")))
                check(attribute.value().startsWith(u'#')
                      || attribute.value().startsWith(QLatin1String("data:")));
        }
    }
    check(!reader.hasError());
}

} // namespace

// SVG text needs fonts, and fonts a GUI application; no screen is used.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static int appArgc = 1;
    static char *appArgv[] = { (*argv)[0], nullptr };
    static QGuiApplication app(appArgc, appArgv);
    Q_UNUSED(argc);
    return 0;
}

// Input: the bytes of an image file, in any format the import tells by its first bytes. They
// also go through the SVG guard as a drawing would. The image is read once and decided under
// opposite options: invert must complement exactly the image's columns, and nothing may set a
// pixel beyond them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkGuarded(bytes);
    const ImageImport::Scaled scaled = ImageImport::scaleData(bytes);
    const ImportResult plain = ImageImport::decide(scaled, {});
    const ImportResult inverted = ImageImport::decide(scaled, { 128, true, false });
    const ImportResult dithered = ImageImport::decide(scaled, { 77, true, true });
    checkResult(plain);
    checkResult(inverted);
    checkResult(dithered);
    if (!plain.error.isEmpty())
        return 0;
    const int kept = std::min(plain.columns, Picture::kWidth);
    for (int y = 0; y < Picture::kHeight; ++y) {
        for (int x = 0; x < Picture::kWidth; ++x)
            check(inverted.picture.pixel(x, y) == (x < kept && !plain.picture.pixel(x, y)));
    }
    return 0;
}
