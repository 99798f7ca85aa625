// SPDX-License-Identifier: MIT
#include "images/TextRenderer.h"

#include "model/PixelFont.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <optional>

namespace qie::TextRenderer {
namespace {

constexpr int kRows = Picture::kHeight;
constexpr int kLargestPixelSize = 48;
// Drawing stops here; wider texts are measured, not drawn, since only 128 columns show.
constexpr int kMaxDrawnColumns = 4096;
constexpr qsizetype kMaxCachedFits = 256;

QString printableAscii()
{
    QString text;
    for (char16_t c = u'!'; c <= u'~'; ++c)
        text += QChar(c);
    return text;
}

QFont fontFor(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(pixelSize);
    return font;
}

// The bounds of the ink in an image, inclusive.
struct Ink
{
    int left, right, top, bottom;
};

std::optional<Ink> inkOf(const QImage &image)
{
    std::optional<Ink> ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128)
                continue;
            if (!ink)
                ink = Ink { x, x, y, y };
            ink->left = std::min(ink->left, x);
            ink->right = std::max(ink->right, x);
            ink->bottom = y;
        }
    }
    return ink;
}

QImage draw(const QFont &font, const QString &text, int width, int height, QPoint pen)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pen, text);
    return image;
}

// How big and where: the largest pixel size at which `reference` drawn fits 10 rows, and the
// ink's top relative to the baseline at that size.
struct Fit
{
    int pixelSize = 1;
    int inkTop = -kRows; // baseline-relative
};

// The ink of `reference` at that size, its rows relative to the baseline.
std::optional<Ink> inkAt(const QString &family, int pixelSize, const QString &reference)
{
    const QFont font = fontFor(family, pixelSize);
    const QFontMetrics metrics(font);
    const int margin = 2 * pixelSize + 4;
    const int baseline = margin + metrics.ascent();
    const QImage image = draw(font, reference, metrics.horizontalAdvance(reference) + 2 * margin,
                              metrics.height() + 2 * margin, QPoint(margin, baseline));
    std::optional<Ink> ink = inkOf(image);
    if (ink) {
        ink->top -= baseline;
        ink->bottom -= baseline;
    }
    return ink;
}

std::optional<Ink> unite(std::optional<Ink> a, const std::optional<Ink> &b)
{
    if (!a || !b)
        return a ? a : b;
    a->top = std::min(a->top, b->top);
    a->bottom = std::max(a->bottom, b->bottom);
    return a;
}

// The ink of printable ASCII, the same for every text in a font, drawn once per size.
std::optional<Ink> asciiInkAt(const QString &family, int pixelSize)
{
    static QHash<QString, std::optional<Ink>> cache;
    const QString key = family + QChar(0) + QString::number(pixelSize);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    const std::optional<Ink> ink = inkAt(family, pixelSize, printableAscii());
    if (cache.size() >= kMaxCachedFits)
        cache.clear();
    cache.insert(key, ink);
    return ink;
}

// `extras`: the text's characters beyond printable ASCII, blanks left out.
Fit fitOf(const QString &family, const QString &extras)
{
    static QHash<QString, Fit> cache;
    const QString key = family + QChar(0) + extras;
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    // Ink height grows with the size, so the largest size that fits is found by halving.
    Fit fit;
    int low = 1;
    int high = kLargestPixelSize;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const std::optional<Ink> ink
            = unite(asciiInkAt(family, middle),
                    extras.isEmpty() ? std::nullopt : inkAt(family, middle, extras));
        if (!ink || ink->bottom - ink->top + 1 <= kRows) {
            fit.pixelSize = middle;
            fit.inkTop = ink ? ink->top : -kRows;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    // Each new set of characters beyond ASCII adds an entry; typing never makes many.
    if (cache.size() >= kMaxCachedFits)
        cache.clear();
    cache.insert(key, fit);
    return fit;
}

Rendered renderInstalled(const QString &text, const QString &family)
{
    QString extras;
    for (const QChar c : text) {
        if ((c < u'!' || c > u'~') && !c.isSpace() && !extras.contains(c))
            extras += c;
    }
    const Fit fit = fitOf(family, extras);
    const QFont font = fontFor(family, fit.pixelSize);
    const QFontMetrics metrics(font);
    const int pad = 2 * fit.pixelSize + 4;
    const int advance = metrics.horizontalAdvance(text);
    const int width = std::min(pad + advance + pad, kMaxDrawnColumns);
    const QImage image = draw(font, text, width, kRows, QPoint(pad, -fit.inkTop));

    Rendered result;
    const std::optional<Ink> ink = inkOf(image);
    // The ink decides the edges; blanks typed before or after the text add their advance.
    int left = ink ? ink->left : pad;
    if (!text.isEmpty() && text.front().isSpace())
        left = std::min(left, pad);
    int right = ink ? ink->right + 1 : pad;
    if (!text.isEmpty() && (text.back().isSpace() || pad + advance > width))
        right = std::max(right, pad + advance);
    result.columns = text.isEmpty() ? 0 : right - left;
    for (int y = 0; y < kRows; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < Picture::kWidth && left + x < image.width(); ++x)
            result.picture.setPixel(x, y, qGray(line[left + x]) >= 128);
    }
    return result;
}

} // namespace

QString builtInFontName()
{
    return QStringLiteral("Pixel 10 (built-in)");
}

QStringList fontNames()
{
    QStringList names { builtInFontName() };
    for (const QString &family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family) && family != builtInFontName())
            names.append(family);
    }
    return names;
}

QString findFont(const QString &name)
{
    if (name.compare(builtInFontName(), Qt::CaseInsensitive) == 0)
        return builtInFontName();
    for (const QString &family : fontNames()) {
        if (family.compare(name, Qt::CaseInsensitive) == 0)
            return family;
    }
    return {};
}

Rendered render(const QString &text, const QString &fontName)
{
    Rendered result;
    if (fontName == builtInFontName()) {
        result.columns = PixelFont::render(text.toStdU32String(), result.picture);
    } else {
        result = renderInstalled(text, fontName);
    }
    result.widthBytes = Picture::bytesFor(std::min(result.columns, Picture::kWidth));
    return result;
}

} // namespace qie::TextRenderer
