#include "module/NumberListParser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>

#include <emmintrin.h>

#include "module/NumberParser.h"
#include "module/DecimalWindow.h"

namespace {

/// The first comma in `text`, sixteen units at a time (most items are
/// shorter, so the search rarely loops).
std::size_t findComma(std::u16string_view text) {
    const __m128i comma = _mm_set1_epi16(u',');
    std::size_t i = 0;
    for (; text.size() - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 8));
        const auto commas = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(low, comma), _mm_cmpeq_epi16(high, comma))));
        if (commas != 0) return i + static_cast<std::size_t>(std::countr_zero(commas));
    }
    return text.find(u',', i);
}

/// The exponent of a typed item such as "1e3" or "-3.5e-2": the units from
/// `at` to `end` are 'e' or 'E', an ASCII sign or none, and one or two
/// ASCII digits. Nothing for anything else.
std::optional<int> shortExponent(const char16_t* at, const char16_t* end) {
    if ((*at | 0x20) != u'e') return std::nullopt;
    ++at;
    const bool negative = *at == u'-';
    if (negative || *at == u'+') ++at;
    if (end - at < 1 || end - at > 2) return std::nullopt;
    int exponent = 0;
    for (; at != end; ++at) {
        const unsigned digit = static_cast<unsigned>(*at) - u'0';
        if (digit > 9) return std::nullopt;
        exponent = exponent * 10 + static_cast<int>(digit);
    }
    return negative ? -exponent : exponent;
}

/// The usual item, a short decimal with an ASCII sign or none, maybe a
/// short exponent, ending at a comma within the 16 units after the sign,
/// when `text` has 17 units. Answers where the comma is, or 0 (no such
/// item; the general reading then takes it). Inline, as the list's hot
/// path: no call, no rounding check for a not-a-number, and the comma found
/// in the same look as the digits.
[[gnu::always_inline]] inline std::size_t readUsualItem(std::u16string_view text, float& value) {
    if (text.size() < 17) return 0;
    // Without branches: the signs of a list's items follow no pattern.
    const char16_t first = text[0];
    const unsigned negative = static_cast<unsigned>(first == u'-');
    const unsigned start = negative | static_cast<unsigned>(first == u'+');
    const DecimalWindow window(text.data() + start);
    const auto comma = static_cast<unsigned>(std::countr_zero(window.lanesHolding(u',') | 0x20000u));
    const DecimalWindow::Decimal decimal = window.decimal();
    if (decimal.digits == 0 || comma > 16) return 0;
    int exponent = 0;
    if (decimal.end != comma) {
        const std::optional<int> typed = shortExponent(text.data() + start + decimal.end, text.data() + start + comma);
        const int power = typed ? DecimalWindow::pointPower(decimal) - *typed : 99;
        if (power < -22 || power > 22) return 0;
        exponent = *typed;
    }
    const std::uint64_t sign = static_cast<std::uint64_t>(negative) << 63;
    const double magnitude = window.magnitude(decimal, exponent);
    value = static_cast<float>(std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude) ^ sign));
    return start + comma;
}

}  // namespace

// Each item is read from the whole rest of the text: a number never takes a
// comma, so the reading is the item's. The comma is looked for from the
// item's start, not from where the number ended: the next item's start then
// does not wait for this item's reading, and the processor overlaps them.
void parseNumberList(std::u16string_view text, std::span<float> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::size_t usualEnd = readUsualItem(text, values[i]);
        // A space typed after the comma: tried only once the usual form has
        // failed, since a branch or load up front would slow every item.
        if (usualEnd == 0 && !text.empty() && text[0] == u' ') {
            usualEnd = readUsualItem(text.substr(1), values[i]);
            usualEnd += usualEnd != 0 ? 1 : 0;
        }
        if (usualEnd != 0) {
            text.remove_prefix(usualEnd + 1);
            continue;
        }
        const std::size_t comma = findComma(text);
        const float value = roundToFloat(readNumber(text).value);
        if (comma == 0 || comma == std::u16string_view::npos) {
            // Nothing more is consumed, so this value stands for the later slots too.
            std::fill(values.begin() + static_cast<std::ptrdiff_t>(i), values.end(), value);
            return;
        }
        values[i] = value;
        text.remove_prefix(comma + 1);
    }
}
