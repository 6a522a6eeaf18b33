// A text pin: its value is UTF-16 code units, which travel to and from the
// host as 2 little-endian bytes per unit with no terminator. Also converts
// its text from and to UTF-8 for GUI code that works in UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/MpGuiPin.h"

class StringGuiPin : public MpGuiPin<std::u16string> {
public:
    ~StringGuiPin() override;
    /// Takes byteSize / 2 units (an odd last byte is not used) unless they equal
    /// the stored text byte for byte. True when the text changed.
    bool setValueRaw(std::int32_t voice, std::int32_t byteSize, const void* data) override;
    /// Answers 1.
    std::int32_t pinQueryA() override;
    /// 2 bytes per unit.
    std::int32_t rawSize() const override;
    /// The first unit; a valid empty buffer for an empty text.
    const void* rawData() const override;
    /// Answers 0.
    std::int32_t pinQueryB() override;

    /// Converts `utf8` (see gui/Utf8.h) and continues as setValue. Invalid
    /// UTF-8 throws std::range_error("bad conversion"), leaving the pin as it
    /// was and sending nothing. Answers `utf8`.
    std::string_view setValueUtf8(std::string_view utf8);
    /// The text as UTF-8; never fails on content.
    std::string valueUtf8() const;
};
