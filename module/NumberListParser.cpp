#include "module/NumberListParser.h"

#include <algorithm>
#include <array>
#include <utility>
#include <bit>
#include <cstdint>
#include <optional>

#include <emmintrin.h>

#include "module/NumberParser.h"
#include "module/DecimalWindow.h"
#include "platform/Compiler.h"

namespace {

/// One byte per unit of the 16 at `units`: all ones where it is a comma.
__m128i commaBytes(const char16_t* units) {
    const __m128i comma = _mm_set1_epi16(u',');
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
    return _mm_packs_epi16(_mm_cmpeq_epi16(low, comma), _mm_cmpeq_epi16(high, comma));
}

/// The first comma in `text`, sixteen units at a time (most items are
/// shorter, so the search rarely loops).
std::size_t findComma(std::u16string_view text) {
    std::size_t i = 0;
    for (; text.size() - i >= 16; i += 16) {
        const auto commas = static_cast<unsigned>(_mm_movemask_epi8(commaBytes(text.data() + i)));
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

/// Units the usual item's reading may look at from the item's start: a
/// space, a sign and the 16-unit window.
constexpr std::size_t UsualItemReach = 18;

/// A decimal followed by a short exponent, as the window's lanes show it.
struct DecimalWithExponent {
    DecimalWindow::Decimal decimal;
    int exponent;
};

/// The item whose decimal, in the lanes below `end`, is followed by a short
/// exponent running to `comma`, when the power of ten it is scaled by stays
/// exact: `digits` and `points` are the lanes of the item below the comma
/// that hold them. Nothing for anything else.
std::optional<DecimalWithExponent> withShortExponent(const char16_t* at, unsigned end, unsigned comma,
                                                     unsigned digits, unsigned points) {
    const unsigned decimalLanes = ascii_digits::lanesBelow[end];
    if ((digits & decimalLanes) == 0 || (points & ~decimalLanes) != 0 || (points & (points - 1)) != 0)
        return std::nullopt;
    const std::optional<int> exponent = shortExponent(at + end, at + comma);
    if (!exponent) return std::nullopt;
    const auto pointAt = static_cast<unsigned>(std::countr_zero(points | (1u << end)));
    const DecimalWindow::Decimal decimal{pointAt, end - (points != 0 ? 1u : 0u), end};
    const int power = DecimalWindow::pointPower(decimal) - *exponent;
    if (power < -22 || power > 22) return std::nullopt;
    return DecimalWithExponent{decimal, *exponent};
}

/// The usual item at the start of `text`, when `text` has UsualItemReach
/// units: a space typed after the comma or none, an ASCII sign or none, a
/// short decimal and maybe a short exponent, ending at a comma within the
/// 16 units after the sign. Answers where the comma is, or 0 (no such item;
/// the general reading then takes it). Inline, as the list's hot path: no
/// call, no branch on the space or the sign (which follow no pattern in a
/// list), no rounding check for a not-a-number, and the comma found in the
/// same look as the digits.
CORVANE_ALWAYS_INLINE std::size_t readUsualItem(std::u16string_view text, float& value) {
    if (text.size() < UsualItemReach) return 0;
    const char16_t* at = text.data();
    at += *at == u' ';
    const char16_t first = *at;
    const auto negative = static_cast<unsigned>(first == u'-');
    at += negative | static_cast<unsigned>(first == u'+');
    const DecimalWindow window(at);
    // The lanes before the comma (none when the window holds no comma).
    const auto comma = static_cast<unsigned>(std::countr_zero(window.lanesHolding(',') | 0x10000u));
    const unsigned item = ascii_digits::lanesBelow[comma];
    const unsigned digits = window.digitLanes() & item;
    const unsigned points = window.lanesHolding('.') & item;
    const unsigned others = item & ~(digits | points);
    if ((others | (points & (points - 1))) == 0 && digits != 0) [[likely]] {
        // Digits and at most one point.
        const auto pointAt = static_cast<unsigned>(std::countr_zero(points | 0x10000u | (1u << comma)));
        const DecimalWindow::Decimal decimal{pointAt, comma - (points != 0 ? 1u : 0u), comma};
        value = static_cast<float>(window.value(decimal, negative));
    } else {
        const auto end = static_cast<unsigned>(std::countr_zero(others | 0x10000u));
        const std::optional<DecimalWithExponent> typed = withShortExponent(at, end, comma, digits, points);
        if (!typed) return 0;
        value = static_cast<float>(window.value(typed->decimal, typed->exponent, negative));
    }
    return static_cast<std::size_t>(at - text.data()) + comma;
}

/// Commas among the first `count` units at `units`: sixteen units a time,
/// counted in byte lanes and summed every 255 blocks, before they could overflow.
std::size_t countCommas(const char16_t* units, std::size_t count) {
    std::size_t total = 0;
    std::size_t i = 0;
    while (count - i >= 16) {
        __m128i counts = _mm_setzero_si128();
        for (const std::size_t stop = i + 16 * std::min<std::size_t>((count - i) / 16, 255); i != stop; i += 16) {
            counts = _mm_sub_epi8(counts, commaBytes(units + i));  // all ones is -1
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        total += static_cast<std::size_t>(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
    return total + static_cast<std::size_t>(std::count(units + i, units + count, u','));
}

/// The part of the list still to be read: the rest of the text and the slot
/// its first item goes to.
struct ListCursor {
    std::u16string_view text;
    std::size_t slot;
};

/// Reads the cursor's item the general way and answers the cursor past it.
/// Nothing when nothing more is consumed (no comma left, or an empty item):
/// the value then stands for every later slot, which are filled. (Cursors
/// pass by value: one whose address went to a call could not be kept in
/// registers around it.)
CORVANE_NOINLINE std::optional<ListCursor> readItem(ListCursor cursor, std::span<float> values) {
    const std::size_t comma = findComma(cursor.text);
    const float value = roundToFloat(readNumber(cursor.text).value);
    if (comma == 0 || comma == std::u16string_view::npos) {
        std::fill(values.begin() + static_cast<std::ptrdiff_t>(cursor.slot), values.end(), value);
        return std::nullopt;
    }
    values[cursor.slot] = value;
    return ListCursor{cursor.text.substr(comma + 1), cursor.slot + 1};
}

/// Reads the cursor's item, the usual one inline, and moves past it; false
/// when nothing more is consumed, as readItem.
CORVANE_ALWAYS_INLINE bool readNextItem(ListCursor& cursor, std::span<float> values) {
    if (const std::size_t usualEnd = readUsualItem(cursor.text, values[cursor.slot]); usualEnd != 0) {
        cursor.text.remove_prefix(usualEnd + 1);
        ++cursor.slot;
        return true;
    }
    const std::optional<ListCursor> next = readItem(cursor, values);
    if (next) cursor = *next;
    return next.has_value();
}

/// How many parts a long text is read in, side by side: enough for the
/// processor to overlap their items' readings (with two or three, typed
/// lists read slower).
constexpr std::size_t Parts = 4;

/// The shortest part worth its own reading.
constexpr std::size_t PartUnitsFrom = 128;

}  // namespace

// Each item is read from the whole rest of the text: a number never takes a
// comma, so the reading is the item's. Where an item starts depends on where
// the one before it ended, a chain of dependent loads; so a long text is
// read in parts side by side, each from the first comma past its share of
// the text, its first slot known from the commas before it. Each part's
// items are consumed as they would be in one pass. A part that stops
// consuming (an empty item, or the end) fills every later slot, over what
// the parts after it read, and those stop.
void parseNumberList(std::u16string_view text, std::span<float> values) {
    std::array<ListCursor, Parts> cursors{};
    std::array<std::size_t, Parts> ends{};  // where each part's slots end
    cursors[0] = ListCursor{text, 0};
    std::size_t parts = 1;
    if (text.size() >= Parts * PartUnitsFrom) {
        std::size_t partStart = 0;  // in the text, just past the comma before the last part found
        std::size_t slot = 0;
        for (std::size_t k = 1; k < Parts; ++k) {
            const std::size_t from = std::max(k * text.size() / Parts, partStart);
            const std::size_t cut = findComma(text.substr(from));
            if (cut == std::u16string_view::npos) break;
            slot += countCommas(text.data() + partStart, from + cut - partStart) + 1;
            if (slot >= values.size()) break;
            partStart = from + cut + 1;
            ends[parts - 1] = slot;
            cursors[parts++] = ListCursor{text.substr(partStart), slot};
        }
    }
    ends[parts - 1] = values.size();

    // One item of part k, if it has one left; false when it has none.
    const auto readPart = [&](std::size_t k) {
        if (k >= parts || cursors[k].slot == ends[k]) return false;
        if (!readNextItem(cursors[k], values)) parts = k;
        return true;
    };
    // One item of each part in turn, until every part is read; the parts are
    // spelled out, so that each reading works on a cursor known beforehand.
    for (bool reading = true; reading;) {
        reading = false;
        [&]<std::size_t... k>(std::index_sequence<k...>) {
            ((reading = readPart(k) || reading), ...);
        }(std::make_index_sequence<Parts>());
    }
}
