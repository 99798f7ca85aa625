// SPDX-License-Identifier: MIT
#include "images/ImageExport.h"

#include "files/FileErrors.h"
#include "files/OutputFile.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

namespace qie::ImageExport {

QImage toImage(const Picture &picture, int scale)
{
    scale = std::clamp(scale, kMinScale, kMaxScale);
    // Indexed with a two-colour table, so the PNG is small and holds exactly black and white.
    QImage image(Picture::kWidth * scale, Picture::kHeight * scale, QImage::Format_Indexed8);
    image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    for (int y = 0; y < image.height(); ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = picture.pixel(x / scale, y / scale) ? 1 : 0;
    }
    return image;
}

bool savePng(const Picture &picture, int scale, const QString &path, QString *error)
{
    // Encoded in memory first (a 16x picture is a few kilobytes), so that the file is written
    // by the same atomic writer, with the same refusals and words, as every other save.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    std::optional<Error> failure;
    if (!writer.write(toImage(picture, scale)))
        failure = Error { 0,
                          QStringLiteral("\"%1\" was not written: %2.")
                              .arg(FileErrors::shown(path), writer.errorString()) };
    else
        failure = OutputFile::write(path, { png }, OutputFile::Accepts::RegularFile);
    if (failure && error)
        *error = failure->description;
    return !failure;
}

} // namespace qie::ImageExport
