#include "module/NumberListParser.h"

#include <algorithm>

#include "module/NumberParser.h"

// One pass over the text: a number never takes a comma, so each item is read
// from the rest of the text, and its comma is looked for only after the number.
void parseNumberList(std::u16string_view text, std::span<float> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const NumberReading reading = readNumber(text);
        const float value = roundToFloat(reading.value);
        const std::size_t comma = text.find(u',', reading.end);
        if (comma == 0 || comma == std::u16string_view::npos) {
            // Nothing more is consumed, so this value stands for the later slots too.
            std::fill(values.begin() + static_cast<std::ptrdiff_t>(i), values.end(), value);
            return;
        }
        values[i] = value;
        text.remove_prefix(comma + 1);
    }
}
