// SPDX-License-Identifier: MIT
#include "model/PastedText.h"

#include "model/HexDigits.h"

#include <algorithm>
#include <vector>

namespace qie {

bool PastedText::isRowLine(std::string_view line)
{
    const auto hex = [](char c) { return HexDigits::valueOf(c) >= 0; };
    return !line.empty() && line.size() <= kMaxRowLength
        && std::all_of(line.begin(), line.end(), hex);
}

std::optional<Document::Lines> PastedText::parse(std::string_view text, const std::string &callsign)
{
    // At most one line more than a data text is split off before the rest is judged, so that
    // a huge clipboard costs no more than a look at its first lines and its end.
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size() && lines.size() <= Document::kDataLines) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            pos = text.size();
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    // Whatever follows must be empty lines only.
    if (text.find_first_not_of("\r\n", pos) != std::string_view::npos)
        return std::nullopt;
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();

    constexpr int rows = Document::kBandRows;
    const bool withCallsign = lines.size() == Document::kDataLines;
    if (!withCallsign && lines.size() != rows)
        return std::nullopt;
    const auto firstRow = lines.end() - rows;
    if (!std::all_of(firstRow, lines.end(), isRowLine))
        return std::nullopt;

    Document::Lines result;
    result[0] = withCallsign ? std::string(lines.front()) : callsign;
    std::transform(firstRow, lines.end(), result.begin() + 1,
                   [](std::string_view line) { return std::string(line); });
    return result;
}

} // namespace qie
