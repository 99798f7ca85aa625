// SPDX-License-Identifier: MIT
#include "ui/LineBreaks.h"

namespace qie::LineBreaks {

QString shown(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace qie::LineBreaks
