// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

// The one place where layout twips become device-independent pixels. Every position and size
// of the windows is kept in twips; a rectangle is converted edge by edge, so that two controls
// that touch in twips touch in pixels too, without gaps or overlaps from rounding each size.
namespace qie::Twips {

constexpr int kTwipsPerPixel = 15;

inline int toPixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}
inline QPoint toPixels(QPoint twips)
{
    return { toPixels(twips.x()), toPixels(twips.y()) };
}
inline QSize toPixels(QSize twips)
{
    return { toPixels(twips.width()), toPixels(twips.height()) };
}
inline QRect toPixels(const QRect &twips)
{
    const int left = toPixels(twips.x());
    const int top = toPixels(twips.y());
    const int right = toPixels(twips.x() + twips.width());
    const int bottom = toPixels(twips.y() + twips.height());
    return { left, top, right - left, bottom - top };
}

} // namespace qie::Twips
