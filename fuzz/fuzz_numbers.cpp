// SPDX-License-Identifier: MIT
#include "model/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace qie;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The nearest integer with ties to even, the whole contract; nullopt exactly when that
// integer does not fit 16 bits or x is NaN.
void checkRounding(double x)
{
    const auto r = RoundHalfEven(x);
    if (std::isnan(x) || x >= 32767.5 || x < -32768.5) {
        check(!r);
        return;
    }
    check(r.has_value());
    const double diff = std::fabs(x - *r);
    check(diff <= 0.5);
    if (diff == 0.5)
        check(*r % 2 == 0);
    check(*r == std::nearbyint(x));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);

    const double lenient = LenientNumber(text);
    check(!std::isnan(lenient));

    // Whatever StrictNumber accepts is a finite number that the lenient reader, which only
    // drops blanks more freely, reads the same.
    if (const auto strict = StrictNumber(text)) {
        check(std::isfinite(*strict));
        check(*strict == lenient);
        check(text.find_first_of("0123456789ABCDEFabcdef") != std::string_view::npos);
        // A decimal literal reads as the C library reads it in the "C" locale.
        const std::string literal(text);
        if (literal.find('&') == std::string::npos)
            check(*strict == std::strtod(literal.c_str(), nullptr));
    }

    checkRounding(lenient);
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        checkRounding(raw);
    }
    return 0;
}
