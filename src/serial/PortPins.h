// SPDX-License-Identifier: MIT
#pragma once

#include <QMap>
#include <QString>

namespace qie {

// The adapters the operator pinned to port numbers, kept in the program's settings
// (Settings) so that a number means the same adapter in every run.
//
// A pin holds the adapter's identity (see PortLocator::identityOf) and a name to tell the
// operator which adapter it is when it is missing.
namespace PortPins {

struct Pin
{
    QString identity;
    QString name;
};

// The pins stored now, by port number; read afresh at every call, so that two running
// copies of the program agree.
QMap<int, Pin> load();
void pin(int number, const Pin &pin);
void unpin(int number);
} // namespace PortPins

} // namespace qie
