// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QString>
#include <QStringList>

namespace qie::TextRenderer {

struct Rendered
{
    Picture picture;
    int columns = 0; // may exceed 128: the text is then too wide
    int widthBytes = 1;
};

// The built-in pixel font's display name.
QString builtInFontName();

// The built-in font first, then the installed families in the font database's order. Needs a
// QGuiApplication.
QStringList fontNames();

// The font of that name (letter case ignored) as fontNames() spells it; empty when there is
// none.
QString findFont(const QString &name);

// The text from column 0. Installed fonts are drawn without antialiasing, at the largest
// pixel size at which the printable ASCII characters and those of the text, drawn, fit the
// 10 rows together; the text sits with that ink's top on row 0, so a word keeps its baseline
// while it is typed. Leading and trailing blanks count as columns; a glyph reaching left of
// its pen position moves the text right instead of losing columns.
Rendered render(const QString &text, const QString &fontName);

} // namespace qie::TextRenderer
