// SPDX-License-Identifier: MIT
#include "model/PixelFont.h"

#include <array>
#include <string_view>

namespace qie {
namespace {

constexpr char32_t kFirst = U' ';
constexpr char32_t kLast = U'~';
constexpr char32_t kReplacement = U'?';

// One glyph per printable ASCII character, from the space on: its rows from row 1 down,
// separated by '/', '#' for an on pixel. Rows not given are blank; every row of a glyph has
// the glyph's width.
constexpr std::array<std::string_view, kLast - kFirst + 1> kGlyphs = {
    "...", // space
    "#/#/#/#/#/./#", // !
    "#.#/#.#", // "
    ".#.#./.#.#./#####/.#.#./#####/.#.#./.#.#.", // #
    "..#../.####/#.#../.###./..#.#/####./..#..", // $
    "##.../##..#/...#./..#../.#.../#..##/...##", // %
    ".##../#..#./#.#../.#.../#.#.#/#..#./.##.#", // &
    "#/#", // '
    "..#/.#./#../#../#../.#./..#", // (
    "#../.#./..#/..#/..#/.#./#..", // )
    "...../..#../#.#.#/.###./#.#.#/..#..", // *
    "...../..#../..#../#####/..#../..#..", // +
    "../../../../../.#/.#/#.", // ,
    "..../..../..../####", // -
    "././././././#", // .
    "....#/....#/...#./..#../.#.../#..../#....", // /
    ".###./#...#/#..##/#.#.#/##..#/#...#/.###.", // 0
    ".#./##./.#./.#./.#./.#./###", // 1
    ".###./#...#/....#/...#./..#../.#.../#####", // 2
    "#####/...#./..#../...#./....#/#...#/.###.", // 3
    "...#./..##./.#.#./#..#./#####/...#./...#.", // 4
    "#####/#..../####./....#/....#/#...#/.###.", // 5
    "..##./.#.../#..../####./#...#/#...#/.###.", // 6
    "#####/....#/...#./..#../.#.../.#.../.#...", // 7
    ".###./#...#/#...#/.###./#...#/#...#/.###.", // 8
    ".###./#...#/#...#/.####/....#/...#./.##..", // 9
    "./././#/././#", // :
    "../../../.#/../../.#/#.", // ;
    "...#/..#./.#../#.../.#../..#./...#", // <
    "..../..../####/..../####", // =
    "#.../.#../..#./...#/..#./.#../#...", // >
    ".###./#...#/....#/...#./..#../...../..#..", // ?
    ".###./#...#/#.###/#.#.#/#.###/#..../.####", // @
    ".###./#...#/#...#/#####/#...#/#...#/#...#", // A
    "####./#...#/#...#/####./#...#/#...#/####.", // B
    ".###./#...#/#..../#..../#..../#...#/.###.", // C
    "####./#...#/#...#/#...#/#...#/#...#/####.", // D
    "#####/#..../#..../####./#..../#..../#####", // E
    "#####/#..../#..../####./#..../#..../#....", // F
    ".###./#...#/#..../#.###/#...#/#...#/.####", // G
    "#...#/#...#/#...#/#####/#...#/#...#/#...#", // H
    "###/.#./.#./.#./.#./.#./###", // I
    "..###/...#./...#./...#./...#./#..#./.##..", // J
    "#...#/#..#./#.#../##.../#.#../#..#./#...#", // K
    "#.../#.../#.../#.../#.../#.../####", // L
    "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#", // M
    "#...#/#...#/##..#/#.#.#/#..##/#...#/#...#", // N
    ".###./#...#/#...#/#...#/#...#/#...#/.###.", // O
    "####./#...#/#...#/####./#..../#..../#....", // P
    ".###./#...#/#...#/#...#/#.#.#/#..#./.##.#", // Q
    "####./#...#/#...#/####./#.#../#..#./#...#", // R
    ".####/#..../#..../.###./....#/....#/####.", // S
    "#####/..#../..#../..#../..#../..#../..#..", // T
    "#...#/#...#/#...#/#...#/#...#/#...#/.###.", // U
    "#...#/#...#/#...#/#...#/#...#/.#.#./..#..", // V
    "#...#/#...#/#...#/#.#.#/#.#.#/#.#.#/.#.#.", // W
    "#...#/#...#/.#.#./..#../.#.#./#...#/#...#", // X
    "#...#/#...#/.#.#./..#../..#../..#../..#..", // Y
    "#####/....#/...#./..#../.#.../#..../#####", // Z
    "###/#../#../#../#../#../###", // [
    "#..../#..../.#.../..#../...#./....#/....#", // backslash
    "###/..#/..#/..#/..#/..#/###", // ]
    "..#../.#.#./#...#", // ^
    "...../...../...../...../...../...../...../#####", // _
    "#./.#", // `
    "..../..../.##./...#/.###/#..#/.###", // a
    "#.../#.../###./#..#/#..#/#..#/###.", // b
    "..../..../.###/#.../#.../#.../.###", // c
    "...#/...#/.###/#..#/#..#/#..#/.###", // d
    "..../..../.##./#..#/####/#.../.###", // e
    ".##/.#./###/.#./.#./.#./.#.", // f
    "..../..../.###/#..#/#..#/#..#/.###/...#/###.", // g
    "#.../#.../###./#..#/#..#/#..#/#..#", // h
    "#/./#/#/#/#/#", // i
    "..#/.../..#/..#/..#/..#/..#/..#/##.", // j
    "#.../#.../#..#/#.#./##../#.#./#..#", // k
    "#./#./#./#./#./#./.#", // l
    "...../...../####./#.#.#/#.#.#/#.#.#/#.#.#", // m
    "..../..../###./#..#/#..#/#..#/#..#", // n
    "..../..../.##./#..#/#..#/#..#/.##.", // o
    "..../..../###./#..#/#..#/#..#/###./#.../#...", // p
    "..../..../.###/#..#/#..#/#..#/.###/...#/...#", // q
    "..../..../#.##/##../#.../#.../#...", // r
    "..../..../.###/#.../.##./...#/###.", // s
    ".#./.#./###/.#./.#./.#./..#", // t
    "..../..../#..#/#..#/#..#/#..#/.###", // u
    "...../...../#...#/#...#/#...#/.#.#./..#..", // v
    "...../...../#...#/#...#/#.#.#/#.#.#/.#.#.", // w
    "..../..../#..#/#..#/.##./#..#/#..#", // x
    "..../..../#..#/#..#/#..#/#..#/.###/...#/.##.", // y
    "..../..../####/...#/.##./#.../####", // z
    "..#/.#./.#./#../.#./.#./..#", // {
    "#/#/#/#/#/#/#/#/#", // |
    "#../.#./.#./..#/.#./.#./#..", // }
    "...../...../.#.../#.#.#/...#.", // ~
};

constexpr int kFirstRow = 1;

constexpr int widthOf(std::string_view glyph)
{
    const auto end = glyph.find('/');
    return static_cast<int>(end == std::string_view::npos ? glyph.size() : end);
}

// Every glyph has rows of one width and fits the 10 rows.
constexpr bool wellFormed()
{
    for (const std::string_view glyph : kGlyphs) {
        const int width = widthOf(glyph);
        int rows = 0;
        std::size_t start = 0;
        while (true) {
            const auto end = glyph.find('/', start);
            const auto row = glyph.substr(start, end == std::string_view::npos ? end : end - start);
            if (static_cast<int>(row.size()) != width)
                return false;
            for (const char c : row) {
                if (c != '#' && c != '.')
                    return false;
            }
            ++rows;
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
        if (width < 1 || kFirstRow + rows > PixelFont::kHeight)
            return false;
    }
    return true;
}
static_assert(wellFormed(), "a glyph of the pixel font is malformed");

std::string_view glyphOf(char32_t c)
{
    if (c < kFirst || c > kLast)
        c = kReplacement;
    return kGlyphs[c - kFirst];
}

} // namespace

int PixelFont::glyphWidth(char32_t c)
{
    return widthOf(glyphOf(c));
}

bool PixelFont::glyphPixel(char32_t c, int x, int y)
{
    const std::string_view glyph = glyphOf(c);
    const int width = widthOf(glyph);
    if (x < 0 || x >= width || y < kFirstRow || y >= kHeight)
        return false;
    // Rows are width characters plus one separator apart.
    const auto at = static_cast<std::size_t>(y - kFirstRow) * static_cast<std::size_t>(width + 1)
        + static_cast<std::size_t>(x);
    return at < glyph.size() && glyph[at] == '#';
}

int PixelFont::measure(std::u32string_view text)
{
    int columns = 0;
    for (const char32_t c : text)
        columns += glyphWidth(c) + kGapColumns;
    return text.empty() ? 0 : columns - kGapColumns;
}

int PixelFont::render(std::u32string_view text, Picture &picture)
{
    picture = Picture();
    int left = 0;
    for (const char32_t c : text) {
        const int width = glyphWidth(c);
        for (int x = 0; x < width && left + x < Picture::kWidth; ++x) {
            for (int y = kFirstRow; y < kHeight; ++y) {
                if (glyphPixel(c, x, y))
                    picture.setPixel(left + x, y, true);
            }
        }
        left += width + kGapColumns;
    }
    return text.empty() ? 0 : left - kGapColumns;
}

} // namespace qie
