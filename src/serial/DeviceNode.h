// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace qie {

// What a device name stands for, told from the node itself without opening it: opening a
// named pipe blocks, and opening some devices changes what they do.
namespace DeviceNode {

// What `path` is when it is there but is no terminal ("a regular file", "a character
// device (1:3) that is no terminal"); nothing when it is a terminal, when it is not
// there (the open reports that) or on Windows. Whether a character device is a terminal
// is decided by its device number, against the kernel's table of terminal drivers. The
// program's own terminal (/dev/tty) and the master side of a pseudo-terminal (/dev/ptmx and
// the masters it hands out) are terminals but no ports: nothing on the other side reads.
std::optional<QString> notATerminal(const QString &path);
} // namespace DeviceNode

} // namespace qie
