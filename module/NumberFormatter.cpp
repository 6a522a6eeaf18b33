#include "module/NumberFormatter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <string_view>


// A finite float is m * 2^e with m below 2^24. For e < 0 the value times
// 10^4 is m * 10^4 / 2^-e, whose numerator is below 2^38: one 64-bit
// product, a shift and the remainder give the four decimals rounded to
// nearest, ties to even, exactly as printf rounds. For e >= 0 the value is
// an integer and the decimals are zeros; up to e = 39 it fits 64 bits. Only
// larger magnitudes (2^63 and up) go to std::to_chars, which prints what
// printf prints in the "C" locale and never reads the locale. Integer parts
// below 2^26, the usual ones, are written inline (NumberFormatter.h), the
// rest here, pair by pair from the back.

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

std::size_t formatUnusualNumber(float value, std::span<char16_t, NumberTextCapacity> out) noexcept {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const std::uint32_t biasedExponent = (bits >> 23) & 0xFFu;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    if (biasedExponent == 0xFF) {
        if (fraction == 0) return writeWord(negative ? u"-inf" : u"inf", out);
        if (bits == IndeterminateBits) return writeWord(u"-nan(ind)", out);
        return writeWord(negative ? u"-nan" : u"nan", out);
    }
    if (biasedExponent < number_format::FirstUnusualExponent) return formatNumber(value, out);

    // An integer from here on (2^26 and up), of at most 64 bits up to 2^63.
    const int exponent = static_cast<int>(biasedExponent) - 150;
    if (exponent >= 40) return writeWide(value, out);
    const std::uint64_t integerPart = std::uint64_t{fraction | 0x800000u} << exponent;

    // Written from the back, straight into `out`: the length is known first.
    const std::size_t length = (negative ? 1 : 0) + integerDigits(integerPart) + 5;
    char16_t* begin = out.data() + length - 4;
    std::fill_n(begin, 4, u'0');
    *--begin = u'.';
    begin = writeIntegerBefore(integerPart, begin);
    if (negative) *--begin = u'-';
    return length;
}
