// SPDX-License-Identifier: MIT
#pragma once

#include "serial/PortLocator.h"

#include <QString>
#include <optional>

namespace qie {

// The device a port number meant when it was opened, told apart by the strongest name it had:
// the identity of its adapter (its serial number and USB ids, else its /dev/serial/by-id name;
// what a pin holds too), else its device path. Only that name is compared: an adapter with
// another identity that happens to get the old device path is not the same device.
//
// The number is not part of it: after an unplug the numbers of unpinned adapters can shift,
// and the operator may have typed another number meanwhile.
class PortTarget
{
public:
    // The device that `port` means now; nothing when it is not present.
    static std::optional<PortTarget> of(const PortLocator::Port &port);

    // The number under which `ports` list this device, present; nothing when it is not there.
    std::optional<int> numberIn(const PortLocator &ports) const;

    QString device() const { return m_device; }

private:
    bool matches(const PortLocator::Port &port) const;

    QString m_identity;
    QString m_device;
};

} // namespace qie
