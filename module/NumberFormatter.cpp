#include "module/NumberFormatter.h"

#include <algorithm>
#include <charconv>

// std::to_chars with a precision prints what printf prints for the matching
// conversion in the "C" locale, and never reads the locale or allocates.

std::size_t formatNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept {
    char text[NumberTextCapacity];
    // Cannot fail: the capacity holds the longest result, -FLT_MAX.
    const char* end = std::to_chars(text, text + NumberTextCapacity, static_cast<double>(value),
                                    std::chars_format::fixed, 4).ptr;
    std::transform(static_cast<const char*>(text), end, out.begin(), [](char c) { return static_cast<char16_t>(c); });
    return static_cast<std::size_t>(end - text);
}
