#include "gui/FloatGuiPin.h"

#include <algorithm>
#include <cstring>

FloatGuiPin::~FloatGuiPin() = default;

bool FloatGuiPin::setValueRaw(std::int32_t, std::int32_t byteSize, const void* data) {
    float next = 0.0f;
    if (byteSize > 0 && data != nullptr)
        std::memcpy(&next, data, std::min<std::size_t>(static_cast<std::size_t>(byteSize), sizeof next));
    if (std::memcmp(&next, &value, sizeof next) == 0) return false;
    value = next;
    return true;
}

std::int32_t FloatGuiPin::pinQueryA() { return 0; }

std::int32_t FloatGuiPin::rawSize() const { return sizeof value; }

const void* FloatGuiPin::rawData() const { return &value; }

std::int32_t FloatGuiPin::pinQueryB() { return 0; }
