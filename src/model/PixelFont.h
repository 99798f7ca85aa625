// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <string_view>

namespace qie {

// The built-in pixel font, drawn for the picture's 10 rows: row 0 is left free, capitals and
// digits stand 7 rows high on rows 1..7, the x-height is 5 rows (3..7), descenders reach rows
// 8 and 9. Glyphs are proportional (1 to 5 columns) and one blank column separates each
// character from the next; there is none after the last. It covers printable ASCII; any other
// character is drawn as '?', so that a text never loses a character silently.
namespace PixelFont {

constexpr int kHeight = Picture::kHeight;
constexpr int kGapColumns = 1;

int glyphWidth(char32_t c);
bool glyphPixel(char32_t c, int x, int y);

// Draws `text` from column 0 into an empty picture, dropping what lies beyond column 127;
// returns the columns the text needs, gaps included, which may exceed the picture's 128.
int render(std::u32string_view text, Picture &picture);
} // namespace PixelFont

} // namespace qie
