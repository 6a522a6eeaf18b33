// The C library's own wcstod in the "C" locale: the reference the item
// parser is compared with, natively (glibc), by the tests and the fuzzer.
#pragma once

#ifndef _WIN32
#include <bit>
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

/// Whether the parser's double agrees with wcstod's for `item`: bit for bit,
/// except where glibc (2.36) rounds a hexadecimal subnormal one unit low
/// ("0x3000000000000.9p-1074"); the parser's is the exact rounding, and both
/// become the same float zero.
inline bool agreesWithWcstod(std::u16string_view item, double parsed, double expected) {
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
