// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/PastedText.h"
#include "model/Picture.h"

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

// Any text, as the clipboard may hold it. A text taken as a data text gives 11 lines whose rows
// are hex digits; written back with CR LF it is taken again as the same lines; the lines then
// decode into cells of 0 and 1 only.
void pasteAnyText(std::string_view text)
{
    const std::string callsign = "KEPT";
    const auto lines = PastedText::parse(text, callsign);
    if (!lines)
        return;

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

    const std::string again = Document::dataTextOf(*lines);
    const auto reread = PastedText::parse(again, "OTHER");
    check(reread.has_value() && *reread == *lines);

    const AsciiCodePage codePage;
    Document model(codePage);
    model.paste(*lines);
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x)
            check(model.cell(x, y) == 0 || model.cell(x, y) == 1);
    }
}

// The same input as a picture (one bit a pixel, row after row) and a width (its first byte):
// the data text the document makes of it, pasted into another document, gives the same
// picture in the columns the width writes and nothing beyond, and the same width.
void roundTrip(std::string_view input)
{
    if (input.empty())
        return;
    const int width = 1 + static_cast<unsigned char>(input[0]) % Document::kByteColumns;
    Picture picture;
    for (std::size_t bit = 0; bit < 8 * (input.size() - 1); ++bit) {
        const int pixel = static_cast<int>(bit) % (Picture::kWidth * Picture::kHeight);
        if ((static_cast<unsigned char>(input[1 + bit / 8]) >> (bit % 8)) & 1)
            picture.setPixel(pixel % Picture::kWidth, pixel / Picture::kWidth, true);
    }
    const AsciiCodePage codePage;
    Document drawn(codePage);
    drawn.setCallsignText("CQ");
    drawn.applyPicture(picture, width);

    const auto lines = PastedText::parse(drawn.sendData(), "OTHER");
    check(lines.has_value());
    Document pasted(codePage);
    pasted.paste(*lines);
    check(pasted.sendData() == drawn.sendData());
    check(pasted.widthText() == std::to_string(width));
    check(pasted.callsignText() == "CQ");
    const Picture back = pasted.picture();
    for (int y = 0; y < Picture::kHeight; ++y) {
        for (int x = 0; x < Picture::kWidth; ++x)
            check(back.pixel(x, y) == (x < 8 * width && picture.pixel(x, y)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    pasteAnyText(input);
    roundTrip(input);
    return 0;
}
