// The reference the item parser is compared with, natively, by the tests and
// the fuzzer: the Windows runtime's wcstod, built as the C library's own
// wcstod (glibc) in the "C" locale plus the rules in which the two runtimes
// differ. glibc decides everything the runtimes agree on (ASCII numbers of
// every form, rounding, range); the item is first rewritten into what glibc
// reads the same way, and the not-a-number forms are decided afterwards.
#pragma once

#ifndef _WIN32
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include <locale.h>
#include <wchar.h>

/// wcstod over the units in a "C" locale object; the process locale stays.
inline double classicWcstod(std::u16string_view item) {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::wstring wide(item.begin(), item.end());
    return wcstod_l(wide.c_str(), nullptr, classic);
}

/// The white space the Windows runtime skips beyond glibc's (ASCII) set.
inline bool isWindowsOnlySpace(char16_t c) {
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

/// The value 0-9 of a decimal digit outside ASCII that the Windows runtime
/// reads, or -1.
inline int windowsOnlyDigit(char16_t c) {
    static constexpr char16_t zeros[] = {0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66, 0x0CE6,
                                         0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
    for (const char16_t zero : zeros) {
        if (c >= zero && c <= zero + 9) return c - zero;
    }
    return -1;
}

/// `item` as glibc reads it the way the Windows runtime reads the original:
/// its extra white space becomes a space (skipped in front, ending a number
/// elsewhere, in both), its extra digits ASCII digits, except that a zero
/// that would start a "0x" prefix becomes "00" (only ASCII "0x" is one).
inline std::u16string forGlibc(std::u16string_view item) {
    std::u16string text;
    std::size_t numberStart = std::u16string::npos;  // after the leading white space and sign
    for (std::size_t i = 0; i < item.size(); ++i) {
        const char16_t c = item[i];
        if (numberStart == std::u16string::npos && !(c == u' ' || (c >= u'\t' && c <= u'\r') || isWindowsOnlySpace(c))) {
            numberStart = text.size() + ((c == u'+' || c == u'-') ? 1 : 0);
        }
        if (isWindowsOnlySpace(c)) {
            text += u' ';
        } else if (const int digit = windowsOnlyDigit(c); digit >= 0) {
            const bool startsHexPrefix = text.size() == numberStart && digit == 0 && i + 1 < item.size() &&
                                         (item[i + 1] == u'x' || item[i + 1] == u'X');
            text += startsHexPrefix ? u"00" : std::u16string(1, static_cast<char16_t>(u'0' + digit));
        } else {
            text += c;
        }
    }
    return text;
}

struct WindowsReading {
    double value;
    float rounded;
};

/// The Windows runtime's wcstod for `item`, and that double rounded to float.
inline WindowsReading windowsWcstod(std::u16string_view item) {
    const std::u16string text = forGlibc(item);
    const double value = classicWcstod(text);
    if (!std::isnan(value)) return {value, static_cast<float>(value)};
    // Which not-a-number form: what follows "nan" after the white space and sign.
    const std::size_t sign = text.find_first_not_of(u" \t\n\v\f\r");
    const std::size_t nan = text[sign] == u'+' || text[sign] == u'-' ? sign + 1 : sign;
    std::u16string rest = text.substr(nan + 3, 6);
    for (char16_t& c : rest) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    const bool negative = std::signbit(value);
    if (rest.starts_with(u"(ind)")) return {std::bit_cast<double>(0xFFF8000000000000), std::bit_cast<float>(0xFFC00000)};
    if (rest.starts_with(u"(snan)")) {
        return {std::bit_cast<double>(negative ? 0xFFF0000000000001 : 0x7FF0000000000001),
                std::bit_cast<float>(negative ? 0xFFC00000u : 0x7FC00000u)};
    }
    return {std::bit_cast<double>(negative ? 0xFFFFFFFFFFFFFFFF : 0x7FFFFFFFFFFFFFFF),
            std::bit_cast<float>(negative ? 0xFFFFFFFFu : 0x7FFFFFFFu)};
}

/// Whether the parser's double agrees with the reference's for `item`: bit
/// for bit, except where glibc (2.36) rounds a hexadecimal subnormal one
/// unit low ("0x3000000000000.9p-1074"); the parser's is the exact rounding,
/// and both become the same float zero.
inline bool agreesWithReference(std::u16string_view item, double parsed, double expected) {
    const auto parsedBits = std::bit_cast<std::int64_t>(parsed);
    const auto expectedBits = std::bit_cast<std::int64_t>(expected);
    if (parsedBits == expectedBits) return true;
    const bool hex = item.find_first_of(u"xX") != std::u16string_view::npos;
    const bool subnormal = (expectedBits & 0x7ff0000000000000) == 0;
    return hex && subnormal && (parsedBits - expectedBits == 1 || parsedBits - expectedBits == -1) &&
           std::bit_cast<std::uint32_t>(static_cast<float>(parsed)) ==
               std::bit_cast<std::uint32_t>(static_cast<float>(expected));
}
#endif
