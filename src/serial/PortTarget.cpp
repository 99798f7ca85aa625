// SPDX-License-Identifier: MIT
#include "serial/PortTarget.h"

namespace qie {

std::optional<PortTarget> PortTarget::of(const PortLocator::Port &port)
{
    if (!port.present())
        return std::nullopt;
    PortTarget target;
    target.m_identity = port.pin ? port.pin->identity : PortLocator::identityOf(port.adapter);
    target.m_byId = port.adapter.byId;
    target.m_device = port.device();
    return target;
}

bool PortTarget::matches(const PortLocator::Port &port) const
{
    if (!port.present())
        return false;
    if (!m_identity.isEmpty()) {
        const QString identity
            = port.pin ? port.pin->identity : PortLocator::identityOf(port.adapter);
        return identity == m_identity;
    }
    if (!m_byId.isEmpty())
        return port.adapter.byId == m_byId;
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
