// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qie {

// The bytes the device sent, exactly as they arrived, the most recent ones only: a ring that
// holds at most its capacity and forgets the oldest bytes first. The display may show the
// bytes however it likes; this is what Save and the hex view read, so nothing here ever
// changes a byte.
//
// Offsets count every byte appended since the last clear(), so that a byte keeps its offset
// when older ones are forgotten.
class ReceivedBytes
{
public:
    static constexpr std::size_t kDefaultCapacityBytes = std::size_t(1024) * 1024;

    explicit ReceivedBytes(std::size_t capacityBytes = kDefaultCapacityBytes);

    void append(std::string_view bytes);
    void clear();

    std::size_t capacity() const { return m_capacity; }
    // The bytes held: min(total(), capacity()).
    std::size_t size() const { return m_size; }
    // Bytes appended since the last clear(), held or forgotten.
    std::uint64_t total() const { return m_total; }
    // The offset of the oldest byte held.
    std::uint64_t firstOffset() const { return m_total - m_size; }

    // The bytes held, oldest first.
    std::string bytes() const;
    // The bytes held from `offset` on (offsets before firstOffset() start at the oldest).
    std::string bytesFrom(std::uint64_t offset) const;

private:
    std::size_t m_capacity;
    // Grows to the capacity as bytes arrive, so that a quiet device costs nothing.
    std::vector<char> m_ring;
    std::size_t m_head = 0; // where the next byte goes once the ring is full
    std::size_t m_size = 0;
    std::uint64_t m_total = 0;
};

} // namespace qie
