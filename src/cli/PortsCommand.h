// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace qie::PortsCommand {

// quernel-image-editor ports [--json]
//
// Lists every port number that opens something now, as the editor's port number box means it:
// adapters present, pinned adapters that are not plugged in, QIE_COM<n> and network ports. One
// line per number on standard output, tab-separated: number, device, description, by-id name,
// pinned identity; an empty field is "-", and tabs and line ends inside a field become spaces,
// so that every line splits into five fields. --json writes a JSON array of objects with the
// keys number, device, description, byId and pin, null where there is nothing. Exit 0, an empty
// list included; 1 when standard output cannot be written; 2 for a usage error.
int run(const QStringList &arguments);

} // namespace qie::PortsCommand
