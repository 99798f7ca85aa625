// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"

#include <optional>
#include <string>
#include <string_view>

namespace qie {

// Recognises a data text in text from the clipboard, which other programs hand over with
// whatever line ends they use.
//
// Lines end at CR LF, CR or LF; a line end at the very end starts no further line, and empty
// lines at the end are ignored (a saved file ends in one, editors often add more). What remains
// is a data text when it is
// - 11 lines whose last 10 are row lines: the callsign line and the rows, or
// - 10 row lines: the rows alone, which keep the current callsign.
// A row line is 1 to kMaxRowLength hexadecimal digits, either case; anything else (a blank, a
// trailing space) makes the text something other than a data text. The lines handed back are
// then applied exactly as a load applies the lines of a file.
namespace PastedText {

// The longest row line a load accepts as the width line.
constexpr std::size_t kMaxRowLength = 32767;

// The 11 lines, line 0 being `callsign` when the text holds only the rows; nullopt when the
// text is not a data text. `text` is UTF-8; the callsign line is kept as it is.
std::optional<Document::Lines> parse(std::string_view text, const std::string &callsign);

bool isRowLine(std::string_view line);
} // namespace PastedText

} // namespace qie
