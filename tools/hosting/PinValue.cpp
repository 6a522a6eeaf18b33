#include "tools/hosting/PinValue.h"

#include <cmath>
#include <cstring>

#include "tools/common/HostText.h"

namespace {

std::string hexBytes(const std::vector<unsigned char>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

DecodedValue raw(const SentValue& value, std::string type, std::string problem, bool bytesWrong = true) {
    const std::string hex = hexBytes(value.bytes);
    return {std::move(type), "bytes[" + std::to_string(value.byteSize) + "] " + (hex.empty() ? "-" : hex),
            "\"" + hex + "\"", std::move(problem), bytesWrong};
}

}  // namespace

DecodedValue decodeValue(const SentValue& value, const ClassPins& pins) {
    const PinEntry* pin = pins.find(value.pin);
    if (pin == nullptr)
        return raw(value, "raw",
                   "pin " + std::to_string(value.pin) + " is not in the pin description" + (pins.source.empty() ? "" : " (" + pins.source + ")"),
                   false);
    const std::string type = pinTypeName(pin->type);
    if (value.byteSize < 0) return raw(value, type, "negative byte size");
    if (value.byteSize > 0 && value.dataWasNull) return raw(value, type, "null data for a positive byte size");

    std::string problem;
    if (pin->direction == PinDirection::In) problem = "pin " + std::to_string(value.pin) + " is an input pin";
    if (pin->type == PinType::Float) {
        if (value.byteSize != 4) return raw(value, type, "a float pin value has 4 bytes");
        float number = 0;
        std::memcpy(&number, value.bytes.data(), sizeof number);
        const std::string text = formatNumber(number);
        return {type, text, std::isfinite(number) ? text : "\"" + text + "\"", problem};
    }
    if (value.byteSize % 2 != 0)
        return raw(value, type,
                   "a text pin value has an odd byte size (" + std::to_string(value.byteSize) + "): a text is whole UTF-16 units");
    std::u16string units(value.bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(value.bytes[2 * i] | (value.bytes[2 * i + 1] << 8));
    const std::string quoted = quoteUtf16(units);
    return {type, quoted, quoted, problem};
}
