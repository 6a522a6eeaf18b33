#include "module/NumberFormatter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <string_view>

#include <emmintrin.h>

// A finite float is m * 2^e with m below 2^24. For e < 0 the value times
// 10^4 is m * 10^4 / 2^-e, whose numerator is below 2^38: one 64-bit
// product, a shift and the remainder give the four decimals rounded to
// nearest, ties to even, exactly as printf rounds. For e >= 0 the value is
// an integer and the decimals are zeros; up to e = 39 it fits 64 bits. Only
// larger magnitudes (2^63 and up) go to std::to_chars, which prints what
// printf prints in the "C" locale and never reads the locale. Integer parts
// below 10^8, the usual ones, are written by writeShort, the rest pair by
// pair from the back.

namespace {

constexpr std::array<char16_t, 200> makeDigitPairs() {
    std::array<char16_t, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * static_cast<std::size_t>(i)] = static_cast<char16_t>(u'0' + i / 10);
        pairs[2 * static_cast<std::size_t>(i) + 1] = static_cast<char16_t>(u'0' + i % 10);
    }
    return pairs;
}
constexpr std::array<char16_t, 200> digitPairs = makeDigitPairs();

/// Writes the two digits of `pair` (below 100) just before `end`.
char16_t* writePairBefore(unsigned pair, char16_t* end) {
    end -= 2;
    end[0] = digitPairs[2 * pair];
    end[1] = digitPairs[2 * pair + 1];
    return end;
}

/// Writes `value` in decimal, no leading zeros ("0" for 0), ending just
/// before `end`; answers where it begins.
char16_t* writeIntegerBefore(std::uint64_t value, char16_t* end) {
    while (value >= 100) {
        end = writePairBefore(static_cast<unsigned>(value % 100), end);
        value /= 100;
    }
    if (value >= 10) return writePairBefore(static_cast<unsigned>(value), end);
    *--end = static_cast<char16_t>(u'0' + value);
    return end;
}

/// The number of decimal digits of `value`, 1 for 0.
std::size_t integerDigits(std::uint64_t value) {
    std::size_t digits = 1;
    for (; value >= 10000; value /= 10000) digits += 4;
    return digits + (value >= 10) + (value >= 100) + (value >= 1000);
}

std::size_t writeWord(std::u16string_view word, std::span<char16_t, NumberTextCapacity> out) {
    std::copy(word.begin(), word.end(), out.begin());
    return word.size();
}

/// The decimal digits of up to four numbers below 10^4, one in each 16-bit
/// lane of `groups` (the first lowest), as bytes 0-9 with the first digit
/// lowest: each lane splits into hundreds and the rest, each of those into
/// tens and ones, all lanes at once (multiplications by reciprocals that
/// are exact in these ranges).
__m128i digitBytes(std::uint64_t groups) {
    const __m128i numbers = _mm_cvtsi64_si128(static_cast<long long>(groups));
    const __m128i hundreds = _mm_srli_epi16(_mm_mulhi_epu16(numbers, _mm_set1_epi16(5243)), 3);
    const __m128i belowHundred = _mm_sub_epi16(numbers, _mm_mullo_epi16(hundreds, _mm_set1_epi16(100)));
    const __m128i pairs = _mm_unpacklo_epi16(hundreds, belowHundred);  // numbers below 100, in order
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
    const __m128i ones = _mm_sub_epi16(pairs, _mm_mullo_epi16(tens, _mm_set1_epi16(10)));
    return _mm_or_si128(tens, _mm_slli_epi16(ones, 8));
}

/// Stores 8 bytes as 8 UTF-16 units at `at`.
void storeUnits(std::uint64_t bytes, char16_t* at) {
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
std::size_t writeShort(unsigned sign, std::uint32_t integerPart, unsigned decimals,
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

/// The fixed form of the widened value through std::to_chars.
std::size_t writeWide(float value, std::span<char16_t, NumberTextCapacity> out) {
    char text[NumberTextCapacity];
    // Cannot fail: the capacity holds the longest result, -FLT_MAX.
    const char* end = std::to_chars(text, text + NumberTextCapacity, static_cast<double>(value),
                                    std::chars_format::fixed, 4).ptr;
    std::transform(static_cast<const char*>(text), end, out.begin(), [](char c) { return static_cast<char16_t>(c); });
    return static_cast<std::size_t>(end - text);
}

// The runtime's indeterminate value, which it alone spells out.
constexpr std::uint32_t IndeterminateBits = 0xFFC00000u;

}  // namespace

std::size_t formatNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const std::uint32_t biasedExponent = (bits >> 23) & 0xFFu;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    if (biasedExponent == 0xFF) {
        if (fraction == 0) return writeWord(negative ? u"-inf" : u"inf", out);
        if (bits == IndeterminateBits) return writeWord(u"-nan(ind)", out);
        return writeWord(negative ? u"-nan" : u"nan", out);
    }
    const std::uint64_t significand = biasedExponent != 0 ? fraction | 0x800000u : fraction;
    const int exponent = biasedExponent != 0 ? static_cast<int>(biasedExponent) - 150 : -149;

    std::uint64_t integerPart = 0;
    unsigned decimals = 0;  // the four digits after the point
    if (exponent >= 0) {
        if (exponent >= 40) return writeWide(value, out);
        integerPart = significand << exponent;
    } else {
        const auto shift = static_cast<unsigned>(-exponent);
        std::uint64_t scaled = 0;  // stays 0 from a shift of 64: the product is far below half of 2^shift
        if (shift < 64) {
            const std::uint64_t product = significand * 10000;  // below 2^38
            // To nearest, ties to even, without a branch (which way a list's
            // values round follows no pattern): adding just under a half, or
            // a full half when the quotient is odd, carries exactly when the
            // rest is above the half, or at it with an odd quotient.
            const std::uint64_t odd = (product >> shift) & 1;
            scaled = (product + (std::uint64_t{1} << (shift - 1)) - 1 + odd) >> shift;
        }
        integerPart = scaled / 10000;
        decimals = static_cast<unsigned>(scaled % 10000);
    }

    if (integerPart < 100000000) return writeShort(bits >> 31, static_cast<std::uint32_t>(integerPart), decimals, out);

    // Written from the back, straight into `out`: the length is known first.
    const std::size_t length = (negative ? 1 : 0) + integerDigits(integerPart) + 5;
    char16_t* begin = writePairBefore(decimals % 100, out.data() + length);
    begin = writePairBefore(decimals / 100, begin);
    *--begin = u'.';
    begin = writeIntegerBefore(integerPart, begin);
    if (negative) *--begin = u'-';
    return length;
}
