#include "module/NumberListText.h"

#include <iterator>
#include <string_view>

#include "module/NumberFormatter.h"

namespace {

using Item = NumberListText::Item;

/// Appends `item` to the list text `text` and answers where it begins.
std::uint32_t appendItem(std::u16string& text, std::u16string_view item) {
    if (!text.empty()) text += u',';  // no item is ever empty
    const auto start = static_cast<std::uint32_t>(text.size());
    text += item;
    return start;
}

/// Units that `zeros` 0.0000 items and then `item` add to a text of `size` units.
std::size_t grownSize(std::size_t size, std::size_t zeros, std::u16string_view zero, std::u16string_view item) {
    return size + zeros * (zero.size() + 1) + item.size() + 1;
}

}  // namespace

void NumberListText::assign(std::span<const float> values) {
    std::u16string text;
    std::vector<std::uint32_t> itemStarts(values.size());
    text.reserve(values.size() * 8);  // the usual item is short: 0.0000 to 999.9999
    // Items are formatted into a chunk that is appended when full: one
    // append per few hundred items instead of two per item.
    char16_t chunk[4096];
    std::size_t used = 0;
    std::size_t appended = 0;  // text.size(), kept here where no call can change it
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (used + 1 + NumberTextCapacity > std::size(chunk)) {
            text.append(chunk, used);
            appended += used;
            used = 0;
        }
        // Every item after the first follows a comma (the first writes over it).
        chunk[used] = u',';
        used += i != 0 ? 1 : 0;
        itemStarts[i] = static_cast<std::uint32_t>(appended + used);
        used += formatNumber(values[i], std::span<char16_t, NumberTextCapacity>(chunk + used, NumberTextCapacity));
    }
    text.append(chunk, used);
    joined.swap(text);
    starts.swap(itemStarts);
}

std::u16string NumberListText::textAfterSet(std::size_t index, const Item& item) const {
    std::u16string text;
    if (index < size()) {
        const std::size_t start = starts[index];
        const std::size_t end = itemEnd(index);
        text.reserve(joined.size() - (end - start) + item.view().size());
        text.append(joined, 0, start).append(item.view()).append(joined, end);
        return text;
    }
    const Item zero(0.0f);
    const std::size_t zeros = index - size();
    text.reserve(grownSize(joined.size(), zeros, zero.view(), item.view()));
    text = joined;
    for (std::size_t i = 0; i < zeros; ++i) appendItem(text, zero.view());
    appendItem(text, item.view());
    return text;
}

void NumberListText::set(std::size_t index, const Item& item) {
    if (index < size()) {
        const std::size_t start = starts[index];
        const std::size_t oldLength = itemEnd(index) - start;
        joined.replace(start, oldLength, item.view());  // may throw before it changes anything
        // Unsigned arithmetic wraps, so adding the difference also moves items back.
        const auto shift = static_cast<std::uint32_t>(item.view().size() - oldLength);
        if (shift == 0) return;  // a value of the same length, as often: nothing moves
        for (std::size_t i = index + 1; i < starts.size(); ++i) starts[i] += shift;
        return;
    }
    const Item zero(0.0f);
    const std::size_t zeros = index - size();
    starts.reserve(index + 1);
    joined.reserve(grownSize(joined.size(), zeros, zero.view(), item.view()));
    // Within the reserved room: nothing below allocates.
    for (std::size_t i = 0; i < zeros; ++i) starts.push_back(appendItem(joined, zero.view()));
    starts.push_back(appendItem(joined, item.view()));
}

std::size_t NumberListText::itemEnd(std::size_t index) const {
    return index + 1 < starts.size() ? starts[index + 1] - 1 : joined.size();
}
