// SPDX-License-Identifier: MIT
#include "model/PictureEdit.h"

#include <algorithm>

namespace qie {

Picture PictureEdit::apply(Transform transform, const Picture &picture, int openColumns)
{
    const int columns = std::clamp(openColumns, 0, Picture::kWidth);
    Picture result = picture;
    for (int y = 0; y < Picture::kHeight; ++y) {
        for (int x = 0; x < columns; ++x) {
            // The source pixel of (x, y); one outside the open columns or the rows reads as off.
            int fromX = x;
            int fromY = y;
            switch (transform) {
            case Transform::Clear:
                fromX = -1;
                break;
            case Transform::Invert:
                break;
            case Transform::ShiftLeft:
                fromX = x + 1;
                break;
            case Transform::ShiftRight:
                fromX = x - 1;
                break;
            case Transform::ShiftUp:
                fromY = y + 1;
                break;
            case Transform::ShiftDown:
                fromY = y - 1;
                break;
            case Transform::Mirror:
                fromX = columns - 1 - x;
                break;
            case Transform::Flip:
                fromY = Picture::kHeight - 1 - y;
                break;
            }
            const bool source = fromX < columns && picture.pixel(fromX, fromY);
            result.setPixel(x, y, transform == Transform::Invert ? !source : source);
        }
    }
    return result;
}

} // namespace qie
