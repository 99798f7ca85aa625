// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace qie::test {

// The data text of an empty callsign and ten rows of `bytes` zero bytes, row `row` replaced by
// `line`.
inline QString dataText(int bytes, int row = -1, const QString &line = {})
{
    QString text = QStringLiteral("\r\n");
    for (int r = 0; r < 10; ++r)
        text += (r == row ? line : QString(qsizetype { 2 } * bytes, u'0')) + QStringLiteral("\r\n");
    return text;
}

} // namespace qie::test
