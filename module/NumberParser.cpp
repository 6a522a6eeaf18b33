#include "module/NumberParser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include <emmintrin.h>

#include "module/DecimalWindow.h"

// The units are read as they are, in three tiers:
// - the usual item of a list (ASCII digits and a point, at most 15 digits)
//   with one look at 16 units (DecimalWindow.h);
// - any decimal number of ASCII digits with at most 19 significant digits
//   and a power of ten within 10^±22, digits eight at a time (readDecimal);
// - everything else, its digits narrowed to ASCII, by std::from_chars, which
//   is exact for any length, never reads the locale and never allocates;
//   what it lacks next to wcstod (the value of a range error) is done here.
// In the first two the digits and the power of ten are exact doubles, so
// one IEEE multiplication or division rounds the result correctly.

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "double to float rounding and the NaN bit layout assume IEEE 754 types");

namespace {

using namespace ascii_digits;

constexpr unsigned NotADigit = 99;

// The zero of each Unicode decimal digit block the Windows runtime reads as
// digits, besides ASCII; each block runs from its zero to zero + 9.
constexpr char16_t unicodeDigitZeros[] = {FirstUnicodeDigit, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6,
                                          0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};

unsigned unicodeDigit(char16_t c) {
    for (const char16_t zero : unicodeDigitZeros) {
        if (static_cast<unsigned>(c - zero) < 10) return static_cast<unsigned>(c - zero);
    }
    return NotADigit;
}

/// 0-9 for a decimal digit, NotADigit otherwise.
inline unsigned decimalDigit(char16_t c) {
    const unsigned ascii = static_cast<unsigned>(c) - u'0';
    if (ascii < 10) return ascii;
    return c >= unicodeDigitZeros[0] ? unicodeDigit(c) : NotADigit;
}

/// 0-15 for a hexadecimal digit (decimal digits as above, letters ASCII only).
inline unsigned hexDigit(char16_t c) {
    const unsigned decimal = decimalDigit(c);
    if (decimal < 10) return decimal;
    const unsigned letter = (static_cast<unsigned>(c) | 0x20u) - u'a';
    return letter < 6 ? letter + 10 : NotADigit;
}

bool isUnicodeSpace(char16_t c) {
    return c == 0x0085 || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

inline bool isSpace(char16_t c) {
    return c == u' ' || static_cast<unsigned>(c) - u'\t' < 5u || (c >= 0x0085 && isUnicodeSpace(c));
}

/// Whether `text` has `lowerWord` at `at`, in any letter case (ASCII only).
bool hasWordAt(std::u16string_view text, std::size_t at, std::string_view lowerWord) {
    if (text.size() - at < lowerWord.size()) return false;
    return std::equal(lowerWord.begin(), lowerWord.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char w, char16_t c) { return (c >= u'A' && c <= u'Z' ? c + 0x20 : c) == w; });
}

/// Decides an out-of-range result from the narrowed number's text (digits,
/// point, exponent). The value was either above the largest double or below
/// half the smallest subnormal, so the place of the leading non-zero digit
/// against the exponent tells which.
bool isBeyondOne(const char* first, const char* last, bool hex) {
    const char exponentMark = hex ? 'p' : 'e';
    std::int64_t integerDigits = 0;   // from the leading non-zero digit on
    std::int64_t zerosAfterPoint = 0;  // before the leading non-zero digit
    bool seenPoint = false;
    bool seenNonZero = false;
    const char* p = first;
    for (; p != last && (*p | 0x20) != exponentMark; ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (seenNonZero || *p != '0') {
            seenNonZero = true;
            if (!seenPoint) ++integerDigits;
        } else if (seenPoint) {
            ++zerosAfterPoint;
        }
    }
    std::int64_t exponent = 0;
    if (p != last) {
        ++p;
        const bool negative = p != last && *p == '-';
        if (p != last && (*p == '-' || *p == '+')) ++p;
        constexpr std::int64_t limit = std::int64_t{1} << 40;  // far beyond any double, far below overflow
        for (; p != last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), limit);
        if (negative) exponent = -exponent;
    }
    const std::int64_t leading = integerDigits > 0 ? integerDigits - 1 : -(zerosAfterPoint + 1);
    return (hex ? leading * 4 : leading) + exponent >= 0;
}

/// Converts `number`, exactly the units of a number as the scan delimited
/// it (digits, at most one point, an exponent with digits), with from_chars
/// on its ASCII form, giving wcstod's result on a range error. Numbers of
/// ordinary length are narrowed into a stack buffer.
double convertNarrowed(std::u16string_view number, std::chars_format format) {
    constexpr std::size_t stackCapacity = 128;
    char stackBuffer[stackCapacity];
    std::string longBuffer;
    char* buffer = stackBuffer;
    if (number.size() > stackCapacity) {
        longBuffer.resize(number.size());
        buffer = longBuffer.data();
    }
    // Only digits and the ASCII point, signs, exponent marks and hex letters are here.
    std::transform(number.begin(), number.end(), buffer, [](char16_t c) {
        const unsigned digit = decimalDigit(c);
        return static_cast<char>(digit < 10 ? '0' + digit : c);
    });

    const bool hex = format == std::chars_format::hex;
    double value = 0.0;
    const std::errc error = std::from_chars(buffer, buffer + number.size(), value, format).ec;
    if (error == std::errc::result_out_of_range) {
        return isBeyondOne(buffer, buffer + number.size(), hex) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return error == std::errc() ? value : 0.0;
}

/// Where an exponent that starts at `mark` ends: after a sign and at least
/// one decimal digit, else at `mark` (the mark is then not part of the
/// number). Its value, saturated far beyond any double's, goes to `exponent`.
std::size_t exponentEnd(std::u16string_view text, std::size_t mark, std::int64_t& exponent) {
    std::size_t i = mark + 1;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    if (i == text.size() || decimalDigit(text[i]) >= 10) return mark;
    constexpr std::int64_t limit = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (unsigned digit; i < text.size() && (digit = decimalDigit(text[i])) < 10; ++i) {
        value = std::min(value * 10 + digit, limit);
    }
    exponent = negative ? -value : value;
    return i;
}

struct Magnitude {
    double value;
    std::size_t end;
    bool takesSign = true;
};

inline bool isAsciiDigit(char16_t c) { return static_cast<unsigned>(c) - u'0' < 10u; }

/// Whether `at` holds a decimal digit outside ASCII.
bool unicodeDigitAt(std::u16string_view text, std::size_t at) {
    return at < text.size() && text[at] >= unicodeDigitZeros[0] && unicodeDigit(text[at]) < 10;
}

/// The end of the number whose digits start at `start`: digits (hexadecimal
/// ones when `hex`) with at most one point, then an exponent if one follows
/// ('e', or 'p' when `hex`); `start` when no digit is there.
std::size_t numberEnd(std::u16string_view text, std::size_t start, bool hex) {
    const auto isDigit = [hex](char16_t c) { return hex ? hexDigit(c) < 16 : decimalDigit(c) < 10; };
    const std::size_t size = text.size();
    bool sawDigit = false;
    std::size_t i = start;
    for (; i < size && isDigit(text[i]); ++i) sawDigit = true;
    if (i < size && text[i] == u'.') {
        ++i;
        for (; i < size && isDigit(text[i]); ++i) sawDigit = true;
    }
    if (!sawDigit) return start;
    std::int64_t unused = 0;
    return i < size && (text[i] | 0x20) == (hex ? u'p' : u'e') ? exponentEnd(text, i, unused) : i;
}

/// A run of ASCII digits: how many, and the number they write.
struct DigitRun {
    unsigned count;
    std::uint64_t value;
};

/// The ASCII digits that lead the 8 units at `units`, at most 8 of them.
DigitRun leadingDigits(const char16_t* units) {
    const __m128i values = digitValues(load8(units));
    const auto lanes = static_cast<unsigned>(_mm_movemask_epi8(digitLanes(values)));
    const auto count = static_cast<unsigned>(std::countr_one(lanes)) / 2;
    return count == 0 ? DigitRun{0, 0} : DigitRun{count, digitsValue(values, count)};
}

/// Extends `run`, which ends at `end`, while ASCII digits follow; answers the new end.
std::size_t continueRun(std::u16string_view text, std::size_t end, DigitRun& run) {
    for (; end < text.size() && isAsciiDigit(text[end]); ++end) {
        run.value = run.value * 10 + (text[end] - u'0');  // wraps past 19 digits: the fast path is not taken then
        ++run.count;
    }
    return end;
}

/// The ASCII digits starting at `at`: eight at a time while 8 units are
/// left, then one by one. The first eight are enough for most numbers' parts.
DigitRun digitRunAt(std::u16string_view text, std::size_t at) {
    DigitRun run{0, 0};
    if (text.size() - at >= 8) {
        run = leadingDigits(text.data() + at);
        if (run.count < 8) return run;
    }
    continueRun(text, at + run.count, run);
    return run;
}

/// The decimal number starting at `start`, if digits (perhaps after a point)
/// start there: ASCII digits eight at a time and converted on the spot when
/// exact, else (digits outside ASCII, long numbers, large powers) by the
/// general conversion.
std::optional<Magnitude> readDecimal(std::u16string_view text, std::size_t start) {
    const std::size_t size = text.size();
    const DigitRun integer = digitRunAt(text, start);
    std::size_t i = start + integer.count;
    std::uint64_t mantissa = integer.value;
    std::size_t digits = integer.count;
    std::int64_t scale = 0;  // mantissa * 10^scale is the number
    if (i < size && text[i] == u'.') {
        ++i;
        const DigitRun fraction = digitRunAt(text, i);
        i += fraction.count;
        // Past 19 digits in all the fast path is not taken: the mantissa may be anything then.
        if (fraction.count < integerPowersOfTen.size()) {
            mantissa = mantissa * integerPowersOfTen[fraction.count] + fraction.value;
        }
        digits += fraction.count;
        scale = -static_cast<std::int64_t>(fraction.count);
    }
    if (unicodeDigitAt(text, i)) {  // a digit the runs above stopped at
        const std::size_t end = numberEnd(text, start, false);
        return Magnitude{convertNarrowed(text.substr(start, end - start), std::chars_format::general), end};
    }
    if (digits == 0) return std::nullopt;
    if (i < size && (text[i] | 0x20) == u'e') {
        std::int64_t exponent = 0;
        i = exponentEnd(text, i, exponent);
        scale += exponent;
    }
    if (digits <= 19 && mantissa <= std::uint64_t{1} << 53 && scale >= -22 && scale <= 22) {
        const double exact = static_cast<double>(mantissa);
        return Magnitude{scale < 0 ? exact / exactPowersOfTen[-scale] : exact * exactPowersOfTen[scale], i};
    }
    if (digits <= 19 && mantissa == 0) return Magnitude{0.0, i};
    return Magnitude{convertNarrowed(text.substr(start, i - start), std::chars_format::general), i};
}

/// The hexadecimal number whose digits start at `start` (after "0x"). With
/// no digit there, the number is the 0 before the 'x'.
Magnitude readHex(std::u16string_view text, std::size_t start) {
    const std::size_t end = numberEnd(text, start, true);
    if (end == start) return Magnitude{0.0, start - 1};
    return Magnitude{convertNarrowed(text.substr(start, end - start), std::chars_format::hex), end};
}

/// The not-a-number form whose "nan" ends at `at`.
Magnitude readNotANumber(std::u16string_view text, std::size_t at) {
    if (hasWordAt(text, at, "(ind)")) {
        return Magnitude{std::bit_cast<double>(std::uint64_t{0xFFF8000000000000}), at + 5, false};
    }
    if (hasWordAt(text, at, "(snan)")) return Magnitude{std::bit_cast<double>(std::uint64_t{0x7FF0000000000001}), at + 6};
    return Magnitude{std::bit_cast<double>(std::uint64_t{0x7FFFFFFFFFFFFFFF}), at};
}

/// The magnitude of the number starting at `start` (after the sign), if one does.
std::optional<Magnitude> readMagnitude(std::u16string_view text, std::size_t start) {
    if (text.size() - start >= 16) {
        if (const std::optional<ShortDecimal> simple = readShortDecimal(text.data() + start)) {
            return Magnitude{simple->magnitude, start + simple->end};
        }
    }
    if (start == text.size()) return std::nullopt;
    if (text[start] == u'0' && start + 1 < text.size() && (text[start + 1] | 0x20) == u'x') {
        return readHex(text, start + 2);
    }
    if (std::optional<Magnitude> decimal = readDecimal(text, start)) return decimal;
    if (hasWordAt(text, start, "inf")) {
        const std::size_t end = hasWordAt(text, start, "infinity") ? start + 8 : start + 3;
        return Magnitude{std::numeric_limits<double>::infinity(), end};
    }
    if (hasWordAt(text, start, "nan")) return readNotANumber(text, start + 3);
    return std::nullopt;
}

}  // namespace

NumberReading readNumber(std::u16string_view text) {
    std::size_t start = 0;
    // Most items start with their number: one comparison rules white space out.
    while (start < text.size() && (text[start] <= u' ' || text[start] >= 0x0085) && isSpace(text[start])) ++start;
    bool negative = false;
    if (start < text.size()) {
        // Without branches: the signs of a list's items follow no pattern.
        const char16_t first = text[start];
        negative = first == u'-';
        start += static_cast<std::size_t>(negative || first == u'+');
    }
    const std::optional<Magnitude> magnitude = readMagnitude(text, start);
    if (!magnitude) return NumberReading{0.0, 0};
    // The sign goes on as a bit, so that it marks NaNs too.
    const std::uint64_t sign = static_cast<std::uint64_t>(negative & magnitude->takesSign) << 63;
    return NumberReading{std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude->value) ^ sign), magnitude->end};
}

double parseNumber(std::u16string_view item) { return readNumber(item).value; }

float roundToFloat(double value) {
    if (!std::isnan(value)) return static_cast<float>(value);
    // Spelled out: the hardware does the same, but a compiler may fold a
    // signalling NaN's conversion otherwise.
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto sign = static_cast<std::uint32_t>(bits >> 32) & 0x80000000u;
    const auto payload = static_cast<std::uint32_t>(bits >> 29) & 0x003FFFFFu;
    return std::bit_cast<float>(sign | 0x7FC00000u | payload);
}

float parseItem(std::u16string_view item) { return roundToFloat(parseNumber(item)); }
