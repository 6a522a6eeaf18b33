#include "gui/StringGuiPin.h"

#include <cstring>

#include "gui/Utf8.h"

StringGuiPin::~StringGuiPin() = default;

bool StringGuiPin::setValueRaw(std::int32_t, std::int32_t byteSize, const void* data) {
    const auto bytes = static_cast<std::size_t>(byteSize);
    if (bytes == value.size() * sizeof(char16_t) && (bytes == 0 || std::memcmp(data, value.data(), bytes) == 0))
        return false;
    // Built aside and moved in, so an allocation failure keeps the old text.
    // memcpy because the host's bytes need not be aligned for char16_t.
    std::u16string next(bytes / sizeof(char16_t), u'\0');
    if (!next.empty()) std::memcpy(next.data(), data, next.size() * sizeof(char16_t));
    replaceValue(next);
    return true;
}

std::int32_t StringGuiPin::pinQueryA() { return 1; }

std::int32_t StringGuiPin::rawSize() const { return static_cast<std::int32_t>(value.size() * sizeof(char16_t)); }

const void* StringGuiPin::rawData() const { return value.data(); }

std::int32_t StringGuiPin::pinQueryB() { return 0; }

std::string_view StringGuiPin::setValueUtf8(std::string_view utf8) {
    setValue(utf16FromUtf8(utf8));
    return utf8;
}

std::string StringGuiPin::valueUtf8() const { return utf8FromUtf16(value); }
