// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"

#include <array>
#include <bitset>

namespace qie {

// The image as the device sees it: 128 x 10 pixels, pixel (x, y) being bit 7 - (x mod 8) of
// byte x div 8 in row line y. The grid shows it in two bands of 64 columns: pixel (x, y) is the
// cell in column x mod 64 and row y + 10 * (x div 64). Everything that edits the picture as a
// whole (strokes, transforms, text, import, paste) works in these coordinates.
class Picture
{
public:
    static constexpr int kGridColumns = Document::kColumns;
    static constexpr int kWidth = 2 * kGridColumns;
    static constexpr int kHeight = Document::kBandRows;
    static constexpr int kMaxBytes = Document::kByteColumns;

    bool pixel(int x, int y) const { return inside(x, y) && m_rows[y][x]; }
    void setPixel(int x, int y, bool on)
    {
        if (inside(x, y))
            m_rows[y][x] = on;
    }
    static bool inside(int x, int y) { return x >= 0 && x < kWidth && y >= 0 && y < kHeight; }

    // The grid cell (n = 64 x row + column) that shows pixel (x, y), and back.
    static int cellOf(int x, int y)
    {
        return kGridColumns * (y + kHeight * (x / kGridColumns)) + x % kGridColumns;
    }
    static int xOfCell(int cell)
    {
        return cell % kGridColumns + kGridColumns * (cell / kGridColumns / kHeight);
    }
    static int yOfCell(int cell) { return cell / kGridColumns % kHeight; }

    // One past the rightmost column holding an on pixel; 0 for an empty picture.
    int usedColumns() const
    {
        for (int x = kWidth - 1; x >= 0; --x) {
            for (int y = 0; y < kHeight; ++y) {
                if (m_rows[y][x])
                    return x + 1;
            }
        }
        return 0;
    }
    // The fewest bytes (1..16) whose columns hold `columns` columns.
    static int bytesFor(int columns)
    {
        const int bytes = (columns + 7) / 8;
        return bytes < 1 ? 1 : (bytes > kMaxBytes ? kMaxBytes : bytes);
    }

    bool operator==(const Picture &) const = default;

private:
    std::array<std::bitset<kWidth>, kHeight> m_rows {};
};

} // namespace qie
