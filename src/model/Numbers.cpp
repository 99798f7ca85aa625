// SPDX-License-Identifier: MIT
#include "model/Numbers.h"

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
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v >= 0 && v < base ? v : -1;
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

Scan scanDecimal(std::string_view s)
{
    Scan r;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Digits are collected as text and converted once, so that 0.1 reads as the double
    // nearest to 0.1 and not as an accumulation of rounding errors.
    std::string mantissa;
    std::size_t intDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        mantissa += s[i++];
        ++intDigits;
    }
    std::size_t fracDigits = 0;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && isDigit(s[j])) {
            mantissa += s[j++];
            ++fracDigits;
        }
        if (intDigits + fracDigits > 0)
            i = j;
    }
    if (intDigits + fracDigits == 0)
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

    const long long scale = exponent - static_cast<long long>(fracDigits);
    // Exact fast path: up to 15 digits and a power of ten up to 1e22 are both exact doubles,
    // so one multiplication or division rounds correctly, as strtod would.
    if (mantissa.size() <= 15 && scale >= -22 && scale <= 22) {
        static constexpr double kPowers[]
            = { 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
        double m = 0.0;
        for (char c : mantissa)
            m = m * 10.0 + (c - '0');
        r.value = scale >= 0 ? m * kPowers[scale] : m / kPowers[-scale];
        if (negative)
            r.value = -r.value;
        return r;
    }
    std::string literal = mantissa;
    literal += 'e';
    literal += std::to_string(scale);
    r.value = std::strtod(literal.c_str(), nullptr);
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
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            compact += c;
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
