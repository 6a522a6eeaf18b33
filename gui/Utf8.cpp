#include "gui/Utf8.h"

#include <cstdint>
#include <stdexcept>

namespace {

[[noreturn]] void badConversion() { throw std::range_error("bad conversion"); }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u16string utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++at;
            continue;
        }
        std::size_t extra;
        char32_t codePoint;
        char32_t smallest;  // below this the form is overlong
        if (lead < 0xC0) badConversion();  // a continuation byte where a sequence starts
        if (lead < 0xE0) {
            extra = 1;
            codePoint = lead & 0x1F;
            smallest = 0x80;
        } else if (lead < 0xF0) {
            extra = 2;
            codePoint = lead & 0x0F;
            smallest = 0x800;
        } else if (lead < 0xF5) {
            extra = 3;
            codePoint = lead & 0x07;
            smallest = 0x10000;
        } else {
            badConversion();  // F5..F7 start above U+10FFFF; F8..FF start nothing
        }
        if (utf8.size() - at <= extra) badConversion();  // ends early
        for (std::size_t i = 1; i <= extra; ++i) {
            const auto byte = static_cast<unsigned char>(utf8[at + i]);
            if (!isContinuation(byte)) badConversion();  // breaks off
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint < smallest || codePoint > 0x10FFFF) badConversion();
        if (codePoint <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(codePoint));
        } else {
            const char32_t above = codePoint - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (above >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (above & 0x3FF)));
        }
        at += extra + 1;
    }
    return out;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
    std::size_t bytes = 0;
    for (const char16_t unit : utf16) bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
    std::string out;
    out.reserve(bytes);
    for (const char16_t unit : utf16) {
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return out;
}
