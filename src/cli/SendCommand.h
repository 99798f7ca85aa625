// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace qie::SendCommand {

// quernel-image-editor send FILE --port N|PATH|URL [--wait SECONDS]
//
// Loads FILE (standard input for "-") as the editor's "Load file" does, opens the port as the
// editor's "Open" does (the exclusivity check, 9600 8N1): port number N (all digits; pins and
// QIE_COM<n> apply), the device at PATH, or the network serial port at URL
// (rfc2217://HOST:PORT, tcp://HOST:PORT); a path or URL never reads the pins. Without --port it
// is a usage error, QIE_COM<n> set or not.
// writes what "Send" would send after that load, waits until it has left the port (bounded as
// a close is), and copies what the device sends from the open until SECONDS (default 0) after
// the send to standard output, byte for byte. Errors go to standard error as the editor's error
// boxes word them. Exit statuses are CommandSupport's: 0 sent, 1 file error, 2 usage error,
// 3 port error, 4 the answer could not be written (a port error wins over it).
// `arguments` are the program path followed by the command's own arguments. Needs a
// QCoreApplication and no display.
int run(const QStringList &arguments);

} // namespace qie::SendCommand
