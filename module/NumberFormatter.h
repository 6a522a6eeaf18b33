// Writes one value of the number list as text, the way the Windows C
// runtime's "%.4f" writes it in the classic locale, whatever locale the
// process has and on every platform we build for. CorvaneGui's list text
// formats each float into its own small text and joins the texts with commas;
// the usual value (below 2^26) is written inline, so that a whole list
// costs no call per value.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

#include <emmintrin.h>

#include "platform/Compiler.h"

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
inline std::size_t formatNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept;

/// formatNumber for NaNs, infinities and values of 2^26 and up (and any
/// other value, through formatNumber).
std::size_t formatUnusualNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept;

namespace number_format {

/// The biased exponent of 2^26, from which formatNumber leaves values to formatUnusualNumber.
inline constexpr std::uint32_t FirstUnusualExponent = 127 + 26;

/// The decimal digits of up to four numbers below 10^4, one in each 16-bit
/// lane of `groups` (the first lowest), as bytes 0-9 with the first digit
/// lowest: each lane splits into hundreds and the rest, each of those into
/// tens and ones, all lanes at once (multiplications by reciprocals that
/// are exact in these ranges).
inline __m128i digitBytes(std::uint64_t groups) {
    // The factors are hidden from the optimiser so that it keeps each
    // multiplication one instruction instead of a longer run of shifts and
    // additions: a list formats value after value, so throughput counts.
    __m128i hundred = _mm_set1_epi16(100);
    __m128i ten = _mm_set1_epi16(10);
    CORVANE_OPAQUE_VECTOR(hundred);
    CORVANE_OPAQUE_VECTOR(ten);
    const __m128i numbers = _mm_cvtsi64_si128(static_cast<long long>(groups));
    const __m128i hundreds = _mm_srli_epi16(_mm_mulhi_epu16(numbers, _mm_set1_epi16(5243)), 3);
    const __m128i belowHundred = _mm_sub_epi16(numbers, _mm_mullo_epi16(hundreds, hundred));
    const __m128i pairs = _mm_unpacklo_epi16(hundreds, belowHundred);  // numbers below 100, in order
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
    const __m128i ones = _mm_sub_epi16(pairs, _mm_mullo_epi16(tens, ten));
    return _mm_or_si128(tens, _mm_slli_epi16(ones, 8));
}

/// Stores 8 bytes as 8 UTF-16 units at `at`.
inline void storeUnits(std::uint64_t bytes, char16_t* at) {
    const __m128i narrow = _mm_cvtsi64_si128(static_cast<long long>(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_unpacklo_epi8(narrow, _mm_setzero_si128()));
}

/// The usual value: an integer part of at most 8 digits. All 12 digits are
/// made at once; the text goes out in three stores whose places follow the
/// sign and the number of digits: a minus sign at the front, the integer
/// digits from the first non-zero one at the front or after the sign, then
/// the point and decimals. No loop, no branch on the digits or the sign,
/// which follow no pattern in a list, and no reading back of anything
/// written in pieces, which would stall longer than the writing takes.
inline std::size_t writeShort(unsigned sign, std::uint32_t integerPart, unsigned decimals,
                       std::span<char16_t, NumberTextCapacity> out) {
    const std::uint64_t groups = (integerPart / 10000) | (std::uint64_t{integerPart % 10000} << 16) |
                                 (std::uint64_t{decimals} << 32);
    const __m128i digits = digitBytes(groups);
    const auto integerDigits = static_cast<std::uint64_t>(_mm_cvtsi128_si64(digits));
    // Leading zero digits are zero bytes at the low end; the last digit stays
    // (the set bit stands in for it, so that 0 needs no branch either).
    const auto leadingZeros = static_cast<unsigned>(std::countr_zero(integerDigits | std::uint64_t{1} << 56)) / 8;
    const auto decimalDigits = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(digits, 8)));

    out[0] = u'-';  // written over by the digits when there is no sign
    char16_t* const integerAt = out.data() + sign;
    storeUnits((integerDigits | 0x3030303030303030) >> (8 * leadingZeros), integerAt);
    char16_t* const pointAt = integerAt + 8 - leadingZeros;
    storeUnits(u'.' | (std::uint64_t{decimalDigits | 0x30303030} << 8), pointAt);
    return static_cast<std::size_t>(pointAt + 5 - out.data());
}

}  // namespace number_format

// A finite float is m * 2^e with m below 2^24. For e < 0 the value times
// 10^4 is m * 10^4 / 2^-e, whose numerator is below 2^38: one 64-bit
// product and a shift give the four decimals rounded to nearest, ties to
// even, exactly as printf rounds; for 0 <= e < 3 the value is an integer.
inline std::size_t formatNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t biasedExponent = (bits >> 23) & 0xFFu;
    if (biasedExponent >= number_format::FirstUnusualExponent) return formatUnusualNumber(value, out);
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    const std::uint64_t significand = biasedExponent != 0 ? fraction | 0x800000u : fraction;
    const int exponent = biasedExponent != 0 ? static_cast<int>(biasedExponent) - 150 : -149;
    std::uint64_t scaled = 0;  // the value times 10^4, rounded
    if (exponent >= 0) {
        scaled = (significand << exponent) * 10000;
    } else if (exponent > -64) {  // from a shift of 64 it stays 0: the product is far below half of 2^shift
        const auto shift = static_cast<unsigned>(-exponent);
        const std::uint64_t product = significand * 10000;  // below 2^38
        // To nearest, ties to even, without a branch (which way a list's
        // values round follows no pattern): adding just under a half, or
        // a full half when the quotient is odd, carries exactly when the
        // rest is above the half, or at it with an odd quotient.
        const std::uint64_t odd = (product >> shift) & 1;
        scaled = (product + (std::uint64_t{1} << (shift - 1)) - 1 + odd) >> shift;
    }
    return number_format::writeShort(bits >> 31, static_cast<std::uint32_t>(scaled / 10000),
                                     static_cast<unsigned>(scaled % 10000), out);
}
