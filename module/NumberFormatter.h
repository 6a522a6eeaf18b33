// Writes one value of the number list as text, the way the Windows C
// runtime's "%.4f" writes it in the classic locale, whatever locale the
// process has and on every platform we build for. CorvaneGui's list text
// formats each float into its own small text and joins the texts with commas.
#pragma once

#include <cstddef>
#include <span>

/// Room for the longest text formatNumber writes: a minus sign, the 39
/// integer digits of the largest float, the point and four decimals.
inline constexpr std::size_t NumberTextCapacity = 45;

/// Writes `value`, widened to double, in fixed notation with four decimals
/// (the exact binary value rounded to nearest, ties to even): no plus sign,
/// no grouping, no exponent, '.' as the point; "-0.0000" for negative values
/// that round to zero; "inf", "-inf"; a NaN "nan" or "-nan" by its sign,
/// except the runtime's indeterminate value (0xFFC00000), "-nan(ind)", which
/// reads back as the same value. Answers the number of units of the text,
/// written to the front of `out`; the units after it, within the capacity,
/// may be overwritten too.
std::size_t formatNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept;
