// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"
#include "model/TextCodec.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qie {

class Picture;

// What the operator edits, and the one copy of it: 64 x 20 cells in two bands of 10 rows, the
// mask that blocks the byte columns beyond the width, the width and callsign texts, and the
// data text that Save writes, Send transmits and the label shows. Views are told of every
// change (EditorView) and hold no copy; the boxes hand their text in on every edit; undo keeps
// Snapshots; the commands use a document with no view at all.
//
// A width typed without "Done" already shapes the next data text, while the mask stays as the
// last RefreshCells left it: the operator relies on that to preview a narrower image.
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
    // A data text: the callsign line and one line per image row.
    static constexpr int kDataLines = 1 + kBandRows;
    // What the width and callsign boxes hold, in the 16-bit units that text boxes count: a
    // character beyond that range takes two.
    static constexpr std::size_t kWidthMaxLength = 2;
    static constexpr std::size_t kCallsignMaxLength = 12;

    using Lines = std::array<std::string, kDataLines>;

    // The whole document as a value: what an undo step keeps before and after an edit.
    struct Snapshot
    {
        std::bitset<kCellCount> cells;
        std::bitset<kCellCount> mask;
        std::string width;
        std::string callsign;
        std::string callsignFileBytes;
        std::string data;
        std::string widthWritten;
        std::string callsignWritten;
        bool operator==(const Snapshot &) const = default;
    };

    // `codec` turns the callsign into the bytes of the data text and file lines into text.
    explicit Document(const TextCodec &codec);
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // Shows the whole document in `view` and keeps it told of every change; nullptr shows
    // nothing.
    void setView(EditorView *view);

    // The two boxes' texts, typed or set, cut to what the boxes hold (whole characters only).
    // Neither rewrites the data text: that waits for the next click or "Done".
    void setWidthText(std::string_view text);
    void setCallsignText(std::string_view text);
    const std::string &widthText() const { return m_width; }
    const std::string &callsignText() const { return m_callsign; }
    // Whether the width or callsign text differs from what it was when the data text was last
    // written (by a click, "Done", a load, a paste or any other edit): then the data text does
    // not yet say what the boxes say, and "Done" would change it. Undo and redo bring back the
    // texts of their step's data text with it.
    bool textsPending() const;
    // The callsign line of the next data text: the bytes of the last loaded file's line 0
    // while the callsign text shows their start unchanged, so that bytes the code page cannot
    // read are never rewritten; else the text encoded.
    std::string callsignBytes() const;

    // Recomputes the mask from the width, then gives every cell its picture. Changes neither
    // the cells nor the data text.
    void RefreshCells();

    // A click on cell `index` (0..1279): beeps on a blocked cell, otherwise toggles it and
    // rewrites the data text. Indexes outside the grid are ignored.
    void picField_Click(int index);

    // "Done": brings the width text into 1..16 (as LenientNumber reads it), then refreshes
    // the cells and rewrites the data text.
    void cmdUpDate_Click();

    // Encodes the cells at the current width and the callsign into the data text.
    void UpdateDataText();

    // Clears the cells and sets them from the row lines 1..10 (UTF-8 text), reading as many
    // hex digits per line as the width gives. Writes the cells and nothing else.
    void DecodeDataText(const Lines &lines);

    // "Load file" once the 11 lines of a file are read (their bytes, without line ends): the
    // data text becomes those lines exactly, the width text half the characters of line 10,
    // the callsign line 0, then the cells are decoded and refreshed. The data text keeps the
    // file's own lines until the next click or "Done".
    void load(const Lines &fileLines);
    // A data text pasted as text (UTF-8), taken exactly as a load takes a file's lines. A
    // callsign line that shows as the callsign does keeps the bytes behind it.
    void paste(const Lines &lines);

    // The file last loaded or saved successfully (UTF-8), empty before the first; a failed
    // load or save leaves it. It is where the data text came from or went, not part of it, so
    // undo leaves it as it is, as it leaves the caption that shows it.
    const std::string &fileName() const { return m_fileName; }
    void setFileName(std::string_view name);

    // The 11 lines' bytes, each followed by CR LF: the data text a file's lines make.
    static std::string dataTextOf(const Lines &lines);

    Snapshot snapshot() const;
    // Puts everything back as it was and shows it.
    void restore(const Snapshot &snapshot);

    // The cells in picture coordinates, and all of them replaced at once, blocked ones
    // included; setPicture leaves the data text to the caller.
    Picture picture() const;
    void setPicture(const Picture &picture);

    // A picture that brings its own width (text, import, paste of an image, the commands): the
    // cells, the width text set to `widthBytes`, then what "Done" does.
    void applyPicture(const Picture &picture, int widthBytes);

    // Sets open cell `index` to on or off and shows it; false when the cell is blocked, outside
    // the grid or already so. The data text is left to the caller, so that a stroke over many
    // cells encodes it once.
    bool setCell(int index, bool on);
    bool blocked(int index) const;

    // How many columns, from the left of the picture, the mask leaves open: 8 per open byte
    // column, since the width opens byte columns from the first one on.
    int openColumns() const;

    // The data text: what "Send" transmits, Save writes and the label shows.
    const std::string &sendData() const { return strSendData; }

    std::int16_t cell(int column, int row) const { return imgCell[column][row]; }
    std::int16_t mask(int column, int row) const { return imgMask[column][row]; }

    // The width as every rule reads it (see the class comment).
    double width() const;
    // Bytes written per row line and digits read per row line for a width N, both within
    // the 16 byte columns there are.
    static int bytesPerRow(double width);
    static int digitsPerRow(double width);
    // The width text a loaded file gives: half the number of characters of its width line
    // (line 10, UTF-8), as a decimal number ("3.5" for 7), before the box cuts it.
    static std::string widthTextFor(std::string_view widthLine);

    // A text as a box of `maxLength` 16-bit units holds it: its whole characters up to there.
    static std::string fitToBox(std::string_view text, std::size_t maxLength);
    // How many 16-bit units of a box a UTF-8 text takes.
    static std::size_t boxLength(std::string_view text);

private:
    CellPicture pictureOf(int column, int row) const;
    void showCell(int column, int row);
    void showAll();
    void take(const Lines &bytes, const Lines &texts);
    std::string bytesShowing(std::string_view kept, const std::string &text) const;
    void textsWritten();
    void showPending();

    const TextCodec &m_codec;
    EditorView *m_view = nullptr;
    std::array<std::array<std::int16_t, kRows>, kColumns> imgCell {};
    std::array<std::array<std::int16_t, kRows>, kColumns> imgMask {};
    std::string m_width = "16";
    std::string m_callsign;
    // Line 0 of the last file loaded or data text pasted, as bytes.
    std::string m_callsignFileBytes;
    std::string strSendData;
    // The two texts as they were when strSendData was last written.
    std::string m_widthWritten = m_width;
    std::string m_callsignWritten;
    std::string m_fileName;
};

} // namespace qie
