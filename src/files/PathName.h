// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace qie::PathName {

// Where the file name of `path` starts: just past its last separator ("\" or "/" on Windows,
// where both separate, "/" elsewhere, where "\" is an ordinary character of a name); 0 for a
// name without a separator. The folder part, separator included, is what comes before it.
qsizetype nameStart(const QString &path);

} // namespace qie::PathName
