// The float pin: what it takes from the host's bytes, when that counts as a
// change, and the 4 bytes it sends.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "gui/FloatGuiPin.h"
#include "gui/GuiPinOwner.h"

namespace {

class SentFloats final : public GuiPinOwner {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t) override {
        float value = 0.0f;
        EXPECT_EQ(byteSize, 4);
        std::memcpy(&value, data, sizeof value);
        sent.push_back({pinIndex, value});
        return 0;
    }
    struct Value {
        std::int32_t pinIndex;
        float value;
    };
    std::vector<Value> sent;
};

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(FloatGuiPin, TakesHostBytes) {
    const float pi = 3.25f;
    const unsigned char eight[8] = {0x00, 0x00, 0x50, 0x40, 0xff, 0xff, 0xff, 0xff};  // 3.25f, then junk
    const unsigned char two[2] = {0x00, 0x00};
    const float negativeZero = -0.0f;
    struct Row {
        const char* what;
        float before;
        std::int32_t byteSize;
        const void* data;
        bool changed;
        float after;
    } rows[] = {
        {"4 bytes", 0.0f, 4, &pi, true, 3.25f},
        {"the same value", 3.25f, 4, &pi, false, 3.25f},
        {"8 bytes: the first 4", 0.0f, 8, eight, true, 3.25f},
        {"2 bytes over 0.0", 3.25f, 2, two, true, 0.0f},
        {"no bytes: 0.0", 3.25f, 0, nullptr, true, 0.0f},
        {"-0.0 is not 0.0", 0.0f, 4, &negativeZero, true, -0.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FloatGuiPin pin;
        pin.setValueRaw(0, 4, &row.before);
        EXPECT_EQ(pin.setValueRaw(0, row.byteSize, row.data), row.changed);
        EXPECT_TRUE(sameBits(pin.getValue(), row.after)) << pin.getValue();
    }
}

TEST(FloatGuiPin, SendsFourBytesOnChangeOnly) {
    SentFloats owner;
    FloatGuiPin pin;
    pin.bindToOwner(&owner, 3, nullptr);
    pin.setValue(0.5f);
    pin.setValue(0.5f);
    pin.setValue(std::numeric_limits<float>::infinity());
    ASSERT_EQ(owner.sent.size(), 2u);
    EXPECT_EQ(owner.sent[0].pinIndex, 3);
    EXPECT_EQ(owner.sent[0].value, 0.5f);
    EXPECT_EQ(owner.sent[1].value, std::numeric_limits<float>::infinity());
    EXPECT_EQ(pin.rawSize(), 4);
}
