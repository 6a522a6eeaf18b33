// Helpers for the number text tests: ASCII literals as UTF-16 items, a
// formatted value as narrow text and the text it must be, exact bit
// comparison of results.
#pragma once

#include <bit>
#include <charconv>
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

/// What formatNumber must write: std::to_chars's fixed form with four
/// decimals of the widened value (what printf's "%.4f" prints in the "C"
/// locale), except for the not-a-number spelling, which is the Windows
/// runtime's: "-nan(ind)" for its indeterminate value, else "nan" or "-nan".
inline std::string referenceText(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    if ((bits & 0x7fffffffu) > 0x7f800000u) return bits == 0xffc00000u ? "-nan(ind)" : bits >> 31 ? "-nan" : "nan";
    char text[64];
    return {text, std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, 4).ptr};
}

/// Bit patterns, so that zeros of either sign and NaN payloads compare exactly.
inline std::uint64_t bitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }
inline std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }
