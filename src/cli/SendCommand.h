// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

class QIODevice;

namespace qie::SendCommand {

// Exit statuses of "send".
enum Status : int { Sent = 0, FileFailed = 1, UsageFailed = 2, PortFailed = 3 };

// quernel-image-editor send FILE [--port N] [--wait SECONDS]
//
// Loads FILE as the editor's "Load file" does, opens port N (default 1) as the editor's
// "Open" does (pins, QIE_COM<n>, the exclusivity check, 9600 8N1), writes what "Send" would
// send after that load, waits until it has left the port (bounded as a close is), and copies
// what the device sends from the open until SECONDS (default 0) after the send to standard
// output, byte for byte. Errors go to standard error as the editor's error boxes word them.
// `arguments` are the program path followed by the command's own arguments. Needs a
// QCoreApplication and no display.
int run(const QStringList &arguments);

// The same, writing to `out` and `err` instead of the standard streams.
int run(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace qie::SendCommand
