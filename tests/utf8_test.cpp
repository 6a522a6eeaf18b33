// UTF-8 conversion of pin text: one table for both directions and malformed
// input, a random round trip, and the text pin's UTF-8 operations.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/GuiPinOwner.h"
#include "gui/StringGuiPin.h"
#include "gui/Utf8.h"

namespace {

std::string bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

// Expects the exact exception the pin documents.
void expectBadConversion(std::string_view utf8) {
    try {
        utf16FromUtf8(utf8);
        ADD_FAILURE() << "no exception";
    } catch (const std::range_error& error) {
        EXPECT_STREQ(error.what(), "bad conversion");
    }
}

}  // namespace

TEST(Utf8, Table) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
        bool writesBack;  // utf8FromUtf16(utf16) gives utf8 again
    };
    const Case cases[] = {
        {"empty", "", u"", true},
        {"ASCII, NUL included", std::string("a\0~", 3), std::u16string(u"a\0~", 3), true},
        {"two bytes: U+00E9", bytes({0xC3, 0xA9}), u"\u00E9", true},
        {"two bytes: U+0080 and U+07FF", bytes({0xC2, 0x80, 0xDF, 0xBF}), u"\u0080\u07FF", true},
        {"three bytes: U+0800 and U+FFFF", bytes({0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}), u"\u0800\uFFFF", true},
        {"lone surrogate read and written as three bytes", bytes({0xED, 0xA0, 0x80}), std::u16string(1, 0xD800), true},
        {"surrogate pair written as two three-byte sequences",
         bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}), u"\U0001F600", true},
        {"four bytes read as a surrogate pair: U+1F600", bytes({0xF0, 0x9F, 0x98, 0x80}), u"\U0001F600", false},
        {"four bytes: U+10000 and U+10FFFF", bytes({0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF}),
         u"\U00010000\U0010FFFF", false},
        {"byte-order mark is an ordinary character", bytes({0xEF, 0xBB, 0xBF, 'x'}), u"\uFEFFx", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.utf16);
        if (c.writesBack) {
            EXPECT_EQ(utf8FromUtf16(c.utf16), c.utf8);
        }
    }

    struct Bad {
        const char* name;
        std::string utf8;
    };
    const Bad malformed[] = {
        {"stray continuation byte", bytes({0x80})},
        {"continuation after a complete character", bytes({'a', 0xBF})},
        {"sequence breaks off", bytes({0xC3, 'A'})},
        {"three-byte sequence breaks off", bytes({0xE2, 0x82, 'A'})},
        {"ends early", bytes({'a', 0xE2, 0x82})},
        {"four-byte lead at the end", bytes({0xF0})},
        {"above U+10FFFF", bytes({0xF4, 0x90, 0x80, 0x80})},
        {"lead F5", bytes({0xF5, 0x80, 0x80, 0x80})},
        {"lead FF", bytes({0xFF})},
        {"overlong NUL", bytes({0xC0, 0x80})},
        {"overlong slash", bytes({0xE0, 0x80, 0xAF})},
        {"overlong four-byte", bytes({0xF0, 0x8F, 0xBF, 0xBF})},
    };
    for (const Bad& c : malformed) {
        SCOPED_TRACE(c.name);
        expectBadConversion(c.utf8);
    }
}

TEST(Utf8, AnyUnitSequenceRoundTrips) {
    // Writing then reading gives the same units for every unit sequence:
    // surrogates, paired or not, are written and read one unit at a time.
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> range(0, 3);
    for (int round = 0; round < 2000; ++round) {
        std::u16string units(static_cast<std::size_t>(length(random)), u'\0');
        for (char16_t& unit : units) {
            // Each byte length and the surrogates, equally often.
            const int kind = range(random);
            const char16_t low[] = {0x0000, 0x0080, 0x0800, 0xD800};
            const char16_t high[] = {0x007F, 0x07FF, 0xFFFF, 0xDFFF};
            unit = static_cast<char16_t>(std::uniform_int_distribution<int>(low[kind], high[kind])(random));
        }
        SCOPED_TRACE(round);
        ASSERT_EQ(utf16FromUtf8(utf8FromUtf16(units)), units);
    }
}

namespace {

class CountingOwner final : public GuiPinOwner {
public:
    std::int32_t sendPinValue(std::int32_t, std::int32_t, const void*, std::int32_t) override {
        ++sends;
        return 0;
    }
    int sends = 0;
};

}  // namespace

TEST(Utf8, TextPinConvertsBothWays) {
    CountingOwner owner;
    StringGuiPin pin;
    pin.bindToOwner(&owner, 0, nullptr);

    const std::string cafe = "caf\xC3\xA9";
    EXPECT_EQ(pin.setValueUtf8(cafe).data(), cafe.data()) << "answers the text it was given";
    EXPECT_EQ(pin.getValue(), u"caf\u00E9");
    EXPECT_EQ(owner.sends, 1);
    pin.setValueUtf8(cafe);
    EXPECT_EQ(owner.sends, 1) << "unchanged: nothing sent";
    EXPECT_EQ(pin.valueUtf8(), cafe);

    EXPECT_THROW(pin.setValueUtf8("\x80"), std::range_error);
    EXPECT_EQ(pin.getValue(), u"caf\u00E9") << "a failed conversion leaves the pin as it was";
    EXPECT_EQ(owner.sends, 1);

    pin.setValue(u"\U0001F600");
    EXPECT_EQ(pin.valueUtf8(), bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}));
}
