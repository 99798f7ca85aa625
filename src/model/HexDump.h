// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The hex view of received bytes, one line per 16 bytes:
//
//   00000010  48 65 6C 6C 6F 0D 0A 00 FF 41 42 43 44 45 46 47  Hello....ABCDEFG
//
// the offset of the first byte (at least 8 uppercase hex digits), the bytes as two-digit
// uppercase hex, and the printable ASCII characters with a dot for every other byte. A short
// last line keeps the character column where a full line has it.
//
// A narrow display takes 8 or 4 bytes a line, and may leave the character column out; a line
// without it ends after its last byte.
namespace qie::HexDump {

constexpr int kBytesPerLine = 16;

// One line for at most `perLine` bytes, without a line end.
std::string line(std::uint64_t offset, std::string_view bytes, int perLine = kBytesPerLine,
                 bool characters = true);

// Lines for bytes that start at `offset`, each ended by '\n' except a short last one, which
// is left open so that the next bytes can complete it. `offset` is expected on a line start
// (a multiple of `perLine`); lines are cut from there.
std::string lines(std::uint64_t offset, std::string_view bytes, int perLine = kBytesPerLine,
                  bool characters = true);

} // namespace qie::HexDump
