// SPDX-License-Identifier: MIT
#include "ui/DataLabel.h"

#include <QFontInfo>
#include <QPainter>

namespace qie {

int DataLabel::linePitch() const
{
    return std::max(QFontInfo(font()).pixelSize(), 1);
}

void DataLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QFontMetrics metrics(font());
    // The pitch drops only the leading between lines; the glyphs keep their full height.
    const int baseline = metrics.ascent();
    const QStringList lines = text().split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int y = static_cast<int>(i) * linePitch() + baseline;
        if (y - metrics.ascent() > height())
            break;
        painter.drawText(0, y, lines[i]);
    }
}

} // namespace qie
