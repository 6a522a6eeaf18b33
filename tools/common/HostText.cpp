#include "tools/common/HostText.h"

#include <charconv>
#include <cstdint>

namespace {

// Decodes one UTF-8 sequence at `at`; answers the code point and advances, or
// nullopt for a malformed, overlong or surrogate sequence.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    int extra = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, point = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, point = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, point = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - at <= static_cast<std::size_t>(extra)) return std::nullopt;
    for (int i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return std::nullopt;
    at += extra + 1;
    return point;
}

void appendUtf16(std::u16string& out, char32_t point) {
    if (point < 0x10000) {
        out += static_cast<char16_t>(point);
    } else {
        point -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (point >> 10));
        out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    }
}

void appendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

void appendEscapedUnit(std::string& out, char16_t unit) {
    static const char hex[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += hex[(unit >> shift) & 0xF];
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
    std::u16string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto point = nextCodePoint(text, at);
        if (!point) return std::nullopt;
        appendUtf16(out, *point);
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, isHighSurrogate(unit) || isLowSurrogate(unit) ? char32_t{0xFFFD} : char32_t{unit});
        }
    }
    return out;
}

std::string quoteUtf16(std::u16string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        switch (unit) {
            case u'"': out += "\\\""; continue;
            case u'\\': out += "\\\\"; continue;
            case u'\n': out += "\\n"; continue;
            case u'\r': out += "\\r"; continue;
            case u'\t': out += "\\t"; continue;
            default: break;
        }
        if (unit < 0x20 || unit == 0x7F) {
            appendEscapedUnit(out, unit);
        } else if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendEscapedUnit(out, unit);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out + "\"";
}

std::optional<std::u16string> unquoteUtf16(std::string_view text, std::size_t& consumed, std::string& error) {
    if (text.empty() || text[0] != '"') {
        error = "expected a text in double quotes";
        return std::nullopt;
    }
    std::u16string out;
    std::size_t at = 1;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"') {
            consumed = at + 1;
            return out;
        }
        if (c != '\\') {
            const auto point = nextCodePoint(text, at);
            if (!point) {
                error = "the text is not valid UTF-8";
                return std::nullopt;
            }
            appendUtf16(out, *point);
            continue;
        }
        if (at + 1 >= text.size()) break;
        const char escape = text[at + 1];
        at += 2;
        switch (escape) {
            case '"': out += u'"'; break;
            case '\\': out += u'\\'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'u': {
                std::uint32_t unit = 0;
                for (int i = 0; i < 4; ++i, ++at) {
                    const char h = at < text.size() ? text[at] : '\0';
                    const int digit = h >= '0' && h <= '9'   ? h - '0'
                                      : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                      : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                             : -1;
                    if (digit < 0) {
                        error = "expected four hexadecimal digits after \\u";
                        return std::nullopt;
                    }
                    unit = unit * 16 + static_cast<std::uint32_t>(digit);
                }
                out += static_cast<char16_t>(unit);
                break;
            }
            default:
                error = std::string("unknown escape \\") + escape + " (use \\\" \\\\ \\n \\r \\t or \\uXXXX)";
                return std::nullopt;
        }
    }
    error = "the text has no closing double quote";
    return std::nullopt;
}

namespace {

template <typename Number>
std::string shortest(Number value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace

std::string formatNumber(double value) { return shortest(value); }
std::string formatNumber(float value) { return shortest(value); }

std::filesystem::path pathFromUtf8(std::string_view path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}
