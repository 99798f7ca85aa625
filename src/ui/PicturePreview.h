// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QPixmap>

namespace qie::PicturePreview {

// The picture as the dialogs preview it: the grid's white on black, 4 screen pixels a pixel,
// the byte columns beyond `widthBytes` shaded as the grid shows blocked cells.
QPixmap pixmap(const Picture &picture, int widthBytes);

} // namespace qie::PicturePreview
