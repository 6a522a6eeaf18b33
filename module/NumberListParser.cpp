#include "module/NumberListParser.h"

#include <algorithm>
#include <bit>
#include <emmintrin.h>

#include "module/NumberParser.h"

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

}  // namespace

// Each item is read from the whole rest of the text: a number never takes a
// comma, so the reading is the item's. The comma is looked for from the
// item's start, not from where the number ended: the next item's start then
// does not wait for this item's reading, and the processor overlaps them.
void parseNumberList(std::u16string_view text, std::span<float> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
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
