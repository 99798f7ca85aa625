// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/PastedText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace qie;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Input: any text, as the clipboard may hold it. A text taken as a data text gives 11 lines
// whose rows are hex digits; written back with CR LF it is taken again as the same lines; the
// lines then decode into cells of 0 and 1 only.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::string callsign = "KEPT";
    const auto lines = PastedText::parse(text, callsign);
    if (!lines)
        return 0;

    // A callsign line other than the kept one is the text's own first line.
    const std::string &first = (*lines)[0];
    check(first.find_first_of("\r\n") == std::string::npos);
    if (first != callsign) {
        check(text.compare(0, first.size(), first) == 0);
        check(text.size() > first.size()
              && (text[first.size()] == '\r' || text[first.size()] == '\n'));
    }
    for (int r = 1; r < Document::kDataLines; ++r)
        check(PastedText::isRowLine((*lines)[r]));

    std::string again;
    for (const std::string &line : *lines)
        again += line + "\r\n";
    const auto reread = PastedText::parse(again, "OTHER");
    check(reread.has_value() && *reread == *lines);

    FakeEditorView screen;
    Document model(screen);
    model.DecodeDataText(*lines);
    model.RefreshCells();
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x)
            check(model.cell(x, y) == 0 || model.cell(x, y) == 1);
    }
    return 0;
}
