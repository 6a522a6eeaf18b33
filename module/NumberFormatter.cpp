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

/// The decimal digits of two numbers below 10^4, held in the 32-bit halves
/// of `halves` (the first number in the low half), as 8 bytes 0-9, the
/// first digit lowest: each half splits into hundreds and the rest, each of
/// those into tens and ones, all halves at once (multiplications by
/// reciprocals that are exact in these ranges, and no carry crosses a half).
std::uint64_t digitBytes(std::uint64_t halves) {
    const std::uint64_t hundreds = ((halves * 5243) >> 19) & 0x0000007F0000007F;
    const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);  // 16-bit quarters below 100
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000F;
    return tens | ((pairs - tens * 10) << 8);
}

// 128 bits on the general registers, for a whole short text of bytes.
__extension__ using Bytes16 = unsigned __int128;

/// The usual value: an integer part of at most 8 digits. Its text, at most
/// 14 units, is put together as bytes in registers (sign, the integer
/// part's digits from its first non-zero one, point, four decimals) and
/// widened to UTF-16 with two 16-byte stores: no loop, no branch on the
/// digits, and no reading back of a part written in pieces, which would
/// stall the processor longer than the writing itself takes.
std::size_t writeShort(unsigned sign, std::uint32_t integerPart, unsigned decimals,
                       std::span<char16_t, NumberTextCapacity> out) {
    const std::uint64_t integerDigits = digitBytes((integerPart / 10000) | (std::uint64_t{integerPart % 10000} << 32));
    // Leading zero digits are zero bytes at the low end; the last digit stays
    // (the set bit stands in for it, so that 0 needs no branch either).
    const auto leadingZeros = static_cast<unsigned>(std::countr_zero(integerDigits | std::uint64_t{1} << 56)) / 8;
    const std::uint64_t integerText = (integerDigits | 0x3030303030303030) >> (8 * leadingZeros);
    const std::uint64_t tail = u'.' | ((digitBytes(decimals) | 0x30303030) << 8);  // ".dddd"
    // The sign (0 or 1) is used as a number: a branch on it would be
    // mispredicted half the time on a list's values.
    const unsigned tailAt = sign + 8 - leadingZeros;
    const Bytes16 text = (Bytes16{integerText} << (8 * sign)) | (sign * u'-') | (Bytes16{tail} << (8 * tailAt));

    const __m128i bytes = _mm_set_epi64x(static_cast<long long>(text >> 64), static_cast<long long>(text));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + 8), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
    return tailAt + 5;
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
            const std::uint64_t product = significand * 10000;
            scaled = product >> shift;
            const std::uint64_t rest = product & ((std::uint64_t{1} << shift) - 1);
            const std::uint64_t half = std::uint64_t{1} << (shift - 1);
            // Without a branch: which way a list's values round follows no pattern.
            scaled += static_cast<std::uint64_t>((rest > half) | ((rest == half) & ((scaled & 1) != 0)));
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
