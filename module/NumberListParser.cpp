#include "module/NumberListParser.h"

#include <algorithm>

#include "module/NumberParser.h"

void parseNumberList(std::u16string_view text, std::span<float> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t comma = text.find(u',');
        if (comma == 0 || comma == std::u16string_view::npos) {
            // Nothing more is consumed, so this value stands for the later slots too.
            std::fill(values.begin() + static_cast<std::ptrdiff_t>(i), values.end(), parseItem(text));
            return;
        }
        values[i] = parseItem(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
}
