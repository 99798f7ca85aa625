// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/Document.h"

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

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Byte column of cell (x, y).
int byteColumnOf(int x, int y)
{
    return 8 * (y / Document::kBandRows) + x / 8;
}

} // namespace

// Input: the width text, then the 11 lines of a data file, separated by line feeds; missing
// lines are empty. Then the file is decoded, shown and re-encoded as the editor would.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    const auto next = [&input] {
        const std::size_t end = input.find('\n');
        const std::string_view piece = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        return std::string(piece);
    };

    const AsciiCodePage codePage;
    FakeEditorView screen;
    Document model(codePage);
    model.setView(&screen);
    model.setWidthText(next());
    Document::Lines lines;
    for (auto &line : lines)
        line = next();
    model.setCallsignText(lines[0]);
    check(Document::boxLength(model.widthText()) <= Document::kWidthMaxLength);
    check(Document::boxLength(model.callsignText()) <= Document::kCallsignMaxLength);
    check(screen.width == model.widthText());
    check(screen.callsign == model.callsignText());

    const int dataWrites = screen.dataWrites;
    const int pictureWrites = screen.pictureWrites;
    model.DecodeDataText(lines);
    check(screen.dataWrites == dataWrites && screen.pictureWrites == pictureWrites);

    const double width = model.width();
    const int digits = Document::digitsPerRow(width);
    check(digits >= 0 && digits <= Document::kDigitsPerRow);
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x) {
            const int imageColumn = x + (y >= Document::kBandRows ? 64 : 0);
            check(model.cell(x, y) == 0 || model.cell(x, y) == 1);
            if (imageColumn >= 4 * digits)
                check(model.cell(x, y) == 0);
        }
    }

    model.RefreshCells();
    check(screen.pictureWrites == pictureWrites + Document::kCellCount);
    for (int n = 0; n < Document::kCellCount; ++n) {
        const int x = n % Document::kColumns;
        const int y = n / Document::kColumns;
        const bool open = width > byteColumnOf(x, y);
        check(model.mask(x, y) == (open ? 0 : 1));
        const CellPicture expected = !open ? CellPicture::Blocked
            : model.cell(x, y) != 0        ? CellPicture::On
                                           : CellPicture::Off;
        check(screen.pictures[n] == expected);
    }

    model.UpdateDataText();
    const int bytes = Document::bytesPerRow(width);
    check(bytes >= 0 && bytes <= Document::kByteColumns);
    const std::string &text = screen.data;
    const std::string callsign = model.callsignBytes();
    check(model.sendData() == text);
    check(text.size() == callsign.size() + 2 + Document::kBandRows * (2 * std::size_t(bytes) + 2));
    check(text.compare(0, callsign.size(), callsign) == 0);
    Document::Lines encoded { callsign };
    std::size_t pos = callsign.size();
    for (int r = 0; r <= Document::kBandRows; ++r) {
        if (r > 0) {
            encoded[r] = text.substr(pos, 2 * std::size_t(bytes));
            for (char c : encoded[r])
                check(isUpperHex(c));
            pos += 2 * std::size_t(bytes);
        }
        check(text.compare(pos, 2, "\r\n") == 0);
        pos += 2;
    }

    // The encoding read back at its own width gives the cells of the first `bytes` byte
    // columns and nothing else.
    Document again(codePage);
    again.setWidthText(std::to_string(bytes));
    again.DecodeDataText(encoded);
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x) {
            const bool written = byteColumnOf(x, y) < bytes;
            check(again.cell(x, y) == (written ? model.cell(x, y) : 0));
        }
    }

    // A click anywhere, inside the grid or not, leaves the cells 0 or 1 and beeps only on a
    // blocked cell.
    if (size >= 2) {
        const int index = std::int16_t(data[0] | data[1] << 8);
        const int beeps = screen.beeps;
        model.picField_Click(index);
        if (index >= 0 && index < Document::kCellCount) {
            const bool blocked = model.mask(index % 64, index / 64) != 0;
            check(screen.beeps == beeps + (blocked ? 1 : 0));
        } else {
            check(screen.beeps == beeps);
        }
    }
    return 0;
}
