// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"

#include <QString>

// The errors that saving, loading, logging, importing and exporting word alike, so that the
// same fault reads the same whichever of them met it, and the one way a path is shown in a
// message.
namespace qie::FileErrors {

// A path as the operator's system writes it ("\" on Windows), its middle cut and its control
// characters written out (Quoted::path), so that a hostile name can neither flood a message
// nor act on the terminal that shows it.
QString shown(const QString &path);

// The folder that should hold `path` is not there. `target` is the file a symbolic link
// `path` leads to, when it does: the folder that is missing is then one of the target's.
Error pathNotFound(const QString &path, const QString &target = {});

// `path` may not be written (or read, when `forWriting` is false) by this process.
Error permissionDenied(const QString &path, bool forWriting);

// `path` names a folder, device, FIFO, socket or an open descriptor rather than a file that
// can be read or replaced; `consequence` says what was therefore not done ("it was not
// saved.").
Error notRegularFile(const QString &path, const QString &consequence);

} // namespace qie::FileErrors
