// SPDX-License-Identifier: MIT
#include "serial/PortTarget.h"

namespace qie {

std::optional<PortTarget> PortTarget::of(const PortLocator::Port &port)
{
    if (!port.present())
        return std::nullopt;
    PortTarget target;
    // A pinned adapter is the one whose identity is its pin's: the same text.
    target.m_identity = PortLocator::identityOf(port.adapter);
    target.m_device = port.device();
    return target;
}

bool PortTarget::matches(const PortLocator::Port &port) const
{
    // An absent pinned adapter has neither a name nor a path, and so matches nothing.
    if (!m_identity.isEmpty())
        return PortLocator::identityOf(port.adapter) == m_identity;
    return port.device() == m_device;
}

std::optional<int> PortTarget::numberIn(const PortLocator &ports) const
{
    for (const PortLocator::Port &port : ports.list()) {
        if (matches(port))
            return port.number;
    }
    return std::nullopt;
}

} // namespace qie
