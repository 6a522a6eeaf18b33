// A float pin: its value is one IEEE single-precision number, which travels to
// and from the host as 4 little-endian bytes. For modules whose pin
// description declares a pin of type "float" and that want it as a pin
// object (registered, compared, sent) rather than handling setPin by hand.
#pragma once

#include <cstdint>

#include "gui/MpGuiPin.h"

class FloatGuiPin : public MpGuiPin<float> {
public:
    ~FloatGuiPin() override;
    /// Takes the first min(byteSize, 4) bytes over 0.0, as the module takes
    /// its float pins. True when the stored bits changed (so -0.0 differs from
    /// 0.0, and a NaN equal to the stored one bit for bit is no change).
    bool setValueRaw(std::int32_t voice, std::int32_t byteSize, const void* data) override;
    /// Answers 0.
    std::int32_t pinQueryA() override;
    /// Always 4.
    std::int32_t rawSize() const override;
    const void* rawData() const override;
    /// Answers 0.
    std::int32_t pinQueryB() override;
};
