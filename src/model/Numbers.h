// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The three conversions every number typed by the operator goes through. They are kept
// byte-for-byte compatible with the data files and port numbers operators already use, so
// their odd corners (blanks inside a number, "&H" literals, half-even rounding) are deliberate.
namespace qie {

// Reads the longest leading number of a text and never fails: blanks, tabs and line feeds
// anywhere are ignored, "&H"/"&O" start a hexadecimal/octal whole number, otherwise
// [sign] digits [. digits] [E [sign] digits]. No readable number gives 0. An exponent beyond
// the range of a double gives an infinity of the right sign.
double LenientNumber(std::string_view text);

// Converts a whole text to a number, or fails. Only leading and trailing blanks are ignored;
// the rest must be [sign] digits [. [digits]] or [sign] . digits, with an optional exponent,
// or a "&H"/"&O" literal with at least one digit. No grouping separators, currency signs or
// trailing signs: a width must mean the same on every machine. A value that does not fit a
// double fails as well.
std::optional<double> StrictNumber(std::string_view text);

// Nearest 16-bit integer, an exact half going to the even neighbour. A result outside
// -32768..32767 (and a NaN) is an overflow: no value.
std::optional<std::int16_t> RoundHalfEven(double x);

} // namespace qie
