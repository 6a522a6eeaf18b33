#include "gui/StringGuiPin.h"

#include <cstdint>
#include <cstring>

#include "gui/Utf8.h"

StringGuiPin::~StringGuiPin() = default;

bool StringGuiPin::setValueRaw(std::int32_t, std::int32_t byteSize, const void* data) {
    const auto bytes = static_cast<std::size_t>(byteSize);
    if (bytes == value.size() * sizeof(char16_t) && (bytes == 0 || std::memcmp(data, value.data(), bytes) == 0))
        return false;
    // Built aside and moved in, so an allocation failure keeps the old text.
    // The host's bytes need not be aligned for char16_t: those that are (the
    // usual case) are copied in one go, others through a cleared text.
    const std::size_t units = bytes / sizeof(char16_t);
    std::u16string next;
    if (reinterpret_cast<std::uintptr_t>(data) % alignof(char16_t) == 0) {
        next.assign(static_cast<const char16_t*>(data), units);
    } else {
        next.assign(units, u'\0');
        std::memcpy(next.data(), data, units * sizeof(char16_t));
    }
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
