// The number list as CorvaneGui writes it onto its text pin: every value
// formatted once (NumberFormatter), joined by single commas, with the place
// of each item kept, so that one changed value is re-joined without
// formatting the others. CorvaneGui owns one and keeps it in step with its
// float values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "module/NumberFormatter.h"

class NumberListText {
public:
    /// One value's text, formatted once into its own small buffer, for a
    /// caller that both previews and makes a change.
    class Item {
    public:
        explicit Item(float value) noexcept : length(formatNumber(value, units)) {}
        std::u16string_view view() const { return {units, length}; }

    private:
        char16_t units[NumberTextCapacity];
        std::size_t length;
    };

    /// Formats every value anew. Throws std::bad_alloc leaving the list as it was.
    void assign(std::span<const float> values);

    /// The text set(index, item) would make, built aside; the list is unchanged.
    /// Throws std::bad_alloc.
    std::u16string textAfterSet(std::size_t index, const Item& item) const;

    /// Makes item `index` the text `item`; a list shorter than that first
    /// gets 0.0000 items up to it. Throws std::bad_alloc leaving the list as it was.
    void set(std::size_t index, const Item& item);

    /// Number of items.
    std::size_t size() const { return starts.size(); }
    const std::u16string& text() const { return joined; }

private:
    std::size_t itemEnd(std::size_t index) const;

    std::u16string joined;
    // Where item i begins in `joined`. 32 bits hold any text CorvaneGui can
    // make: at most 65,536 items of at most 46 units with their commas.
    std::vector<std::uint32_t> starts;
};
