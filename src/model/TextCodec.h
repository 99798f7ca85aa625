// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace qie {

// How text becomes the bytes that data files and the port carry, and back. The window and the
// commands use the system's code page; the model itself knows only UTF-8, and sees bytes in
// the code page only as the callsign line and the data text, which it passes on unread.
class TextCodec
{
public:
    virtual ~TextCodec() = default;

    // Bytes as shown, in UTF-8. Never fails: each byte the code page cannot read shows as one
    // U+FFFD.
    virtual std::string decode(std::string_view bytes) const = 0;
    // UTF-8 text as bytes.
    virtual std::string encode(std::string_view text) const = 0;
};

} // namespace qie
