// The usual number of a list, ASCII digits with at most one point, read with
// one look at 16 units and converted exactly, with SSE2 (part of every
// x86-64) and no branch per digit: mispredicted loop exits would cost more
// than the digits themselves. NumberParser tries it first for any number;
// the list parser calls it inline for each item, so that the usual item
// costs no call and its end (the comma) is known from the same look. The
// digit helpers also serve NumberParser's longer decimals, eight at a time.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <emmintrin.h>

namespace ascii_digits {

/// The first unit above ASCII that the Windows runtime reads as a digit
/// (the Arabic-Indic zero); no short decimal is followed by one.
inline constexpr char16_t FirstUnicodeDigit = 0x0660;

inline constexpr std::array<std::uint64_t, 20> integerPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}();

/// 10^0 to 10^22, the powers of ten a double holds exactly.
inline constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// The same powers with either sign: [1][k] is -10^k. A division by a
/// negative power gives the negated quotient, rounded alike, and -0.0 for a
/// zero, so a sign costs no operation of its own.
inline constexpr auto signedPowersOfTen = [] {
    std::array<std::array<double, 32>, 2> powers{};  // 32: rows a shift apart
    for (std::size_t k = 0; k < 23; ++k) {
        powers[0][k] = exactPowersOfTen[k];
        powers[1][k] = -exactPowersOfTen[k];
    }
    return powers;
}();

/// For a point in lane p of the window (16: none), the power of ten that
/// puts it back, 10^(16 - p), with either sign as above ([1][p] negative).
inline constexpr auto pointDivisors = [] {
    std::array<std::array<double, 32>, 2> divisors{};  // 32: rows a shift apart
    for (std::size_t p = 0; p <= 16; ++p) {
        divisors[0][p] = exactPowersOfTen[16 - p];
        divisors[1][p] = -exactPowersOfTen[16 - p];
    }
    return divisors;
}();

/// For each lane n below 16: the lanes below it set. None for 16, the lane
/// that stands for "not in the window".
inline constexpr auto lanesBelow = [] {
    std::array<unsigned, 17> masks{};
    for (std::size_t n = 0; n < 16; ++n) masks[n] = (1u << n) - 1;
    return masks;
}();

inline __m128i load8(const char16_t* units) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units)); }

/// The lanes less '0'.
inline __m128i digitValues(__m128i units) { return _mm_sub_epi16(units, _mm_set1_epi16(0x30)); }

/// All ones in the lanes of digitValues that are ASCII digits (below 10 unsigned:
/// a signed comparison with the sign bits flipped).
inline __m128i digitLanes(__m128i values) {
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    return _mm_cmplt_epi16(_mm_xor_si128(values, flip), _mm_set1_epi16(static_cast<short>(0x8000 + 10)));
}

/// The number the first `count` (1 to 8) lanes of digitValues write.
inline std::uint64_t digitsValue(__m128i values, unsigned count) {
    // One byte per digit, the first in the lowest; shifted up so that the
    // run ends in the top byte and the bytes below it are zero digits (what
    // followed the run leaves through the top).
    std::uint64_t digits = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(values, values)));
    digits <<= 8 * (8 - count);
    // Eight digits to a number: pairs, then fours, then the eight.
    digits = digits * 10 + (digits >> 8);
    constexpr std::uint64_t pairs = 0x000000FF000000FF;
    return (((digits & pairs) * (100 + (std::uint64_t{1000000} << 32))) +
            (((digits >> 16) & pairs) * (1 + (std::uint64_t{10000} << 32)))) >> 32;
}

}  // namespace ascii_digits

/// A short decimal's magnitude and the units it took.
struct ShortDecimal {
    double magnitude;
    std::size_t end;
};

namespace ascii_digits {

/// 16 lanes of 16 bits, aligned for two vector loads.
struct alignas(16) Lanes16 {
    std::int16_t lanes[16];
    __m128i half(std::size_t which) const { return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes) + which); }
};

/// For a decimal whose point is in lane p and that ends before lane e
/// (p == e: no point; e < 16), what each lane's digit is multiplied by on
/// its way to the integer the decimal's digits write: 1 before the point, 0
/// in the point's lane and from e on, 10 after the point (as if the
/// fraction had moved down one lane over the point); and 10 again in every
/// even lane, so that one madd makes the pairs of lanes.
inline constexpr auto decimalWeights = [] {
    std::array<std::array<Lanes16, 16>, 16> weights{};
    for (std::size_t p = 0; p < 16; ++p) {
        for (std::size_t e = p; e < 16; ++e) {
            for (std::size_t i = 0; i < e; ++i) {
                const int factor = i < p ? 1 : i == p ? 0 : 10;
                weights[p][e].lanes[i] = static_cast<std::int16_t>(factor * (i % 2 == 0 ? 10 : 1));
            }
        }
    }
    return weights;
}();

}  // namespace ascii_digits

/// 16 units looked at once: which are ASCII digits and points, and where a
/// decimal of digits with at most one point runs among them. The list
/// parser also finds the comma in the same look.
class DecimalWindow {
public:
    /// Reads the 16 units at `units`.
    explicit DecimalWindow(const char16_t* units)
        : lowValues(ascii_digits::digitValues(ascii_digits::load8(units))),
          highValues(ascii_digits::digitValues(ascii_digits::load8(units + 8))),
          // One byte per unit, less '0': saturation takes every unit outside
          // ASCII's reach to -128 or 127, so a byte is a digit's value, or
          // that of another ASCII unit, only where the unit is one.
          bytes(_mm_packs_epi16(lowValues, highValues)),
          digitMask(static_cast<unsigned>(
              _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(bytes, _mm_set1_epi8(9)), _mm_setzero_si128())))) {}

    /// One bit per lane (the first lowest) that holds an ASCII digit.
    unsigned digitLanes() const { return digitMask; }

    /// One bit per lane (the first lowest) that holds the ASCII unit `unit`.
    unsigned lanesHolding(char unit) const {
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(unit - '0'));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
    }

    /// The lanes of the decimal whose digits (or point) start at the first lane.
    struct Decimal {
        unsigned pointAt;  // the point's lane, or `end` when there is none
        unsigned digits;   // how many
        unsigned end;      // the first lane after the decimal
    };
    Decimal decimal() const {
        const auto pointAt = static_cast<unsigned>(std::countr_one(digitMask));
        const unsigned hasPoint = (lanesHolding('.') >> pointAt) & 1u;
        const unsigned fractionCount =
            static_cast<unsigned>(std::countr_one(digitMask >> (pointAt + 1))) & (0u - hasPoint);
        return Decimal{pointAt, pointAt + fractionCount, pointAt + hasPoint + fractionCount};
    }

    /// The decimal's magnitude, for a decimal with digits that ends within
    /// the window (end < 16): its digits, exact, then one correctly rounded
    /// division by the power of ten that puts the point back.
    double magnitude(const Decimal& decimal) const {
        return exactDigits(decimal) / ascii_digits::exactPowersOfTen[pointPower(decimal)];
    }

    /// As magnitude(), times 10^exponent, for an exponent that keeps the
    /// power of ten applied (pointPower(decimal) - exponent) within 10^±22:
    /// still one correctly rounded operation on exact doubles; negated when
    /// `negative` is 1.
    double value(const Decimal& decimal, int exponent, unsigned negative) const {
        const double scaled = exactDigits(decimal);
        const int power = pointPower(decimal) - exponent;
        const std::array<double, 32>& powers = ascii_digits::signedPowersOfTen[negative];
        return power >= 0 ? scaled / powers[power] : scaled * powers[-power];
    }

    /// value() without an exponent: one division.
    double value(const Decimal& decimal, unsigned negative) const {
        return exactDigits(decimal) / ascii_digits::pointDivisors[negative][decimal.pointAt];
    }

    /// The power of ten the window's digits are divided by to put the point back.
    static int pointPower(const Decimal& decimal) { return 16 - static_cast<int>(decimal.pointAt); }

private:
    /// scaledDigits as a double, exactly (signed: no conversion of the top bit).
    double exactDigits(const Decimal& decimal) const {
        return static_cast<double>(static_cast<std::int64_t>(scaledDigits(decimal)));
    }

    /// The digits written contiguously, times 10^(16 - their end).
    std::uint64_t scaledDigits(const Decimal& decimal) const {
        // Each lane weighs 10^(15 - lane) in the end; the table adds the
        // point's shift and the first step of the sum (pairs, below 1,000).
        const ascii_digits::Lanes16& weights = ascii_digits::decimalWeights[decimal.pointAt][decimal.end];
        const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(lowValues, weights.half(0)),
                                              _mm_madd_epi16(highValues, weights.half(1)));
        // Then fours (below 100,000) and two eights in 64-bit lanes.
        const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));
        const __m128i eights = _mm_add_epi64(_mm_mul_epu32(fours, _mm_set1_epi32(10000)), _mm_srli_epi64(fours, 32));
        const auto first = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eights));
        // A whole-register shuffle: a compiler may take a move of the high
        // half for an unpack, which keeps the rest of its target register and
        // so waits for whatever last wrote it (the previous item's result).
        const auto second = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_shuffle_epi32(eights, 0xEE)));
        // The last lane is no digit, so this is ten times a number below
        // 10^15: twice a number below 2^53, an exact double, as is the power
        // of ten that puts the point back.
        return first * 100000000 + second;
    }

    __m128i lowValues;
    __m128i highValues;
    __m128i bytes;
    unsigned digitMask;
};

/// The decimal at `units`, of which 16 can be read, if it is ASCII digits
/// with at most one point, 1 to 15 digits, ending within the 16 units, and
/// not followed by an exponent, a digit outside ASCII, or a hexadecimal
/// number's x: its magnitude and end. Nothing for any other form, which the
/// general reading then takes.
inline std::optional<ShortDecimal> readShortDecimal(const char16_t* units) {
    const DecimalWindow window(units);
    const DecimalWindow::Decimal decimal = window.decimal();
    if (decimal.digits == 0 || decimal.end >= 16) return std::nullopt;
    const char16_t next = units[decimal.end];
    if ((next | 0x20) == u'e' || (next | 0x20) == u'x' || next >= ascii_digits::FirstUnicodeDigit) return std::nullopt;
    return ShortDecimal{window.magnitude(decimal), decimal.end};
}
