// SPDX-License-Identifier: MIT
#include "model/Document.h"

#include "model/Characters.h"
#include "model/Numbers.h"

#include <algorithm>
#include <cmath>

namespace qie {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

int byteColumnOf(int column, int row)
{
    return 8 * (row / Document::kBandRows) + column / 8;
}

// max(0, RoundHalfEven(x) + 1), with x brought into a range where the rounding cannot
// overflow; callers clamp the result to what the tables hold.
int countFrom(double x, int limit)
{
    if (std::isnan(x))
        return 0;
    x = std::clamp(x, -2.0, static_cast<double>(limit) + 1.0);
    const int n = *RoundHalfEven(x) + 1;
    return std::clamp(n, 0, limit);
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

// The first `count` characters of a UTF-8 line, one entry per character: the character's
// hex value, or 0 for anything else. A multi-byte character counts once, so the digits after
// it stay in their columns; missing characters read as 0.
template<std::size_t N>
void readDigits(std::string_view line, int count, std::array<int, N> &digits)
{
    std::size_t pos = 0;
    for (int j = 0; j < count; ++j) {
        if (pos >= line.size()) {
            digits[j] = 0;
            continue;
        }
        const auto c = static_cast<unsigned char>(line[pos]);
        digits[j] = c < 0x80 ? hexValue(c) : 0;
        pos = Characters::next(line, pos);
    }
}

} // namespace

Document::Document(EditorView &view) : m_view(view)
{ }

double Document::width() const
{
    const std::string text = m_view.widthText();
    if (const auto strict = StrictNumber(text))
        return *strict;
    return LenientNumber(text);
}

int Document::bytesPerRow(double width)
{
    return countFrom(width - 1.0, kByteColumns);
}

int Document::digitsPerRow(double width)
{
    return countFrom(2.0 * width - 1.0, kDigitsPerRow);
}

std::string Document::widthTextFor(std::string_view widthLine)
{
    const std::size_t count = Characters::count(widthLine);
    std::string text = std::to_string(count / 2);
    if (count % 2 != 0)
        text += ".5";
    return text;
}

CellPicture Document::pictureOf(int column, int row) const
{
    if (imgMask[column][row] != 0)
        return CellPicture::Blocked;
    return imgCell[column][row] != 0 ? CellPicture::On : CellPicture::Off;
}

void Document::RefreshCells()
{
    const double n = width();
    for (int x = 0; x < kColumns; ++x) {
        for (int y = 0; y < kRows; ++y)
            imgMask[x][y] = n > byteColumnOf(x, y) ? 0 : 1;
    }
    for (int i = 0; i < kCellCount; ++i)
        m_view.setCellPicture(i, pictureOf(i % kColumns, i / kColumns));
}

void Document::picField_Click(int index)
{
    if (index < 0 || index >= kCellCount)
        return;
    const int x = index % kColumns;
    const int y = index / kColumns;
    if (imgMask[x][y] == 1) {
        m_view.beep();
        return;
    }
    imgCell[x][y] = imgCell[x][y] != 0 ? 0 : 1;
    m_view.setCellPicture(index, pictureOf(x, y));
    UpdateDataText();
}

void Document::cmdUpDate_Click()
{
    if (LenientNumber(m_view.widthText()) > 16)
        m_view.setWidthText("16");
    else if (LenientNumber(m_view.widthText()) < 1)
        m_view.setWidthText("1");
    RefreshCells();
    UpdateDataText();
}

void Document::UpdateDataText()
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int bytes = bytesPerRow(width());
    const std::string callsign = m_view.callsignText();

    std::string text;
    text.reserve(callsign.size() + kLineEnd.size()
                 + kBandRows * (2 * static_cast<std::size_t>(bytes) + kLineEnd.size()));
    text += callsign;
    text += kLineEnd;
    for (int r = 0; r < kBandRows; ++r) {
        for (int c = 0; c < bytes; ++c) {
            // Byte column c of image row r: the upper band holds columns 0..7, the lower
            // band (10 rows further down) continues the image with columns 8..15.
            const int row = c < 8 ? r : r + kBandRows;
            const int firstColumn = 8 * (c % 8);
            unsigned value = 0;
            for (int b = 0; b < 8; ++b)
                value = (value << 1) | (imgCell[firstColumn + b][row] != 0 ? 1U : 0U);
            text += kHex[value >> 4];
            text += kHex[value & 0xF];
        }
        text += kLineEnd;
    }
    strSendData = text;
    m_view.setDataText(text);
}

void Document::DecodeDataText(const Lines &lines)
{
    for (auto &column : imgCell)
        column.fill(0);
    const int digits = digitsPerRow(width());
    std::array<int, kDigitsPerRow> values {};
    for (int r = 0; r < kBandRows; ++r) {
        readDigits(lines[r + 1], digits, values);
        for (int j = 0; j < digits; ++j) {
            const int row = j < 16 ? r : r + kBandRows;
            const int firstColumn = 4 * (j % 16);
            for (int k = 0; k < 4; ++k)
                imgCell[firstColumn + k][row]
                    = static_cast<std::int16_t>((values[j] >> (3 - k)) & 1);
        }
    }
}

Document::Snapshot Document::snapshot() const
{
    Snapshot snapshot;
    for (int i = 0; i < kCellCount; ++i) {
        snapshot.cells[i] = imgCell[i % kColumns][i / kColumns] != 0;
        snapshot.mask[i] = imgMask[i % kColumns][i / kColumns] != 0;
    }
    return snapshot;
}

void Document::restore(const Snapshot &snapshot)
{
    for (int i = 0; i < kCellCount; ++i) {
        const int x = i % kColumns;
        const int y = i / kColumns;
        imgCell[x][y] = snapshot.cells[i] ? 1 : 0;
        imgMask[x][y] = snapshot.mask[i] ? 1 : 0;
        m_view.setCellPicture(i, pictureOf(x, y));
    }
}

Picture Document::picture() const
{
    Picture picture;
    for (int i = 0; i < kCellCount; ++i)
        picture.setPixel(Picture::xOfCell(i), Picture::yOfCell(i),
                         imgCell[i % kColumns][i / kColumns] != 0);
    return picture;
}

void Document::setPicture(const Picture &picture)
{
    for (int i = 0; i < kCellCount; ++i) {
        const int x = i % kColumns;
        const int y = i / kColumns;
        imgCell[x][y] = picture.pixel(Picture::xOfCell(i), Picture::yOfCell(i)) ? 1 : 0;
        m_view.setCellPicture(i, pictureOf(x, y));
    }
}

void Document::applyPicture(const Picture &picture, int widthBytes)
{
    setPicture(picture);
    m_view.setWidthText(std::to_string(widthBytes));
    cmdUpDate_Click();
}

bool Document::setCell(int index, bool on)
{
    if (index < 0 || index >= kCellCount || blocked(index))
        return false;
    std::int16_t &cell = imgCell[index % kColumns][index / kColumns];
    if ((cell != 0) == on)
        return false;
    cell = on ? 1 : 0;
    m_view.setCellPicture(index, pictureOf(index % kColumns, index / kColumns));
    return true;
}

bool Document::blocked(int index) const
{
    return index >= 0 && index < kCellCount && imgMask[index % kColumns][index / kColumns] != 0;
}

int Document::openColumns() const
{
    int columns = 0;
    while (columns < Picture::kWidth && !blocked(Picture::cellOf(columns, 0)))
        ++columns;
    return columns;
}

} // namespace qie
