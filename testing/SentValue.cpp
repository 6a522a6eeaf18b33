#include "testing/SentValue.h"

#include <cstring>

namespace corvane::testing {

std::u16string SentValue::text() const {
    std::u16string units(bytes.size() / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}

float SentValue::number() const {
    float value = 0;
    if (bytes.size() == sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

SentValue SentValue::record(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t voice) {
    SentValue call{pinIndex, byteSize, data, voice, {}};
    if (byteSize > 0 && data != nullptr) {
        const auto* first = static_cast<const unsigned char*>(data);
        call.bytes.assign(first, first + byteSize);
    }
    return call;
}

}  // namespace corvane::testing
