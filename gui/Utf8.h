// UTF-8 conversion of pin text, used by StringGuiPin. Stateless: safe to call
// from any thread, no shared converter objects.
#pragma once

#include <string>
#include <string_view>

/// Reads UTF-8 into UTF-16 units. A code point up to U+FFFF becomes one unit,
/// including an encoded surrogate (ED A0 80 gives D800), so utf8FromUtf16's
/// output always reads back to the same units. A code point above U+FFFF
/// becomes a surrogate pair. No byte-order-mark handling.
/// Throws std::range_error("bad conversion") on a stray continuation byte, a
/// sequence that breaks off or ends early, an overlong form, or a code point
/// above U+10FFFF (including lead bytes F5 to FF).
std::u16string utf16FromUtf8(std::string_view utf8);

/// Writes each UTF-16 unit as one code point of 1 to 3 bytes: below 0x80 one,
/// below 0x800 two, otherwise three. A surrogate is written on its own, not
/// paired with its partner. Never fails on content.
std::string utf8FromUtf16(std::u16string_view utf16);
