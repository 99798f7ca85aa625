// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QStringList>

namespace qie::test {

// A picture written as rows of '#' (on) and anything else, such as '.', (off) from column 0;
// rows not given are off.
inline Picture pictureOf(const QStringList &rows)
{
    Picture picture;
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows[y].size(); ++x)
            picture.setPixel(x, y, rows[y][x] == u'#');
    }
    return picture;
}

// The first `columns` columns of a picture as rows of '#' and '.', so a failure shows where.
inline QStringList rowsOf(const Picture &picture, int columns)
{
    QStringList rows;
    for (int y = 0; y < Picture::kHeight; ++y) {
        QString row;
        for (int x = 0; x < columns; ++x)
            row += picture.pixel(x, y) ? u'#' : u'.';
        rows.append(row);
    }
    return rows;
}

} // namespace qie::test
