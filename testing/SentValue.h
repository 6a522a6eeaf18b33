// One value an object sent to its host through sendPinValue, as the test
// hosts of Corvane::testing record it: the call's arguments and a copy of
// its bytes, read as a float or as UTF-16 text by the test that checks it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::testing {

struct SentValue {
    std::int32_t pinIndex;
    std::int32_t byteSize;
    const void* data;  // as passed; only valid during the call
    std::int32_t voice;
    std::vector<unsigned char> bytes;  // copied during the call

    /// The bytes as UTF-16 units (a text pin sends them without a terminator).
    std::u16string text() const;
    /// The bytes as a float; 0 when they are not exactly one float's size.
    float number() const;

    /// Copies `byteSize` bytes of `data` (none when null or not positive).
    static SentValue record(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t voice);
};

}  // namespace corvane::testing
