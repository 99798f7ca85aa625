// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <deque>
#include <string_view>

namespace qie {

// Keeps a growing display text bounded: it follows what is appended at the end and says how
// much to drop from the top, always whole lines, once the text has outgrown its limit. The
// text itself lives in the display; this holds only where its lines start.
//
// Dropping waits until the text is an eighth over the limit and then goes back under it, so
// that a display pays for a drop once per many appends rather than with every one. The text
// kept is never shorter than the limit minus one line.
class DisplayHistory
{
public:
    explicit DisplayHistory(std::size_t limitChars);

    // Records text appended at the end ('\n' ends a line) and returns how many characters to
    // drop from the top now: 0, or the length of some whole first lines.
    std::size_t append(std::u16string_view text);
    // Records that the last `count` characters were taken off the end again. A display that
    // rewrites an unfinished last line takes it off and appends it anew.
    void chop(std::size_t count);
    void clear();

    std::size_t limit() const { return m_limit; }
    // Characters held by the display.
    std::size_t size() const { return m_end - m_begin; }
    // Lines held, the one in progress included (an empty display has one).
    std::size_t lineCount() const { return m_lineStarts.size(); }

private:
    std::size_t m_limit;
    // Positions count from the first character appended since the last clear(), so that
    // nothing shifts on a drop. The first line start is always m_begin.
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::deque<std::size_t> m_lineStarts { 0 };
};

} // namespace qie
