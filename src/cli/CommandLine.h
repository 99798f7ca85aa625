// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace qie::CommandLine {

// True when the program was started to run a command rather than to open the window:
// `--help`, `-h`, `--version`, a command word, or a first word that is neither an option nor
// a file (no such file, no "/"), which is then a mistyped command.
bool isCommand(int argc, char **argv);

// What the window is started with: the data file to load, or why the words cannot start it
// (a usage error, exit status 2).
struct EditorStart
{
    QString file;
    QString error;
};

// The words after the program's name once Qt has taken its own options: none, FILE, or
// "--" and FILE; a FILE that names no file fails when it is loaded, in the window.
EditorStart editorStart(const QStringList &words);

// Runs that command without a display and gives its exit status (CommandSupport::kDone and
// its kin). Creates the application object itself, so call it before any other.
int run(int argc, char **argv);

} // namespace qie::CommandLine
