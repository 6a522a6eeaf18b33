// The value formatter: C's "%.4f" in the classic locale, as UTF-16 units. A
// table of the forms and edges, and (natively) a comparison with the C
// library's own printf over many floats.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
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
        {-1e10f, "-10000000000.0000"},
        {std::numeric_limits<float>::max(), "340282346638528859811704183484516925440.0000"},
        {-std::numeric_limits<float>::max(), "-340282346638528859811704183484516925440.0000"},
        {std::numeric_limits<float>::denorm_min(), "0.0000"},
        {inf, "inf"},
        {-inf, "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
        {-std::numeric_limits<float>::quiet_NaN(), "-nan"},
        {std::bit_cast<float>(0x7f800001u), "nan"},
    };
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(formatted(value), expected);
    }
}

TEST(NumberFormatter, WritesOnlyItsLength) {
    char16_t units[NumberTextCapacity];
    std::fill(std::begin(units), std::end(units), u'#');
    EXPECT_EQ(formatNumber(-2.5f, units), 7u);
    EXPECT_EQ(std::u16string(units, units + 8), u"-2.5000#");
}

#ifndef _WIN32
// The C library's own printf (glibc: the reference; the Windows runtime's
// differs in its not-a-number spelling and is not compared).
TEST(NumberFormatter, AgreesWithTheCLibrary) {
    std::mt19937 random(20260102);
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 10; ++i) {
        // Any bit pattern (all magnitudes, subnormals, NaNs), or every other
        // time one between 2^-20 and 2^20, where the four decimals round.
        std::uint32_t bits = static_cast<std::uint32_t>(random());
        if (i % 2 == 0) bits = (bits & 0x807fffffu) | ((107u + (bits >> 23) % 41u) << 23);
        const float value = std::bit_cast<float>(bits);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.4f", static_cast<double>(value));
        if (formatted(value) != expected) {
            ++failures;
            ADD_FAILURE() << std::hex << bits << ": formatted " << formatted(value) << ", printf " << expected;
        }
    }
}
#endif

}  // namespace
