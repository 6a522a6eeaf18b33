// Reads the number-list text the host writes on CorvaneGui's text pin into
// the float slots. Called by CorvaneGui on each text change. The usual item
// (a short decimal) is read inline, any other through NumberParser; a long
// text is read in a few parts side by side, with the result of one pass.
#pragma once

#include <span>
#include <string_view>

/// Fills values[i] from the i-th comma-separated item of `text`, parsed by
/// parseItem. Once no item is left to consume, every later slot takes the
/// rest of the text again: when no comma is left that is the last item, and
/// when the rest begins with a comma (an empty item) it parses as 0.
/// Throws std::bad_alloc only for items with very long number text.
void parseNumberList(std::u16string_view text, std::span<float> values);
