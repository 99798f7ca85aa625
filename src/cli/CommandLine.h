// SPDX-License-Identifier: MIT
#pragma once

namespace qie::CommandLine {

// True when the program was started to run a command rather than to open the window:
// `--help`, `-h`, `--version` or a command word as the first argument.
bool isCommand(int argc, char **argv);

// Runs that command without a display and gives its exit status (CommandSupport::kDone and
// its kin). Creates the application object itself, so call it before any other.
int run(int argc, char **argv);

} // namespace qie::CommandLine
