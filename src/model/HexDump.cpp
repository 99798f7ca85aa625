// SPDX-License-Identifier: MIT
#include "model/HexDump.h"

#include "model/HexDigits.h"

#include <algorithm>

namespace qie::HexDump {
namespace {

constexpr int kOffsetDigits = 8;

void appendOffset(std::string &out, std::uint64_t offset)
{
    int digits = kOffsetDigits;
    while (digits < 16 && (offset >> (4 * digits)) != 0)
        ++digits;
    for (int d = digits - 1; d >= 0; --d)
        out += HexDigits::kUpper[(offset >> (4 * d)) & 0xF];
}

} // namespace

std::string line(std::uint64_t offset, std::string_view bytes, int perLine, bool characters)
{
    bytes = bytes.substr(0, std::size_t(perLine));
    std::string out;
    out.reserve(kOffsetDigits + 2 + 3 * std::size_t(perLine) + 1 + std::size_t(perLine));
    appendOffset(out, offset);
    out += "  ";
    if (!characters) {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            out += HexDigits::kUpper[byte >> 4];
            out += HexDigits::kUpper[byte & 0xF];
            out += ' ';
        }
        if (!bytes.empty())
            out.pop_back();
        return out;
    }
    for (int i = 0; i < perLine; ++i) {
        if (i < int(bytes.size())) {
            const auto byte = static_cast<unsigned char>(bytes[std::size_t(i)]);
            out += HexDigits::kUpper[byte >> 4];
            out += HexDigits::kUpper[byte & 0xF];
            out += ' ';
        } else {
            out += "   ";
        }
    }
    out += ' ';
    for (const char c : bytes)
        out += (c >= 0x20 && c < 0x7F) ? c : '.';
    return out;
}

std::string lines(std::uint64_t offset, std::string_view bytes, int perLine, bool characters)
{
    std::string out;
    out.reserve((bytes.size() / std::size_t(perLine) + 1) * (16 + 4 * std::size_t(perLine)));
    while (!bytes.empty()) {
        const std::size_t now = std::min<std::size_t>(std::size_t(perLine), bytes.size());
        out += line(offset, bytes.substr(0, now), perLine, characters);
        if (now == std::size_t(perLine))
            out += '\n';
        bytes.remove_prefix(now);
        offset += now;
    }
    return out;
}

} // namespace qie::HexDump
