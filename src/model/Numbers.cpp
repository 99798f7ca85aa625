// SPDX-License-Identifier: MIT
#include "model/Numbers.h"

#include "model/HexDigits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace qie {
namespace {

constexpr long long kExponentCap = 1'000'000'000'000'000;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitValue(char c, int base)
{
    const int v = HexDigits::valueOf(c);
    return v < base ? v : -1;
}

// Scans a number from the start of `s` and tells how many characters it used, so that the
// lenient reader can stop anywhere and the strict one can insist that everything was used.
struct Scan
{
    double value = 0.0;
    std::size_t used = 0; // characters that belong to the number
    bool hasDigits = false;
};

Scan scanRadix(std::string_view s)
{
    // s starts with '&'; the caller has checked the letter.
    const int base = (s[1] == 'h' || s[1] == 'H') ? 16 : 8;
    Scan r;
    r.used = 2;
    while (r.used < s.size()) {
        const int v = digitValue(s[r.used], base);
        if (v < 0)
            break;
        r.value = r.value * base + v;
        r.hasDigits = true;
        ++r.used;
    }
    return r;
}

// The double nearest to <intPart><fracPart> x 10^(exponent - fracPart.size()), rounded once,
// so that 0.1 reads as the double nearest to 0.1 and not as a sum of rounding errors.
double decimalValue(std::string_view intPart, std::string_view fracPart, long long exponent)
{
    const long long scale = exponent - static_cast<long long>(fracPart.size());
    std::size_t leadingZeros = intPart.find_first_not_of('0');
    if (leadingZeros == std::string_view::npos) {
        leadingZeros = intPart.size() + std::min(fracPart.find_first_not_of('0'), fracPart.size());
    }
    const std::size_t significant = intPart.size() + fracPart.size() - leadingZeros;
    if (significant == 0)
        return 0.0;

    // Exact fast path: up to 15 digits and a power of ten up to 1e22 are both exact doubles,
    // so one multiplication or division rounds correctly.
    if (significant <= 15 && scale >= -22 && scale <= 22) {
        static constexpr double kPowers[]
            = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
        double m = 0.0;
        for (char c : intPart)
            m = m * 10.0 + (c - '0');
        for (char c : fracPart)
            m = m * 10.0 + (c - '0');
        return scale >= 0 ? m * kPowers[scale] : m / kPowers[-scale];
    }

    // "<digits>e<scale>" has no decimal point, so neither conversion depends on the locale.
    // A short literal is built on the stack: this path serves every long typed number.
    std::array<char, 96> small {};
    std::string large;
    const std::string exponentText = std::to_string(scale);
    const std::size_t length = intPart.size() + fracPart.size() + 1 + exponentText.size();
    char *literal = small.data();
    if (length >= small.size()) {
        large.resize(length);
        literal = large.data();
    }
    char *out = std::copy(intPart.begin(), intPart.end(), literal);
    out = std::copy(fracPart.begin(), fracPart.end(), out);
    *out++ = 'e';
    out = std::copy(exponentText.begin(), exponentText.end(), out);
    *out = '\0';
    double value = 0.0;
    if (std::from_chars(literal, out, value).ec == std::errc())
        return value;
    // Out of range: strtod gives the infinity of an overflow and the denormal or zero of an
    // underflow, where from_chars gives nothing.
    return std::strtod(literal, nullptr);
}

Scan scanDecimal(std::string_view s)
{
    Scan r;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t intStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::string_view intPart = s.substr(intStart, i - intStart);
    std::string_view fracPart;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        fracPart = s.substr(i + 1, j - i - 1);
        if (!intPart.empty() || !fracPart.empty())
            i = j;
    }
    if (intPart.empty() && fracPart.empty())
        return r; // no number at all: nothing used
    r.hasDigits = true;

    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            expNegative = s[j] == '-';
            ++j;
        }
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j])) {
                // Saturate far beyond any text length, so that a long fraction can still
                // pull a large exponent back into range ("0.<1000000 zeros>1e1000003" is 100).
                if (exponent < kExponentCap)
                    exponent = exponent * 10 + (s[j] - '0');
                ++j;
            }
            if (expNegative)
                exponent = -exponent;
            i = j;
        }
    }
    r.used = i;
    r.value = decimalValue(intPart, fracPart, exponent);
    if (negative)
        r.value = -r.value;
    return r;
}

bool startsRadix(std::string_view s)
{
    return s.size() >= 2 && s[0] == '&'
        && (s[1] == 'h' || s[1] == 'H' || s[1] == 'o' || s[1] == 'O');
}

} // namespace

double LenientNumber(std::string_view text)
{
    // Blanks anywhere are dropped first; a short text is compacted on the stack. A plain
    // loop: find_first_of with a set costs a library call per character.
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    std::array<char, 64> small {};
    std::string large;
    std::string_view compact = text;
    if (std::any_of(text.begin(), text.end(), isBlank)) {
        char *out = small.data();
        if (text.size() > small.size()) {
            large.resize(text.size());
            out = large.data();
        }
        const char *begin = out;
        out = std::remove_copy_if(text.begin(), text.end(), out, isBlank);
        compact = std::string_view(begin, static_cast<std::size_t>(out - begin));
    }
    const Scan r = startsRadix(compact) ? scanRadix(compact) : scanDecimal(compact);
    return r.value;
}

std::optional<double> StrictNumber(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    const std::string_view s = text.substr(first, last - first);
    if (s.empty())
        return std::nullopt;
    const Scan r = startsRadix(s) ? scanRadix(s) : scanDecimal(s);
    if (!r.hasDigits || r.used != s.size() || !std::isfinite(r.value))
        return std::nullopt;
    return r.value;
}

std::optional<std::int16_t> RoundHalfEven(double x)
{
    if (std::isnan(x))
        return std::nullopt;
    const double floor = std::floor(x);
    const double diff = x - floor;
    double rounded = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        rounded = floor + 1.0;
    if (rounded < std::numeric_limits<std::int16_t>::min()
        || rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

} // namespace qie
