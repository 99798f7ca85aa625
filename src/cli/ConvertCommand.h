// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace qie::ConvertCommand {

// convert IMAGE -o FILE [--width N] [--callsign TEXT] [--threshold T] [--invert] [--dither]
// Imports IMAGE as the window's Import image does and writes the data file as Save does.
// `arguments`: the program path, then the command's own arguments.
int run(const QStringList &arguments);

} // namespace qie::ConvertCommand
