// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// Hexadecimal digits as the data text, the hex view of received bytes and "&H" numbers write
// and read them.
namespace qie::HexDigits {

// Digit v (0..15) is kUpper[v]; the program writes uppercase only.
inline constexpr std::string_view kUpper = "0123456789ABCDEF";

// The value of a hexadecimal digit, 0..15, either case; -1 for any other character.
int valueOf(char c);

} // namespace qie::HexDigits
