// SPDX-License-Identifier: MIT
#include "files/PathName.h"

#include <algorithm>

namespace qie::PathName {

qsizetype nameStart(const QString &path)
{
#ifdef Q_OS_WIN
    return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1;
#else
    return path.lastIndexOf(u'/') + 1;
#endif
}

} // namespace qie::PathName
