// SPDX-License-Identifier: MIT
#include "images/ImageImport.h"

#include "files/FileErrors.h"
#include "files/RegularFile.h"
#include "images/SvgGuard.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#else
#include <QFileInfo>
#endif

namespace qie::ImageImport {
namespace {

constexpr int kRows = Picture::kHeight;
constexpr int kMaxDecodedMiB = static_cast<int>(kMaxDecodedBytes / (qint64(1024) * 1024));
constexpr qint64 kBytesPerPixel = 4;
// Error diffusion runs down-left, so column 127 of the last row depends on columns up to
// 127 + 9 of the rows above it; these are worked out even though they are cut.
constexpr int kWorkColumns = Picture::kWidth + kRows;
// Luminance in thousandths, so that every comparison with the threshold is exact.
constexpr std::int64_t kLumScale = 1000;

std::int64_t luminance1000(QRgb c)
{
    return 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c);
}

// Place (x, y) of a table `stride` entries a row.
std::size_t place(int x, int y, int stride)
{
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(stride)
        + static_cast<std::size_t>(x);
}

std::int64_t &at(std::vector<std::int64_t> &values, const Scaled &s, int x, int y)
{
    return values[place(x, y, s.worked)];
}

// Overlap of [a, a + la) and [b, b + lb).
std::int64_t overlap(std::int64_t a, std::int64_t la, std::int64_t b, std::int64_t lb)
{
    return std::max<std::int64_t>(0, std::min(a + la, b + lb) - std::max(a, b));
}

// The image, Format_ARGB32 or Format_RGB32, brought to `columns` x 10 by area averaging.
// Row i of the source spans [10 i, 10 i + 10) and row y of the result [H y, H y + H), in
// units of 1 / (10 H) of the height; columns likewise with `columns` and W. Only the
// source columns that reach a worked column are read.
Scaled sample(const QImage &image, int columns)
{
    Scaled s;
    s.columns = columns;
    s.worked = std::min(columns, kWorkColumns);
    s.lum.assign(place(0, kRows, s.worked), 0);
    s.alpha.assign(s.lum.size(), 0);
    const std::int64_t height = image.height();
    const std::int64_t width = image.width();
    const bool opaque = image.format() == QImage::Format_RGB32;

    if (height == kRows && width == columns) {
        for (int y = 0; y < kRows; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < s.worked; ++x) {
                const std::int64_t a = opaque ? 255 : qAlpha(line[x]);
                at(s.lum, s, x, y) = luminance1000(line[x]) * a;
                at(s.alpha, s, x, y) = a;
            }
        }
        return s;
    }

    // Source columns needed: those overlapping [0, worked * W) in column units.
    const int sourceColumns = static_cast<int>(
        std::min<std::int64_t>(width, (s.worked * width + columns - 1) / columns));
    std::vector<std::int64_t> rowLum(place(0, kRows, sourceColumns), 0);
    std::vector<std::int64_t> rowAlpha(rowLum.size(), 0);
    for (std::int64_t i = 0; i < height; ++i) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(static_cast<int>(i)));
        const int firstRow = static_cast<int>(10 * i / height);
        const int lastRow
            = static_cast<int>(std::min<std::int64_t>(kRows - 1, (10 * i + 9) / height));
        for (int y = firstRow; y <= lastRow; ++y) {
            const std::int64_t weight = overlap(10 * i, 10, height * y, height);
            if (weight == 0)
                continue;
            std::int64_t *lum = &rowLum[place(0, y, sourceColumns)];
            std::int64_t *alpha = &rowAlpha[place(0, y, sourceColumns)];
            for (int j = 0; j < sourceColumns; ++j) {
                const std::int64_t a = opaque ? 255 : qAlpha(line[j]);
                lum[j] += weight * luminance1000(line[j]) * a;
                alpha[j] += weight * a;
            }
        }
    }
    for (int j = 0; j < sourceColumns; ++j) {
        const int firstColumn = static_cast<int>(std::int64_t(columns) * j / width);
        const int lastColumn = static_cast<int>(
            std::min<std::int64_t>(s.worked - 1, (std::int64_t(columns) * (j + 1) - 1) / width));
        for (int x = firstColumn; x <= lastColumn; ++x) {
            const std::int64_t weight
                = overlap(std::int64_t(columns) * j, columns, width * x, width);
            for (int y = 0; y < kRows; ++y) {
                at(s.lum, s, x, y) += weight * rowLum[place(j, y, sourceColumns)];
                at(s.alpha, s, x, y) += weight * rowAlpha[place(j, y, sourceColumns)];
            }
        }
    }
    return s;
}

Scaled failure(const QString &message)
{
    Scaled result;
    result.error = message;
    return result;
}

// Columns of an image `size` scaled to 10 rows; at least 1, and bounded so that an absurd
// aspect ratio still gives a number.
int scaledColumns(QSize size)
{
    const double columns = double(size.width()) * kRows / double(size.height());
    return static_cast<int>(std::clamp(columns + 0.5, 1.0, 1e9));
}

Scaled renderSvg(QImageReader &reader, const QString &name)
{
    const QSize declared = reader.size();
    if (declared.isEmpty())
        return failure(
            QStringLiteral("%1 cannot be imported: the drawing declares no size.").arg(name));
    const int columns = declared.height() == kRows ? declared.width() : scaledColumns(declared);
    if (columns > kWorkColumns) {
        reader.setScaledSize(QSize(columns, kRows));
        reader.setScaledClipRect(QRect(0, 0, kWorkColumns, kRows));
    } else {
        reader.setScaledSize(QSize(columns, kRows));
    }
    QImage image;
    if (!reader.read(&image))
        return failure(
            QStringLiteral("%1 cannot be imported: %2.").arg(name, reader.errorString()));
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.height() != kRows || image.width() > columns)
        return failure(
            QStringLiteral("%1 cannot be imported: the drawing did not render.").arg(name));
    // The rendered part is the left of a `columns`-wide image, mapped pixel for pixel.
    if (image.width() < columns) {
        QImage padded(std::min(columns, kWorkColumns), kRows, QImage::Format_ARGB32);
        padded.fill(Qt::transparent);
        for (int y = 0; y < kRows; ++y)
            std::copy_n(reinterpret_cast<const QRgb *>(image.constScanLine(y)),
                        std::min(image.width(), padded.width()),
                        reinterpret_cast<QRgb *>(padded.scanLine(y)));
        Scaled s = sample(padded, padded.width());
        s.columns = columns;
        return s;
    }
    return sample(image, columns);
}

// The renderer reads the guard's copy of the document, never the original.
Scaled readSvg(QIODevice &device, const QString &name)
{
    const SvgGuard::Result guarded = SvgGuard::read(device, kMaxDecodedBytes);
    if (!guarded.error.isEmpty())
        return failure(QStringLiteral("%1 cannot be imported: %2.").arg(name, guarded.error));
    QBuffer buffer;
    buffer.setData(guarded.svg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    Scaled scaled = renderSvg(reader, name);
    scaled.notes = guarded.notes;
    return scaled;
}

Scaled read(QImageReader &reader, const QString &name)
{
    QImageReader::setAllocationLimit(kMaxDecodedMiB);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return failure(QStringLiteral("%1 cannot be imported: it is not an image in a format this "
                                      "program reads.")
                           .arg(name));
    if (format == "svg" || format == "svgz")
        return readSvg(*reader.device(), name);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * kBytesPerPixel > kMaxDecodedBytes)
        return failure(
            QStringLiteral("%1 is %2 x %3 pixels, too large to import: it would need "
                           "%4 MiB of memory, and at most %5 MiB are allowed.")
                .arg(name)
                .arg(size.width())
                .arg(size.height())
                .arg(qint64(size.width()) * size.height() * kBytesPerPixel / (qint64(1024) * 1024))
                .arg(kMaxDecodedMiB));
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image))
        return failure(
            QStringLiteral("%1 cannot be imported: %2.").arg(name, reader.errorString()));
    return scaleImage(image);
}

// Opens `path` for reading only if it is a regular file: a FIFO or device would block the
// open or never end. Empty when it is open, else why not.
QString openImage(const QString &path, QFile &file)
{
    const QString name = QStringLiteral("\"%1\"").arg(FileErrors::shown(path));
    QString notRegular
        = FileErrors::notRegularFile(path, QStringLiteral("it was not imported.")).description;
#ifdef Q_OS_UNIX
    using Step = RegularFile::OpenFailure::Step;
    const auto failure
        = RegularFile::openWithoutBlocking(path, O_RDONLY, 0, file, QIODevice::ReadOnly);
    if (!failure)
        return {};
    if (failure->step == Step::NotRegular)
        return notRegular;
    if (failure->step == Step::Open && failure->error == ENOENT)
        return QStringLiteral("%1 cannot be imported: the file does not exist.").arg(name);
    const QString reason
        = failure->step == Step::Open ? qt_error_string(failure->error) : file.errorString();
    return QStringLiteral("%1 cannot be imported: %2.").arg(name, reason);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 cannot be imported: the file does not exist.").arg(name);
    if (!info.isFile())
        return notRegular;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be imported: %2.").arg(name, file.errorString());
    return {};
#endif
}

} // namespace

Scaled scaleFile(const QString &path)
{
    QFile file;
    if (const QString error = openImage(path, file); !error.isEmpty())
        return failure(error);
    QImageReader reader(&file);
    return read(reader, QStringLiteral("\"%1\"").arg(FileErrors::shown(path)));
}

Scaled scaleData(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, QStringLiteral("The image"));
}

Scaled scaleImage(const QImage &image)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return failure(QStringLiteral("The image is empty."));
    const bool direct
        = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage argb = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        return failure(QStringLiteral("The image is too large to convert."));
    const int columns = argb.height() == kRows ? argb.width() : scaledColumns(argb.size());
    return sample(argb, columns);
}

ImportResult decide(const Scaled &s, const ImportOptions &options)
{
    ImportResult result;
    if (!s.error.isEmpty()) {
        result.error = s.error;
        return result;
    }
    result.notes = s.notes;
    result.columns = s.columns;
    result.cut = s.columns > Picture::kWidth;
    const int kept = std::min(s.columns, Picture::kWidth);
    result.widthBytes = Picture::bytesFor(kept);
    const std::int64_t threshold = std::clamp(options.threshold, 0, 255);

    std::vector<double> error(place(0, kRows + 1, s.worked + 2), 0.0);
    const auto errorAt
        = [&](int x, int y) -> double & { return error[place(x + 1, y, s.worked + 2)]; };
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < s.worked; ++x) {
            const std::int64_t alpha = s.alpha[place(x, y, s.worked)];
            bool on = false;
            if (alpha > 0 && !options.dither) {
                on = s.lum[place(x, y, s.worked)] >= threshold * kLumScale * alpha;
            } else if (alpha > 0) {
                const double value
                    = double(s.lum[place(x, y, s.worked)]) / double(kLumScale * alpha)
                    + errorAt(x, y);
                on = value >= double(threshold);
                const double e = value - (on ? 255.0 : 0.0);
                errorAt(x + 1, y) += e * 7 / 16;
                errorAt(x - 1, y + 1) += e * 3 / 16;
                errorAt(x, y + 1) += e * 5 / 16;
                errorAt(x + 1, y + 1) += e * 1 / 16;
            }
            if (x < kept)
                result.picture.setPixel(x, y, on != options.invert);
        }
    }
    return result;
}

ImportResult fromFile(const QString &path, const ImportOptions &options)
{
    return decide(scaleFile(path), options);
}

ImportResult fromData(const QByteArray &bytes, const ImportOptions &options)
{
    return decide(scaleData(bytes), options);
}

ImportResult fromImage(const QImage &image, const ImportOptions &options)
{
    return decide(scaleImage(image), options);
}

} // namespace qie::ImageImport
