// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"

#include <QString>

// The errors that saving, loading and logging word alike, so that the same fault reads the
// same whichever of them met it.
namespace qie::FileErrors {

// A path as the operator's system writes it ("\" on Windows).
QString shown(const QString &path);

// The folder that should hold `path` is not there.
Error pathNotFound(const QString &path);

// `path` may not be written (or read, when `forWriting` is false) by this process.
Error permissionDenied(const QString &path, bool forWriting);

} // namespace qie::FileErrors
