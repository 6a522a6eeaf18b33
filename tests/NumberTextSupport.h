// Helpers for the number text tests: ASCII literals as UTF-16 items, a
// formatted value as narrow text, exact bit comparison of results.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "module/NumberFormatter.h"

/// The ASCII text as UTF-16 units.
inline std::u16string widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

/// formatNumber's text, narrowed back (it writes ASCII only).
inline std::string formatted(float value) {
    char16_t units[NumberTextCapacity];
    const std::size_t length = formatNumber(value, units);
    return {units, units + length};
}

/// Bit patterns, so that zeros of either sign and NaN payloads compare exactly.
inline std::uint64_t bitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }
inline std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }
