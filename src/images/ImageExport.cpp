// SPDX-License-Identifier: MIT
#include "images/ImageExport.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
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
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("\"%1\" was not written: %2.")
                         .arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(toImage(picture, scale))) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace qie::ImageExport
