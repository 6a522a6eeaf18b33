// The value formatter: the Windows runtime's "%.4f" in the classic locale, as
// UTF-16 units. A table of the forms and edges, and a comparison with
// std::to_chars over a seeded sample of float bit patterns (all of them:
// tests/opt-in/number_formatter_exhaustive.cpp).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "NumberTextSupport.h"
#include "module/NumberFormatter.h"

namespace {

TEST(NumberFormatter, WritesFixedWithFourDecimals) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, std::string>> rows = {
        {1.0f, "1.0000"},
        {0.1f, "0.1000"},
        {2.5f, "2.5000"},
        {123456.789f, "123456.7891"},  // the float's own value is what gets rounded
        {0.0f, "0.0000"},
        {-0.0f, "-0.0000"},
        {-0.00004f, "-0.0000"},
        {0.00004f, "0.0000"},
        {0.00005f, "0.0000"},   // the float lies just below the decimal tie
        {0.00015f, "0.0002"},   // ... and this one just above
        {0.5f / 16384, "0.0000"},  // 0.000030517578125 exactly: no tie, plain rounding down
        {1.03125f, "1.0312"},   // an exact tie goes to the even digit
        {1.09375f, "1.0938"},
        {0.03125f, "0.0312"},
        {-std::nextafter(0.00005f, 1.0f), "-0.0001"},  // the next float is above the tie
        {0.99995f, "0.9999"},   // the float lies below the decimal tie: no carry into the integer
        {9.99995f, "10.0000"},  // ... and above it: the carry makes a new integer digit
        {65535.99997f, "65536.0000"},
        {16777216.0f, "16777216.0000"},
        {9223372036854775808.0f, "9223372036854775808.0000"},  // 2^63: the first left to the general path
        {9223371487098961920.0f, "9223371487098961920.0000"},  // the largest float below it
        {-1e10f, "-10000000000.0000"},
        {std::numeric_limits<float>::max(), "340282346638528859811704183484516925440.0000"},
        {-std::numeric_limits<float>::max(), "-340282346638528859811704183484516925440.0000"},
        {std::numeric_limits<float>::denorm_min(), "0.0000"},
        {inf, "inf"},
        {-inf, "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
        {std::bit_cast<float>(0xffc00000u), "-nan(ind)"},  // the runtime's indeterminate value
        {std::bit_cast<float>(0xffc00001u), "-nan"},
        {std::bit_cast<float>(0xffffffffu), "-nan"},
        {std::bit_cast<float>(0x7fffffffu), "nan"},
        {std::bit_cast<float>(0x7f800001u), "nan"},
        {std::bit_cast<float>(0xff800001u), "-nan"},
    };
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(formatted(value), expected);
    }
}

// The text is at the front and its length is answered; the units after it
// may be scratch, but nothing past the capacity is touched.
TEST(NumberFormatter, WritesWithinItsCapacity) {
    struct {
        char16_t units[NumberTextCapacity];
        char16_t guard[8];
    } buffer;
    std::fill(std::begin(buffer.guard), std::end(buffer.guard), u'#');
    for (const float value : {-2.5f, 0.0f, -12345678.0f, 3.4e38f, -3.4e38f}) {
        const std::size_t length = formatNumber(value, buffer.units);
        EXPECT_EQ(std::string(buffer.units, buffer.units + length), referenceText(value));
        EXPECT_EQ(std::u16string(std::begin(buffer.guard), std::end(buffer.guard)), u"########");
    }
}

// A seeded sample of bit patterns against the reference: any pattern, or
// every other one with an exponent where the four decimals round (2^-20 to
// 2^20), plus every pattern near the edges of the integer arithmetic.
TEST(NumberFormatter, AgreesWithToCharsOnASample) {
    std::vector<std::uint32_t> patterns;
    std::mt19937 random(20260102);
    for (int i = 0; i < 4000000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(random());
        if (i % 2 == 0) bits = (bits & 0x807fffffu) | ((107u + (bits >> 23) % 41u) << 23);
        patterns.push_back(bits);
    }
    for (const float edge : {0.00005f, 0.5f, 1.0f, 9.99995f, 0x1p63f}) {
        const auto bits = std::bit_cast<std::uint32_t>(edge);
        for (std::uint32_t near = bits - 1000; near != bits + 1000; ++near) patterns.push_back(near);
    }
    int failures = 0;
    for (const std::uint32_t bits : patterns) {
        const float value = std::bit_cast<float>(bits);
        if (formatted(value) != referenceText(value) && ++failures <= 10) {
            ADD_FAILURE() << std::hex << bits << ": formatted " << formatted(value) << ", expected "
                          << referenceText(value);
        }
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
