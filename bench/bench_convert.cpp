// SPDX-License-Identifier: MIT
#include "images/ImageImport.h"
#include "images/TextRenderer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

using namespace qie;

namespace {

const QString kText = QStringLiteral("CQ de JA1ZZZ 73");

void BM_TextBuiltInFont(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRenderer::render(kText, TextRenderer::builtInFontName()));
}
BENCHMARK(BM_TextBuiltInFont)->Unit(benchmark::kMicrosecond);

// An installed font once its size for the 10 rows is known (the dialog's case while typing).
void BM_TextInstalledFont(benchmark::State &state)
{
    const QStringList names = TextRenderer::fontNames();
    if (names.size() < 2) {
        state.SkipWithError("no installed font");
        return;
    }
    TextRenderer::render(kText, names[1]);
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRenderer::render(kText, names[1]));
    state.SetLabel(names[1].toStdString());
}
BENCHMARK(BM_TextInstalledFont)->Unit(benchmark::kMicrosecond);

// The first text in a font, or one with a character beyond ASCII not seen before: the size for
// the 10 rows is searched for anew (a new character each round defeats the cache).
void BM_TextInstalledFontNewSize(benchmark::State &state)
{
    const QStringList names = TextRenderer::fontNames();
    if (names.size() < 2) {
        state.SkipWithError("no installed font");
        return;
    }
    char16_t next = u'\u4E00';
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRenderer::render(kText + QChar(next++), names[1]));
    state.SetLabel(names[1].toStdString());
}
BENCHMARK(BM_TextInstalledFontNewSize)->Unit(benchmark::kMicrosecond);

QImage noise(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(1);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.generate() | 0xFF000000U;
    }
    return image;
}

void BM_Convert128x10(benchmark::State &state)
{
    const QImage image = noise(128, 10);
    const ImportOptions options { 128, false, state.range(0) != 0 };
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageImport::fromImage(image, options));
}
BENCHMARK(BM_Convert128x10)->Arg(0)->Arg(1)->ArgName("dither")->Unit(benchmark::kMicrosecond);

// A photograph-like 4000 x 3000 JPEG: smooth shading with a little noise, as a camera makes.
QByteArray jpeg4000x3000()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 4000, 3000);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(0.5, Qt::yellow);
    gradient.setColorAt(1, Qt::darkRed);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(Qt::white);
    for (int i = 0; i < 40; ++i)
        painter.drawEllipse(QPoint(100 * i, 1500), 80, 600);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}

void BM_ImportJpeg4000x3000(benchmark::State &state)
{
    const QByteArray bytes = jpeg4000x3000();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageImport::fromData(bytes));
    state.SetLabel(std::to_string(bytes.size() / 1024) + " KiB");
}
BENCHMARK(BM_ImportJpeg4000x3000)->Unit(benchmark::kMillisecond);

// The decoding alone, to tell how much of the import is the decoder's.
void BM_DecodeJpeg4000x3000(benchmark::State &state)
{
    const QByteArray bytes = jpeg4000x3000();
    for (auto _ : state)
        benchmark::DoNotOptimize(QImage::fromData(bytes, "jpeg"));
}
BENCHMARK(BM_DecodeJpeg4000x3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application; no screen is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
