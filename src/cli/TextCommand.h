// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace qie::TextCommand {

// text TEXT -o FILE [--font NAME] [--width N] [--callsign TEXT]
// Renders TEXT as the window's Text dialog does and writes the data file as Save does.
// `arguments`: the program path, then the command's own arguments.
int run(const QStringList &arguments);

} // namespace qie::TextCommand
