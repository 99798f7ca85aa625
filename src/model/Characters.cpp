// SPDX-License-Identifier: MIT
#include "model/Characters.h"

namespace qie::Characters {

std::size_t next(std::string_view utf8, std::size_t pos)
{
    if (pos >= utf8.size())
        return utf8.size();
    ++pos;
    while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
        ++pos;
    return pos;
}

std::size_t next(std::u16string_view utf16, std::size_t pos)
{
    if (pos >= utf16.size())
        return utf16.size();
    const bool high = utf16[pos] >= 0xD800 && utf16[pos] <= 0xDBFF;
    ++pos;
    if (high && pos < utf16.size() && utf16[pos] >= 0xDC00 && utf16[pos] <= 0xDFFF)
        ++pos;
    return pos;
}

} // namespace qie::Characters
