// SPDX-License-Identifier: MIT
#include "model/Document.h"

#include "model/Characters.h"
#include "model/HexDigits.h"
#include "model/Numbers.h"
#include "model/Picture.h"

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
        digits[j] = std::max(HexDigits::valueOf(line[pos]), 0);
        pos = Characters::next(line, pos);
    }
}

// No code page in use spends more than this many bytes on one character, and a byte-order
// mark is at most 4 bytes: a start of the file's callsign bytes longer than this cannot show
// as the callsign text.
constexpr std::size_t kMaxBytesPerCharacter = 4;
constexpr std::size_t kMaxMarkBytes = 4;

} // namespace

Document::Document(const TextCodec &codec) : m_codec(codec)
{ }

void Document::setView(EditorView *view)
{
    m_view = view;
    showAll();
}

void Document::showCell(int column, int row)
{
    if (m_view)
        m_view->setCellPicture(kColumns * row + column, pictureOf(column, row));
}

void Document::showAll()
{
    if (!m_view)
        return;
    m_view->setWidthText(m_width);
    m_view->setCallsignText(m_callsign);
    m_view->setDataText(strSendData);
    showPending();
    for (int i = 0; i < kCellCount; ++i)
        showCell(i % kColumns, i / kColumns);
}

bool Document::textsPending() const
{
    return m_width != m_widthWritten || m_callsign != m_callsignWritten;
}

void Document::showPending()
{
    if (m_view)
        m_view->setTextsPending(textsPending());
}

void Document::textsWritten()
{
    m_widthWritten = m_width;
    m_callsignWritten = m_callsign;
    showPending();
}

std::size_t Document::boxLength(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = Characters::next(text, pos);
        // Four UTF-8 bytes make a character beyond the 16-bit range: two units of a box.
        units += end - pos >= 4 ? 2 : 1;
        pos = end;
    }
    return units;
}

std::string Document::fitToBox(std::string_view text, std::size_t maxLength)
{
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = Characters::next(text, pos);
        units += boxLength(text.substr(pos, end - pos));
        if (units > maxLength)
            break;
        pos = end;
    }
    return std::string(text.substr(0, pos));
}

void Document::setFileName(std::string_view name)
{
    m_fileName = name;
}

void Document::setWidthText(std::string_view text)
{
    m_width = fitToBox(text, kWidthMaxLength);
    if (m_view)
        m_view->setWidthText(m_width);
    showPending();
}

void Document::setCallsignText(std::string_view text)
{
    m_callsign = fitToBox(text, kCallsignMaxLength);
    if (m_view)
        m_view->setCallsignText(m_callsign);
    showPending();
}

std::string Document::bytesShowing(std::string_view kept, const std::string &text) const
{
    const std::size_t longest
        = std::min(kept.size(), kMaxMarkBytes + kMaxBytesPerCharacter * (text.size() + 1));
    // Longest first, should a code page show a broken sequence cut short as the same text as
    // the whole of it: the whole is what the file had.
    for (std::size_t length = longest + 1; length-- > 0;) {
        if (m_codec.decode(kept.substr(0, length)) == text)
            return std::string(kept.substr(0, length));
    }
    return m_codec.encode(text);
}

std::string Document::callsignBytes() const
{
    return bytesShowing(m_callsignFileBytes, m_callsign);
}

double Document::width() const
{
    if (const auto strict = StrictNumber(m_width))
        return *strict;
    return LenientNumber(m_width);
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
        showCell(i % kColumns, i / kColumns);
}

void Document::picField_Click(int index)
{
    if (index < 0 || index >= kCellCount)
        return;
    const int x = index % kColumns;
    const int y = index / kColumns;
    if (imgMask[x][y] == 1) {
        if (m_view)
            m_view->beep();
        return;
    }
    imgCell[x][y] = imgCell[x][y] != 0 ? 0 : 1;
    showCell(x, y);
    UpdateDataText();
}

void Document::cmdUpDate_Click()
{
    if (LenientNumber(m_width) > kByteColumns)
        setWidthText(std::to_string(kByteColumns));
    else if (LenientNumber(m_width) < 1)
        setWidthText("1");
    RefreshCells();
    UpdateDataText();
}

void Document::UpdateDataText()
{
    const int bytes = bytesPerRow(width());
    const std::string callsign = callsignBytes();

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
            text += HexDigits::kUpper[value >> 4];
            text += HexDigits::kUpper[value & 0xF];
        }
        text += kLineEnd;
    }
    strSendData = std::move(text);
    if (m_view)
        m_view->setDataText(strSendData);
    textsWritten();
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

std::string Document::dataTextOf(const Lines &lines)
{
    std::string text;
    for (const std::string &line : lines) {
        text += line;
        text += kLineEnd;
    }
    return text;
}

// The data text, the width, the callsign, then the cells: the cells are read at the width
// just set, and nothing rewrites the lines as they came.
void Document::take(const Lines &bytes, const Lines &texts)
{
    strSendData = dataTextOf(bytes);
    m_width = fitToBox(widthTextFor(texts[kBandRows]), kWidthMaxLength);
    m_callsignFileBytes = bytes[0];
    m_callsign = fitToBox(texts[0], kCallsignMaxLength);
    DecodeDataText(texts);
    RefreshCells();
    if (m_view) {
        m_view->setWidthText(m_width);
        m_view->setCallsignText(m_callsign);
        m_view->setDataText(strSendData);
    }
    textsWritten();
}

void Document::load(const Lines &fileLines)
{
    Lines texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = m_codec.decode(fileLines[i]);
    take(fileLines, texts);
}

void Document::paste(const Lines &lines)
{
    Lines bytes;
    bytes[0] = bytesShowing(m_callsignFileBytes, lines[0]);
    for (std::size_t i = 1; i < bytes.size(); ++i)
        bytes[i] = m_codec.encode(lines[i]);
    take(bytes, lines);
}

Document::Snapshot Document::snapshot() const
{
    Snapshot snapshot { {},
                        {},
                        m_width,
                        m_callsign,
                        m_callsignFileBytes,
                        strSendData,
                        m_widthWritten,
                        m_callsignWritten };
    for (int i = 0; i < kCellCount; ++i) {
        snapshot.cells[i] = imgCell[i % kColumns][i / kColumns] != 0;
        snapshot.mask[i] = imgMask[i % kColumns][i / kColumns] != 0;
    }
    return snapshot;
}

void Document::restore(const Snapshot &snapshot)
{
    for (int i = 0; i < kCellCount; ++i) {
        imgCell[i % kColumns][i / kColumns] = snapshot.cells[i] ? 1 : 0;
        imgMask[i % kColumns][i / kColumns] = snapshot.mask[i] ? 1 : 0;
    }
    m_width = snapshot.width;
    m_callsign = snapshot.callsign;
    m_callsignFileBytes = snapshot.callsignFileBytes;
    strSendData = snapshot.data;
    m_widthWritten = snapshot.widthWritten;
    m_callsignWritten = snapshot.callsignWritten;
    showAll();
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
        showCell(x, y);
    }
}

void Document::applyPicture(const Picture &picture, int widthBytes)
{
    setPicture(picture);
    setWidthText(std::to_string(widthBytes));
    cmdUpDate_Click();
}

bool Document::setCell(int index, bool on)
{
    if (index < 0 || index >= kCellCount || blocked(index))
        return false;
    const int x = index % kColumns;
    const int y = index / kColumns;
    if ((imgCell[x][y] != 0) == on)
        return false;
    imgCell[x][y] = on ? 1 : 0;
    showCell(x, y);
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
