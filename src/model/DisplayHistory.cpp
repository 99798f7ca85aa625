// SPDX-License-Identifier: MIT
#include "model/DisplayHistory.h"

#include <algorithm>

namespace qie {

DisplayHistory::DisplayHistory(std::size_t limitChars)
    : m_limit(std::max<std::size_t>(limitChars, 1))
{ }

std::size_t DisplayHistory::append(std::u16string_view text)
{
    for (std::size_t at = text.find(u'\n'); at != std::u16string_view::npos;
         at = text.find(u'\n', at + 1))
        // A line starts after every line end, even before any character of it has come.
        m_lineStarts.push_back(m_end + at + 1);
    m_end += text.size();
    if (size() <= m_limit + m_limit / 8)
        return 0;
    // The first line start that leaves at most the limit behind it; the last line is never
    // dropped, however long it is.
    while (m_lineStarts.size() > 1 && m_end - m_lineStarts.front() > m_limit)
        m_lineStarts.pop_front();
    const std::size_t dropped = m_lineStarts.front() - m_begin;
    m_begin = m_lineStarts.front();
    return dropped;
}

void DisplayHistory::chop(std::size_t count)
{
    m_end -= std::min(count, size());
    // The first start is m_begin, never after m_end, so one always stays.
    while (m_lineStarts.back() > m_end)
        m_lineStarts.pop_back();
}

void DisplayHistory::clear()
{
    m_begin = m_end = 0;
    m_lineStarts.assign(1, 0);
}

} // namespace qie
