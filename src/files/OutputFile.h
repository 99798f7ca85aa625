// SPDX-License-Identifier: MIT
#pragma once

#include "common/Error.h"

#include <QByteArrayView>
#include <QString>
#include <initializer_list>
#include <optional>

// Where the bytes of a save go, and the words for what went wrong. Every save of the program
// goes through here: data files, received data and exported images from the window, and the
// commands' -o.
namespace qie::OutputFile {

enum class Accepts {
    // The window's saves: a regular file, replaced atomically (AtomicFile), or a new one.
    // Anything else is refused untouched.
    RegularFile,
    // A command's -o, which scripts point at streams too: "-" and the names of this
    // process's descriptor 1 (/dev/stdout, /dev/fd/1, /proc/self/fd/1) are written to
    // descriptor 1 itself, so that a redirection (">> log") is appended to, never replaced.
    // A character device, or a FIFO that a program reads, is written in place without being
    // truncated. A FIFO that nobody reads, a socket, a folder or another descriptor's file is
    // refused untouched, without waiting for anything.
    AnyOutput,
};

// The name a message gives descriptor 1.
QString standardOutputName();

// Writes `parts` one after another to `path`. On any failure the error says why, and a file
// that was there is as it was.
std::optional<Error> write(const QString &path, std::initializer_list<QByteArrayView> parts,
                           Accepts accepts);

} // namespace qie::OutputFile
