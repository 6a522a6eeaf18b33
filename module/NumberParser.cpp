#include "module/NumberParser.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

// std::from_chars does the exact conversion: locale-free, correctly rounded,
// no allocation. What it lacks next to wcstod is done here: white space, a
// '+', the 0x prefix, infinities and not-a-numbers with wcstod's payload
// rule, and the value of a range error (from_chars leaves the value alone).

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "double to float rounding and the NaN bit layout assume IEEE 754 types");

namespace {

constexpr bool isSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
constexpr bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }
constexpr bool isHexDigit(char16_t c) { return isDigit(c) || (lowerAscii(c) >= u'a' && lowerAscii(c) <= u'f'); }
constexpr bool isAsciiAlnum(char16_t c) { return isDigit(c) || (lowerAscii(c) >= u'a' && lowerAscii(c) <= u'z'); }

/// A digit, or a point followed by a digit: where a number's digits may start.
bool startsDigits(std::u16string_view text, bool hex) {
    const auto digit = hex ? isHexDigit : isDigit;
    if (text.empty()) return false;
    if (digit(text[0])) return true;
    return text[0] == u'.' && text.size() > 1 && digit(text[1]);
}

/// Whether `text` starts with `lowerWord` in any letter case (ASCII only).
bool startsWithWord(std::u16string_view text, std::string_view lowerWord) {
    if (text.size() < lowerWord.size()) return false;
    return std::equal(lowerWord.begin(), lowerWord.end(), text.begin(),
                      [](char w, char16_t c) { return lowerAscii(c) == static_cast<char16_t>(w); });
}

/// Decides an out-of-range result from the number's text, as numberLength
/// delimits it (digits, point, exponent). The value was either above the
/// largest double or below half the smallest subnormal, so the place of the
/// leading non-zero digit against the exponent tells which.
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

/// The length of the number at the start of `text` (which starts with
/// digits, see startsDigits): digits with at most one point, then an
/// exponent if a mark, an optional sign and a decimal digit follow. from_chars
/// is handed exactly this, since it reads more than strtod in places
/// (libstdc++ 12 takes "1p+-5" as 2^-5).
std::size_t numberLength(std::u16string_view text, bool hex) {
    const auto digit = hex ? isHexDigit : isDigit;
    const std::size_t size = text.size();
    std::size_t end = 0;
    while (end < size && digit(text[end])) ++end;
    if (end < size && text[end] == u'.') {
        ++end;
        while (end < size && digit(text[end])) ++end;
    }
    if (end < size && lowerAscii(text[end]) == (hex ? u'p' : u'e')) {
        std::size_t exponent = end + 1;
        if (exponent < size && (text[exponent] == u'+' || text[exponent] == u'-')) ++exponent;
        if (exponent < size && isDigit(text[exponent])) {
            while (exponent < size && isDigit(text[exponent])) ++exponent;
            end = exponent;
        }
    }
    return end;
}

/// Converts the number at the start of `text` (which starts with digits, see
/// startsDigits) with from_chars, giving the strtod result on a range error.
/// Numbers of ordinary length are narrowed into a stack buffer.
double convertDigits(std::u16string_view text, std::chars_format format) {
    const bool hex = format == std::chars_format::hex;
    const std::size_t length = numberLength(text, hex);
    constexpr std::size_t stackCapacity = 128;
    char stackBuffer[stackCapacity];
    std::string longBuffer;
    char* buffer = stackBuffer;
    if (length > stackCapacity) {
        longBuffer.resize(length);
        buffer = longBuffer.data();
    }
    std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), buffer,
                   [](char16_t c) { return static_cast<char>(c); });

    double value = 0.0;
    const std::errc error = std::from_chars(buffer, buffer + length, value, format).ec;
    if (error == std::errc::result_out_of_range) {
        return isBeyondOne(buffer, buffer + length, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return error == std::errc() ? value : 0.0;
}

/// The payload wcstod gives "nan(chars)": chars read as by strtoull in base
/// 0 (0x hexadecimal, leading 0 octal, else decimal, saturating), used only
/// if that reading takes all of them; its low 51 bits go below the quiet bit.
std::uint64_t nanPayload(std::u16string_view chars) {
    unsigned base = 10;
    std::size_t i = 0;
    if (chars.size() > 2 && chars[0] == u'0' && lowerAscii(chars[1]) == u'x' && isHexDigit(chars[2])) {
        base = 16;
        i = 2;
    } else if (!chars.empty() && chars[0] == u'0') {
        base = 8;
    }
    std::uint64_t value = 0;
    for (; i < chars.size(); ++i) {
        const char16_t c = lowerAscii(chars[i]);
        const unsigned digit = isDigit(c) ? c - u'0' : (c >= u'a' && c <= u'z') ? c - u'a' + 10u : 99u;
        if (digit >= base) return 0;
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / base) {
            value = std::numeric_limits<std::uint64_t>::max();
        } else {
            value = value * base + digit;
        }
    }
    return value & ((std::uint64_t{1} << 51) - 1);
}

/// Reads "nan" (already matched) and an optional "(chars)" after it.
double notANumber(std::u16string_view afterNan) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(std::numeric_limits<double>::quiet_NaN());
    if (!afterNan.empty() && afterNan[0] == u'(') {
        const auto charsEnd = std::find_if_not(afterNan.begin() + 1, afterNan.end(),
                                               [](char16_t c) { return isAsciiAlnum(c) || c == u'_'; });
        if (charsEnd != afterNan.end() && *charsEnd == u')') {
            bits |= nanPayload(afterNan.substr(1, static_cast<std::size_t>(charsEnd - afterNan.begin() - 1)));
        }
    }
    return std::bit_cast<double>(bits);
}

/// The magnitude of the number at the start of `text` (after the sign), or
/// nothing when no number starts there.
std::optional<double> parseMagnitude(std::u16string_view text) {
    if (startsWithWord(text, "inf")) return std::numeric_limits<double>::infinity();
    if (startsWithWord(text, "nan")) return notANumber(text.substr(3));
    if (text.size() >= 2 && text[0] == u'0' && lowerAscii(text[1]) == u'x') {
        const std::u16string_view digits = text.substr(2);
        // "0x" without hex digits after it is the number 0 followed by an 'x'.
        return startsDigits(digits, true) ? convertDigits(digits, std::chars_format::hex) : 0.0;
    }
    if (startsDigits(text, false)) return convertDigits(text, std::chars_format::general);
    return std::nullopt;
}

}  // namespace

double parseNumber(std::u16string_view item) {
    std::size_t start = 0;
    while (start < item.size() && isSpace(item[start])) ++start;
    bool negative = false;
    if (start < item.size() && (item[start] == u'+' || item[start] == u'-')) {
        negative = item[start] == u'-';
        ++start;
    }
    const std::optional<double> magnitude = parseMagnitude(item.substr(start));
    if (!magnitude) return 0.0;
    return negative ? -*magnitude : *magnitude;
}

float parseItem(std::u16string_view item) { return static_cast<float>(parseNumber(item)); }
