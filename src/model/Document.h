// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"
#include "model/Picture.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace qie {

// The image the operator edits: 64 x 20 cells in two bands of 10 rows, the mask that blocks
// the byte columns beyond the width, and the data text that encodes them.
//
// The width is never cached: every rule reads the width text from the view afresh, so a
// width typed without "Done" already shapes the next data text while the mask stays as the
// last RefreshCells left it. The operator relies on that to preview a narrower image.
//
// A width text that StrictNumber rejects ("5a", ".", "") is read as the number it begins
// with (LenientNumber), the same value "Done" judged it by; so "5a" behaves as 5 everywhere
// and nothing ever aborts. Widths beyond 16 byte columns are clamped to 16: the extra bytes
// and digits have no cells, and nothing reads or writes beyond the tables.
class Document
{
public:
    static constexpr int kColumns = 64;
    static constexpr int kRows = 20;
    static constexpr int kBandRows = 10;
    static constexpr int kCellCount = kColumns * kRows;
    static constexpr int kByteColumns = 16;
    static constexpr int kDigitsPerRow = 2 * kByteColumns;
    static constexpr int kDataLines = 1 + kBandRows;

    using Lines = std::array<std::string, kDataLines>;

    // The cells and the mask, one bit each by cell number: what an undo step keeps of the
    // model. The texts (width, callsign, data text) belong to the view and are kept there.
    struct Snapshot
    {
        std::bitset<kCellCount> cells;
        std::bitset<kCellCount> mask;
        bool operator==(const Snapshot &) const = default;
    };

    explicit Document(EditorView &view);
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // Recomputes the mask from the width text, then gives every cell its picture. Changes
    // neither the cells nor the data text.
    void RefreshCells();

    // A click on cell `index` (0..1279): beeps on a blocked cell, otherwise toggles it and
    // rewrites the data text. Indexes outside the grid are ignored.
    void picField_Click(int index);

    // "Done": brings the width text into 1..16 (as LenientNumber reads it), then refreshes
    // the cells and rewrites the data text.
    void cmdUpDate_Click();

    // Encodes the cells at the current width and the callsign into the data text, shows it
    // and keeps it as the text to send.
    void UpdateDataText();

    // Clears the cells and sets them from the row lines 1..10 of a loaded file, reading as
    // many hex digits per line as the width text gives. Writes the cells and nothing else.
    void DecodeDataText(const Lines &lines);

    Snapshot snapshot() const;
    // Puts cells and mask back as they were and shows them; the data text is left to the
    // caller, who restores the view's texts with it.
    void restore(const Snapshot &snapshot);

    // The cells in picture coordinates, and all of them replaced at once, blocked ones
    // included; setPicture shows them but leaves the data text to the caller.
    Picture picture() const;
    void setPicture(const Picture &picture);

    // A picture that brings its own width (text, import, paste of an image): the cells, the
    // width text set to `widthBytes`, then what "Done" does.
    void applyPicture(const Picture &picture, int widthBytes);

    // Sets open cell `index` to on or off and shows it; false when the cell is blocked, outside
    // the grid or already so. The data text is left to the caller, so that a stroke over many
    // cells encodes it once.
    bool setCell(int index, bool on);
    bool blocked(int index) const;

    // How many columns, from the left of the picture, the mask leaves open: 8 per open byte
    // column, since the width opens byte columns from the first one on.
    int openColumns() const;

    // The text that "Send" transmits. Loading replaces it with the file's own lines.
    const std::string &sendData() const { return strSendData; }
    void setSendData(std::string text) { strSendData = std::move(text); }

    std::int16_t cell(int column, int row) const { return imgCell[column][row]; }
    std::int16_t mask(int column, int row) const { return imgMask[column][row]; }

    // The width as every rule reads it (see the class comment).
    double width() const;
    // Bytes written per row line and digits read per row line for a width N, both within
    // the 16 byte columns there are.
    static int bytesPerRow(double width);
    static int digitsPerRow(double width);
    // The width text a loaded file gives: half the number of characters of its width line
    // (line 10, UTF-8), as a decimal number ("3.5" for 7). The width box keeps only its first
    // 2 characters of it.
    static std::string widthTextFor(std::string_view widthLine);

private:
    CellPicture pictureOf(int column, int row) const;

    EditorView &m_view;
    std::array<std::array<std::int16_t, kRows>, kColumns> imgCell {};
    std::array<std::array<std::int16_t, kRows>, kColumns> imgMask {};
    std::string strSendData;
};

} // namespace qie
