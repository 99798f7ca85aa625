// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

// A character as the operator counts it: one for every character they see, whatever its
// encoding takes. A character outside the 16-bit range is one, not its two UTF-16 halves or
// its four UTF-8 bytes; a broken sequence counts one for each unit that cannot belong to the
// character before it. This is the one place that knows where a character ends.
namespace qie::Characters {

// Where the character that starts at unit `pos` ends (the next character's first unit).
std::size_t next(std::string_view utf8, std::size_t pos);
std::size_t next(std::u16string_view utf16, std::size_t pos);

// The number of characters in a text.
template<class Char> std::size_t count(std::basic_string_view<Char> text)
{
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < text.size(); pos = next(text, pos))
        ++characters;
    return characters;
}

// How many units of a text its whole characters fill without exceeding `maxUnits`: a text
// box that holds at most that many units keeps these, never half a character.
template<class Char>
std::size_t unitsOfWholeCharacters(std::basic_string_view<Char> text, std::size_t maxUnits)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = next(text, pos);
        if (end > maxUnits)
            break;
        pos = end;
    }
    return pos;
}

} // namespace qie::Characters
