// SPDX-License-Identifier: MIT
#pragma once

#include <QMap>
#include <QString>

namespace qie {

// The adapters the operator pinned to port numbers, kept in the platform's settings store
// (QSettings) so that a number means the same adapter in every run.
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

// Tests keep their pins in a file of their own; the empty text goes back to the
// platform's store.
void useFile(const QString &path);
} // namespace PortPins

} // namespace qie
