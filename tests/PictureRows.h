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

} // namespace qie::test
