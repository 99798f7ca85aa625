// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace qie {

struct ImportOptions
{
    int threshold = 128; // 0..255: a pixel whose luminance is at or above it is on
    bool invert = false; // swaps on and off within the image's columns
    bool dither = false; // Floyd-Steinberg error diffusion instead of a plain threshold
};

struct ImportResult
{
    Picture picture;
    int columns = 0; // columns after scaling, before the cut at 128
    bool cut = false; // columns beyond 128 were cut
    int widthBytes = 1; // fewest bytes that hold the (cut) image
    QString error; // empty when the import worked
    QStringList notes; // what was left out of the image, one sentence each
};

// Turning any image Qt reads into the 128 x 10 picture:
//
// 1. An image 10 pixels high maps pixel for pixel. Any other is scaled to 10 pixels high
//    keeping its aspect ratio (the column count rounded, at least 1), each new pixel the area
//    average of the pixels it covers, weighted by their opacity: what shows of a partly
//    transparent area is its visible colour, not a colour darkened by the background.
// 2. Luminance is 0.299 R + 0.587 G + 0.114 B. A pixel is on when its luminance is at or
//    above the threshold and it is not fully transparent (its averaged opacity is not 0).
//    With `dither` the same decision diffuses each pixel's error onto its neighbours; fully
//    transparent pixels stay off and take no part in the diffusion.
// 3. `invert` swaps on and off of every pixel of the image, transparent ones included.
// 4. Columns beyond 128 are cut and reported; the width is the fewest bytes that hold the
//    image's columns (not only its on pixels), so that a blank margin the image has is kept.
//
// Hostile files: an image whose declared size would need more than 64 MiB decoded (4 bytes
// a pixel) is refused before decoding, from QImageReader::size(). The same limit is set as
// QImageReader's process-wide allocation limit, which also holds for formats that declare no
// size or lie about it. SVG is rendered straight at 10 pixels high, so its declared size
// costs nothing, and only the columns that can reach the picture are rendered. Whatever the
// reader takes for SVG, by name or by content, is first passed through SvgGuard: the
// renderer never sees a reference outside the document, and compressed SVG is inflated
// within the same 64 MiB.
namespace ImageImport {

constexpr qint64 kMaxDecodedBytes = qint64(64) * 1024 * 1024;

// The image read and brought to 10 rows, before the threshold: what the import dialog keeps,
// so that a change of threshold, Invert or Dither does not read the file again. Holds the
// columns that can reach the picture (and the few that dithering looks at beyond them).
struct Scaled
{
    int columns = 0; // of the whole image at 10 rows
    int worked = 0; // columns held below
    // Row by row, `worked` a row: the sums of luminance (in thousandths) times opacity, and of
    // opacity, each weighted by the share of the pixel's area. Their quotient is the luminance.
    std::vector<std::int64_t> lum;
    std::vector<std::int64_t> alpha;
    QString error; // empty when the image was read
    QStringList notes; // what was left out of the image, one sentence each
};

Scaled scaleFile(const QString &path);
Scaled scaleData(const QByteArray &bytes);
Scaled scaleImage(const QImage &image);
ImportResult decide(const Scaled &scaled, const ImportOptions &options);

ImportResult fromFile(const QString &path, const ImportOptions &options = {});
// The format is told from the first bytes alone.
ImportResult fromData(const QByteArray &bytes, const ImportOptions &options = {});
ImportResult fromImage(const QImage &image, const ImportOptions &options = {});

} // namespace ImageImport
} // namespace qie
