// SPDX-License-Identifier: MIT
#include "model/ReceivedBytes.h"

#include <algorithm>

namespace qie {

ReceivedBytes::ReceivedBytes(std::size_t capacityBytes)
    : m_capacity(std::max<std::size_t>(capacityBytes, 1))
{ }

void ReceivedBytes::append(std::string_view bytes)
{
    m_total += bytes.size();
    // Only the last capacity bytes of a huge chunk can stay.
    if (bytes.size() > m_capacity)
        bytes.remove_prefix(bytes.size() - m_capacity);
    if (m_ring.size() < m_capacity) {
        // Still filling: the ring is a plain buffer with its oldest byte at 0.
        const std::size_t room = m_capacity - m_ring.size();
        const std::size_t now = std::min(room, bytes.size());
        m_ring.insert(m_ring.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(now));
        bytes.remove_prefix(now);
        m_size = m_ring.size();
        m_head = 0;
    }
    while (!bytes.empty()) {
        const std::size_t now = std::min(m_capacity - m_head, bytes.size());
        std::copy_n(bytes.begin(), now, m_ring.begin() + std::ptrdiff_t(m_head));
        bytes.remove_prefix(now);
        m_head = (m_head + now) % m_capacity;
    }
}

void ReceivedBytes::clear()
{
    // The memory goes too: a cleared area is as cheap as a new one.
    std::vector<char>().swap(m_ring);
    m_head = 0;
    m_size = 0;
    m_total = 0;
}

std::string ReceivedBytes::bytes() const
{
    return bytesFrom(firstOffset());
}

std::string ReceivedBytes::bytesFrom(std::uint64_t offset) const
{
    const std::size_t skip = offset <= firstOffset()
        ? 0
        : std::size_t(std::min<std::uint64_t>(offset - firstOffset(), m_size));
    std::string out;
    out.reserve(m_size - skip);
    // m_head is the oldest byte of a full ring and 0 while it fills.
    const std::size_t start = (m_head + skip) % std::max<std::size_t>(m_ring.size(), 1);
    const std::size_t count = m_size - skip;
    const std::size_t first = std::min(count, m_ring.size() - start);
    out.append(m_ring.data() + start, first);
    out.append(m_ring.data(), count - first);
    return out;
}

} // namespace qie
