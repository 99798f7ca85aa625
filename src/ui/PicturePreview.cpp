// SPDX-License-Identifier: MIT
#include "ui/PicturePreview.h"

#include "images/ImageExport.h"

#include <QPainter>

namespace qie::PicturePreview {

namespace {
constexpr int kScale = 4;
}

QPixmap pixmap(const Picture &picture, int widthBytes)
{
    QPixmap pixmap = QPixmap::fromImage(ImageExport::toImage(picture, kScale));
    QPainter painter(&pixmap);
    const int left = 8 * widthBytes * kScale;
    painter.fillRect(QRect(left, 0, pixmap.width() - left, pixmap.height()),
                     QColor(128, 128, 128, 160));
    return pixmap;
}

} // namespace qie::PicturePreview
