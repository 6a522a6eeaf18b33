// The item parser: the Windows runtime's wcstod reading of one item in the
// classic locale, then rounding to float. Tables of the forms and edges, and
// (natively) a comparison with the reference (glibc's wcstod and the rules
// where the Windows runtime differs) over generated items.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "NumberTextSupport.h"
#include "WcstodReference.h"
#include "module/NumberListParser.h"
#include "module/NumberParser.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double minSubnormal = std::numeric_limits<double>::denorm_min();

double nanBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

std::string printable(std::u16string_view item) {
    std::string text;
    for (char16_t c : item) {
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            char escaped[12];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            text += escaped;
        }
    }
    return text;
}

/// The parts one after the other.
std::u16string joined(std::initializer_list<std::u16string_view> parts) {
    std::u16string text;
    for (const std::u16string_view part : parts) text += part;
    return text;
}

struct ParseRow {
    std::u16string item;
    double expected;
};

TEST(NumberParser, ReadsWhatWcstodReads) {
    const std::string manyZeros(400, '0');
    const std::vector<ParseRow> rows = {
        // No number: +0.0, whatever sign came first.
        {u"", 0.0},
        {u" \t", 0.0},
        {u"abc", 0.0},
        {u"-", 0.0},
        {u"+", 0.0},
        {u".", 0.0},
        {u"-.", 0.0},
        {u".e5", 0.0},
        {u"+-5", 0.0},
        {u"- 5", 0.0},
        {u",5", 0.0},
        {u"in", 0.0},
        {u"na", 0.0},
        // White space, signs, the longest valid prefix.
        {u" \t\n\v\f\r42", 42.0},
        {u"+5", 5.0},
        {u"-5", -5.0},
        {u"-0", -0.0},
        {u"1.5 x", 1.5},
        {u"  +.5e-3", 0.0005},
        {u"1e", 1.0},
        {u"1e+", 1.0},
        {u"1e-x", 1.0},
        {u"1e+-5", 1.0},
        {u"0x1p+-3", 1.0},
        {u"0x1p-+3", 1.0},
        {u"1.e2", 100.0},
        {u"7.", 7.0},
        {u"1e3,abc", 1000.0},
        {u"1;2", 1.0},
        {u"00x1", 0.0},
        {u"1.5.5", 1.5},
        // Hexadecimal floating form.
        {u"0x", 0.0},
        {u"-0x", -0.0},
        {u"0xg", 0.0},
        {u"0x.p1", 0.0},
        {u"0x-1", 0.0},
        {u"0x1p3", 8.0},
        {u"0X1.8P1", 3.0},
        {u"0x.8", 0.5},
        {u"0x1p", 1.0},
        {u"-0x10", -16.0},
        {u" +0xAbC.dp-4 z", 0xabc.dp-4},
        // Infinities and not-a-numbers, letters in any case.
        {u"inf", inf},
        {u"-Infinity", -inf},
        {u"INFINITE", inf},
        // Not-a-number forms: the runtime's own values (see NotANumbers).
        {u"+nan", nanBits(0x7fffffffffffffff)},
        {u"-NaN", nanBits(0xffffffffffffffff)},
        {u"nan(ind)", nanBits(0xfff8000000000000)},
        // Out of range: infinities and zeros of the sign, subnormals exact.
        {u"1e400", inf},
        {u"-1e400", -inf},
        {u"1.7976931348623159e308", inf},
        {u"1e99999999999999999999", inf},
        {u"0x1p1024", inf},
        {u"-0x1p99999", -inf},
        {u"1e-400", 0.0},
        {u"-1e-400", -0.0},
        {u"0x1p-1075", 0.0},
        {u"-0x1p-1076", -0.0},
        {u"0.0000001e-99999999999", 0.0},
        {u"4e-324", minSubnormal},
        {u"0x1.8p-1075", minSubnormal},
        {u"0x3000000000000.9p-1074", std::bit_cast<double>(std::uint64_t{0x3000000000001})},
        {u"-2.4703282292062328e-324", -minSubnormal},
        {widen("1" + manyZeros + "e-100"), 1e300},
        {widen("1" + manyZeros + "e9999"), inf},
        {widen("0." + manyZeros + "1e401"), 1.0},
        {widen("0." + manyZeros + "1e-9999"), 0.0},
        {widen("0x1" + manyZeros + "p-1700"), 0x1p-100},
        // Digits and white space outside ASCII (see the tables below); other
        // units outside ASCII never belong to a number.
        {u"\u00a05", 5.0},
        {u"\u30005", 5.0},
        {u"1\u0660", 10.0},
        {u"\uff11\uff12", 12.0},
        {u"\u0130nf", 0.0},
        {u"1\u212a", 1.0},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(printable(row.item));
        EXPECT_EQ(bitsOf(parseNumber(row.item)), bitsOf(row.expected)) << parseNumber(row.item);
    }
}

// The white space the Windows runtime skips, and units that look like it but
// are not: these stop the reading before any number.
TEST(NumberParser, SkipsTheRuntimesWhiteSpace) {
    const std::u16string spaces = u" \t\n\v\f\r\u0085\u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007"
                                  u"\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000";
    const std::u16string notSpaces = u"\u0008\u000e\u001c\u001d\u001e\u001f\u0084\u0086\u00a1\u180e\u1fff\u200b"
                                     u"\u200c\u2027\u202a\u205e\u2060\u2fff\u3001\ufeff";
    for (const char16_t c : spaces) {
        SCOPED_TRACE(printable(std::u16string(1, c)));
        EXPECT_EQ(parseNumber(joined({std::u16string(1, c), u"-1.5"})), -1.5);
        EXPECT_EQ(parseNumber(joined({std::u16string(2, c), u"2"})), 2.0) << "any run of white space";
        EXPECT_EQ(parseNumber(joined({u"-", std::u16string(1, c), u"1.5"})), 0.0) << "not between the sign and the digits";
    }
    for (const char16_t c : notSpaces) {
        SCOPED_TRACE(printable(std::u16string(1, c)));
        EXPECT_EQ(parseNumber(joined({std::u16string(1, c), u"1.5"})), 0.0);
    }
}

// The seventeen Unicode decimal blocks count as digits in every part of a
// number; the units on either side of a block do not.
TEST(NumberParser, ReadsTheRuntimesDigits) {
    const char16_t zeros[] = {0x0660, 0x06f0, 0x0966, 0x09e6, 0x0a66, 0x0ae6, 0x0b66, 0x0c66, 0x0ce6,
                              0x0d66, 0x0e50, 0x0ed0, 0x0f20, 0x1040, 0x17e0, 0x1810, 0xff10};
    for (const char16_t zero : zeros) {
        const auto digit = [zero](int value) { return std::u16string(1, static_cast<char16_t>(zero + value)); };
        SCOPED_TRACE(printable(digit(0)));
        for (int value = 0; value <= 9; ++value) EXPECT_EQ(parseNumber(digit(value)), value);
        EXPECT_EQ(parseNumber(joined({digit(1), digit(2), u"3", digit(4)})), 1234.0) << "mixed with ASCII";
        EXPECT_EQ(parseNumber(joined({u" -", digit(2), u".", digit(5)})), -2.5) << "integer and fraction";
        EXPECT_EQ(parseNumber(joined({u".", digit(5)})), 0.5);
        EXPECT_EQ(parseNumber(joined({u"1e", digit(2)})), 100.0) << "exponent";
        EXPECT_EQ(parseNumber(joined({u"1e-", digit(1), digit(0)})), 1e-10);
        EXPECT_EQ(parseNumber(joined({u"0x", digit(9), u"f"})), 0x9f) << "hexadecimal: the decimal value";
        EXPECT_EQ(parseNumber(joined({u"0x1p", digit(3)})), 8.0);
        EXPECT_EQ(parseNumber(joined({digit(0), u"x1"})), 0.0) << "only an ASCII 0 starts the 0x prefix";
        EXPECT_EQ(parseNumber(joined({std::u16string(1, static_cast<char16_t>(zero - 1)), u"5"})), 0.0);
        EXPECT_EQ(parseNumber(joined({u"5", std::u16string(1, static_cast<char16_t>(zero + 10))})), 5.0);
        EXPECT_EQ(parseNumber(joined({u"1", std::u16string(30, zero), u"e-30"})), 1.0) << "long: the general conversion";
    }
}

// Only the ASCII point, signs, exponent marks and 0x have their roles.
TEST(NumberParser, FullwidthSymbolsHaveNoRole) {
    const std::vector<ParseRow> rows = {
        {u"1\uff0e5", 1.0},      // fullwidth full stop
        {u"\uff0b1", 0.0},       // fullwidth plus
        {u"\uff0d1", 0.0},       // fullwidth hyphen-minus
        {u"\u22121", 0.0},       // minus sign
        {u"2\uff452", 2.0},      // fullwidth e
        {u"0\uff581", 0.0},      // fullwidth x
        {u"0x\uff41", 0.0},      // fullwidth a is no hex digit
        {u"\uff49nf", 0.0},      // fullwidth i
        {u"\uff11,\uff12", 1.0},  // fullwidth digits, ASCII comma
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(printable(row.item));
        EXPECT_EQ(bitsOf(parseNumber(row.item)), bitsOf(row.expected)) << parseNumber(row.item);
    }
}

// The runtime's not-a-number values, as doubles and after rounding to float.
TEST(NumberParser, NotANumbers) {
    struct Bits {
        std::uint64_t ofDouble;
        std::uint32_t ofFloat;
    };
    constexpr Bits plain{0x7fffffffffffffff, 0x7fffffff};  // every payload bit set
    constexpr Bits minusPlain{0xffffffffffffffff, 0xffffffff};
    constexpr Bits indeterminate{0xfff8000000000000, 0xffc00000};
    constexpr Bits signalling{0x7ff0000000000001, 0x7fc00000};  // quiet once a float
    constexpr Bits minusSignalling{0xfff0000000000001, 0xffc00000};
    constexpr Bits minusInfinity{0xfff0000000000000, 0xff800000};
    struct Row {
        std::u16string item;
        Bits expected;
    };
    const std::vector<Row> rows = {
        {u"nan", plain},
        {u"-nan", minusPlain},
        {u" +NaN", plain},
        {u"nan()", plain},
        {u"nan(123)", plain},
        {u"-nan(0x7ffffffffffff)", minusPlain},
        {u"nan(abc_1)x", plain},
        {u"nan(ind", plain},  // not closed: plain nan
        {u"nan(ind_)", plain},
        {u"nan (ind)", plain},
        {u"nan(ind)", indeterminate},
        {u"-nan(ind)", indeterminate},
        {u"+NaN(IND)", indeterminate},
        {u"\u3000nan(Ind)junk", indeterminate},
        {u"nan(snan)", signalling},
        {u"-NAN(SNAN)", minusSignalling},
        {u"nan(snan", plain},
        {u"-inf", minusInfinity},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(printable(row.item));
        EXPECT_EQ(bitsOf(parseNumber(row.item)), row.expected.ofDouble);
        EXPECT_EQ(bitsOf(parseItem(row.item)), row.expected.ofFloat);
    }
}

TEST(NumberParser, ReadsOnlyTheItem) {
    const std::u16string_view text = u"12345,6";
    EXPECT_EQ(parseNumber(text.substr(0, 2)), 12.0);
    EXPECT_EQ(parseNumber(text.substr(0, 0)), 0.0);
    EXPECT_EQ(parseNumber(std::u16string_view(u"0x1p3").substr(0, 4)), 1.0);
    EXPECT_EQ(parseNumber(std::u16string_view(u"infinity").substr(0, 7)), inf);
    EXPECT_EQ(bitsOf(parseNumber(std::u16string_view(u"nan(ind)").substr(0, 7))), bitsOf(nanBits(0x7fffffffffffffff)));
    EXPECT_EQ(parseNumber(std::u16string_view(u"123456789012").substr(0, 9)), 123456789.0) << "digits read eight at a time";
    EXPECT_EQ(parseNumber(std::u16string_view(u"1.23456789012").substr(0, 10)), 1.23456789);
}

TEST(NumberParser, RoundsTheDoubleToFloat) {
    const std::vector<std::pair<std::u16string, float>> rows = {
        {u"0.1", 0.1f},
        {u"-2.5", -2.5f},
        {u"3.4028235e38", std::numeric_limits<float>::max()},
        {u"1e39", std::numeric_limits<float>::infinity()},
        {u"-1e39", -std::numeric_limits<float>::infinity()},
        {u"1e-46", 0.0f},
        {u"-1e-46", -0.0f},
        {u"1e-45", std::numeric_limits<float>::denorm_min()},
        // Rounded twice, as wcstod then a conversion to float rounds: the
        // double is a tie between two floats and goes to the even one.
        {u"1.000000059604644775390625000001", 1.0f},
        {u"\u00a0", 0.0f},
    };
    for (const auto& [item, expected] : rows) {
        SCOPED_TRACE(printable(item));
        EXPECT_EQ(bitsOf(parseItem(item)), bitsOf(expected)) << parseItem(item);
    }
}

#ifndef _WIN32
// Natively, against the reference (tests/WcstodReference.h). Items are built
// from number-like pieces: decimal and hexadecimal forms around the range
// limits, exact ties, digits and white space outside ASCII, and strays.
class ItemGenerator {
public:
    explicit ItemGenerator(std::uint64_t seed) : random(seed) {}

    std::u16string next() {
        std::u16string item;
        switch (below(4)) {
            case 0: pieces(item); break;
            case 1: number(item, false); break;
            case 2: number(item, true); break;
            default: below(50) == 0 ? tie(item) : number(item, false);
        }
        return item;
    }

private:
    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); }
    bool chance(std::size_t n) { return below(n) == 0; }

    void digits(std::u16string& item, bool hex, std::size_t maxCount) {
        std::size_t count = 1 + below(maxCount);
        if (chance(40)) count += below(800);
        if (chance(6)) {
            item.append(count, chance(2) ? u'0' : u'9');
            return;
        }
        const char16_t* const symbols = chance(2) ? u"0123456789abcdef" : u"0123456789ABCDEF";
        std::uint64_t pool = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (i % 16 == 0) pool = random();  // one draw gives sixteen digits
            const unsigned nibble = (pool >> (4 * (i % 16))) & 15u;
            item += symbols[hex ? nibble : nibble % 10];
        }
        if (chance(8)) {  // some decimal digits from a Unicode block instead
            static constexpr char16_t zeros[] = {0x0660, 0x0966, 0x0e50, 0x1810, 0xff10};
            const char16_t zero = zeros[below(std::size(zeros))];
            for (std::size_t i = item.size() - count; i < item.size(); ++i) {
                if (item[i] >= u'0' && item[i] <= u'9' && chance(3)) item[i] = static_cast<char16_t>(zero + item[i] - u'0');
            }
        }
    }

    void prefix(std::u16string& item) {
        static constexpr const char16_t* spaces[] = {u" ", u"\t", u"\n\v\f\r ", u"\u00a0", u"\u2003", u"\u3000\u0085",
                                                     u"\u200b"};
        if (chance(4)) item += spaces[below(std::size(spaces))];
        if (chance(3)) item += chance(2) ? u'-' : u'+';
    }

    void exponent(std::u16string& item, char16_t mark, int low, int high) {
        item += chance(2) ? mark : static_cast<char16_t>(mark - 32);
        if (chance(10)) return;  // a mark without digits
        if (chance(10)) item += chance(2) ? u'+' : u'-';  // one sign too many
        const int value = std::uniform_int_distribution<int>(low, high)(random);
        if (value < 0 || chance(3)) item += value < 0 ? u'-' : u'+';
        item += widen(std::to_string(std::abs(value)));
    }

    void suffix(std::u16string& item) {
        static constexpr const char16_t* tails[] = {u"x", u",1", u" 5", u"e", u"p2", u".", u"\u0661", u"-", u"\uff15",
                                                    u"e\u0663"};
        if (chance(4)) item += tails[below(std::size(tails))];
    }

    // Digits with an optional point and exponent; the exponent ranges reach
    // past both ends of the double's range.
    void number(std::u16string& item, bool hex) {
        static constexpr int decimalRanges[][2] = {{-20, 20}, {-345, -300}, {290, 320}, {-99999, 99999}};
        static constexpr int binaryRanges[][2] = {{-30, 30}, {-1140, -1000}, {1000, 1040}, {-99999, 99999}};
        prefix(item);
        if (hex) item += chance(2) ? u"0x" : u"0X";
        const std::size_t maxDigits = hex ? 16 : 20;
        if (!chance(8)) digits(item, hex, maxDigits);
        if (!chance(3)) {
            item += u'.';
            if (!chance(6)) digits(item, hex, maxDigits);
        }
        if (!chance(3)) {
            const auto& range = (hex ? binaryRanges : decimalRanges)[below(4)];
            exponent(item, hex ? u'p' : u'e', range[0], range[1]);
        }
        suffix(item);
    }

    // The exact decimal value halfway between two neighbouring doubles,
    // sometimes nudged by a last digit: the cases where rounding must be exact.
    void tie(std::u16string& item) {
        const double low = std::bit_cast<double>(random() & 0x7fefffffffffffffu);
        const long double middle = (static_cast<long double>(low) + std::nextafter(low, inf)) / 2;
        char text[1200];
        std::snprintf(text, sizeof text, "%.800Le", middle);
        std::string exact = text;
        const std::size_t mark = exact.find('e');
        std::size_t lastNonZero = exact.find_last_not_of('0', mark - 1);
        exact.erase(lastNonZero + 1, mark - lastNonZero - 1);
        const std::size_t last = exact.find('e') - 1;
        if (chance(3)) {
            exact.insert(last + 1, "0001");
        } else if (chance(2) && exact[last] != '.') {
            --exact[last];
        }
        item += widen(exact);
    }

    void pieces(std::u16string& item) {
        static constexpr const char16_t* parts[] = {
            u" ", u"\t", u"+", u"-", u"0", u"1", u"9", u"123", u"0x", u"0X", u".", u"e", u"E", u"p", u"P",
            u"a", u"F", u"inf", u"INF", u"inity", u"Infinity", u"nan", u"NaN", u"(", u")", u"_", u"0x7ff",
            u"x", u",", u"g", u"308", u"-324", u"1075", u"\u00a0", u"\u0660", u"\uff11", u"\u0130", u"\u2000",
            u"\u0e59", u"\u17e0", u"(ind)", u"(IND)", u"(snan)", u"\uff0e", u"\uff0d", u"\u180e", u"\u1680"};
        const std::size_t count = 1 + below(8);
        for (std::size_t i = 0; i < count; ++i) item += parts[below(std::size(parts))];
    }

    std::mt19937_64 random;
};

TEST(NumberParser, AgreesWithTheReference) {
    ItemGenerator generator(20260101);
    int failures = 0;
    for (int i = 0; i < 300000 && failures < 10; ++i) {
        const std::u16string item = generator.next();
        const WindowsReading expected = windowsWcstod(item);
        const double parsed = parseNumber(item);
        const float rounded = parseItem(item);
        if (!agreesWithReference(item, parsed, expected.value) || bitsOf(rounded) != bitsOf(expected.rounded)) {
            ++failures;
            ADD_FAILURE() << printable(item) << ": parsed " << parsed << " (" << std::hex << bitsOf(parsed)
                          << "), reference " << expected.value << " (" << bitsOf(expected.value) << ")";
        }
    }
}
#endif

// The list reads its usual items (a sign, up to 15 digits and a point, a
// short exponent, a space typed after the comma) on a path of its own: it
// must give the item parser's float, bit for bit, also for decimals at or
// right next to a float's rounding edge.
TEST(NumberListParser, UsualItemsAgreeWithTheItemParser) {
    std::mt19937_64 random(20261210);
    const auto below = [&](std::uint64_t n) { return static_cast<std::size_t>(random() % n); };
    std::vector<std::u16string> items;
    for (int i = 0; i < 200000; ++i) {
        std::string item;
        if (below(5) == 0) item += ' ';
        const char* const signs[] = {"", "-", "+"};
        item += signs[below(3)];
        if (i % 4 == 0) {
            // Halfway between two floats, or a step of the double beside it.
            const auto bits = static_cast<std::uint32_t>(0x3F800000u + below(0x14000000u));
            const double low = std::bit_cast<float>(bits);
            const double high = std::bit_cast<float>(bits + 1);
            const double edge = std::nextafter((low + high) / 2, below(3) == 0 ? 0.0 : below(2) == 0 ? high : low);
            char text[64];
            item += std::string_view(text, std::to_chars(text, text + sizeof text, edge).ptr);
        } else {
            const std::size_t digits = 1 + below(15);
            const std::size_t point = below(digits + 2);  // past the digits: no point
            for (std::size_t d = 0; d < digits; ++d) {
                if (d == point) item += '.';
                item += static_cast<char>('0' + below(10));
            }
            if (point == digits) item += '.';
        }
        if (below(5) == 0) {  // an exponent as typed, sometimes longer than the usual path takes
            item += below(2) == 0 ? 'e' : 'E';
            item += signs[below(3)];
            for (std::size_t d = below(4); d < 4; ++d) item += static_cast<char>('0' + below(10));
        }
        items.emplace_back(item.begin(), item.end());
    }
    std::u16string list;
    for (const std::u16string& item : items) list += item + u",";
    std::vector<float> values(items.size());
    parseNumberList(list, values);
    int failures = 0;
    for (std::size_t i = 0; i < items.size() && failures < 10; ++i) {
        const float expected = parseItem(items[i]);
        if (bitsOf(values[i]) != bitsOf(expected)) {
            ++failures;
            ADD_FAILURE() << printable(items[i]) << ": list " << std::hex << bitsOf(values[i]) << ", item "
                          << bitsOf(expected);
        }
    }
}

/// The list as its contract reads it, one item after another: item i is
/// parsed whole; once no comma is left, or the rest begins with one, that
/// value fills the remaining slots.
std::vector<float> listOneByOne(std::u16string_view text, std::size_t slots) {
    std::vector<float> values(slots);
    for (std::size_t i = 0; i < slots; ++i) {
        const std::size_t comma = text.find(u',');
        const float value = parseItem(text.substr(0, comma));
        if (comma == 0 || comma == std::u16string_view::npos) {
            std::fill(values.begin() + static_cast<std::ptrdiff_t>(i), values.end(), value);
            break;
        }
        values[i] = value;
        text.remove_prefix(comma + 1);
    }
    return values;
}

// A long list is read in parts side by side; where any part meets an item
// the usual path does not take, an empty item, or the end, the result must
// still be the one-by-one reading's, for any number of slots.
TEST(NumberListParser, LongListsReadAsOneByOne) {
    const std::u16string forms[] = {u"-12.5", u" 3", u"0x1p4", u"nan(ind)", u"\u00a01.5", u"1e3", u"7.25e-2",
                                    u"\uff11\uff12", u"  42 ", u"abc", u"+0.0001", u"-0", u"123456.7890"};
    const auto list = [&](std::size_t items, std::size_t emptyAt, std::u16string_view tail) {
        std::u16string text;
        for (std::size_t i = 0; i < items; ++i) {
            if (i != 0) text += u',';
            if (i != emptyAt) text += forms[(i * 7) % std::size(forms)];
        }
        return text + std::u16string(tail);
    };
    std::u16string spaces(600, u' ');
    struct Case {
        const char* name;
        std::u16string text;
    };
    const Case cases[] = {
        {"varied items", list(160, 999, u"")},
        {"an empty item early", list(160, 6, u"")},
        {"an empty item in the middle", list(160, 81, u"")},
        {"an empty item late", list(160, 150, u"")},
        {"a trailing comma", list(160, 999, u",")},
        {"one long item after the middle", list(80, 999, joined({u",", spaces, u"5"}))},
        {"a long last item without comma", joined({spaces, u"-2.5"})},
    };
    for (const Case& test : cases) {
        for (const std::size_t slots : {1u, 40u, 79u, 80u, 81u, 120u, 159u, 160u, 161u, 400u}) {
            std::vector<float> values(slots, 99.0f);
            parseNumberList(test.text, values);
            const std::vector<float> expected = listOneByOne(test.text, slots);
            for (std::size_t i = 0; i < slots; ++i) {
                ASSERT_EQ(bitsOf(values[i]), bitsOf(expected[i])) << test.name << ", " << slots << " slots, slot " << i;
            }
        }
    }
}

}  // namespace
