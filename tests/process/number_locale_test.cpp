// Parsing and formatting of number-list items ignore the process's locale
// and never change it. A program of its own: it sets the process-wide C++
// and C locales.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <sstream>
#include <string>

#include "NumberTextSupport.h"
#include "module/NumberParser.h"

#ifndef _WIN32
#include <locale.h>
#endif

namespace {

// Continental punctuation: a comma for the point, dots grouping thousands.
template <typename Char>
class CommaPoint final : public std::numpunct<Char> {
protected:
    Char do_decimal_point() const override { return Char(','); }
    Char do_thousands_sep() const override { return Char('.'); }
    std::string do_grouping() const override { return "\3"; }
};

/// Reads and writes items, and checks that the results are the classic
/// locale's and that the process's locales are as they were.
void expectClassicAndLocaleKept() {
    const std::string cLocaleBefore = std::setlocale(LC_ALL, nullptr);
    const std::locale cppLocaleBefore;

    EXPECT_EQ(parseItem(u"1.5"), 1.5f);
    EXPECT_EQ(parseItem(u"1,5"), 1.0f) << "a comma is never a decimal point";
    EXPECT_EQ(parseItem(u"1.234.567"), 1.234f) << "nor is a dot a group separator";
    EXPECT_EQ(parseItem(u" -2.5e3"), -2500.0f);
    EXPECT_EQ(parseItem(u"0x1.8p1"), 3.0f);
    EXPECT_EQ(formatted(1.5f), "1.5000");
    EXPECT_EQ(formatted(-1234567.0f), "-1234567.0000");

    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), cLocaleBefore);
    EXPECT_TRUE(std::locale() == cppLocaleBefore);
#ifndef _WIN32
    EXPECT_EQ(uselocale(nullptr), LC_GLOBAL_LOCALE) << "no thread locale was left in place";
#endif
}

TEST(NumberLocale, GlobalCppLocaleWithCommaPoint) {
    const std::locale comma(std::locale(std::locale::classic(), new CommaPoint<char>), new CommaPoint<wchar_t>);
    const std::locale previous = std::locale::global(comma);
    std::wostringstream probe;
    probe << 1234.5;
    ASSERT_EQ(probe.str(), L"1.234,5") << "the comma locale is in force for streams";

    expectClassicAndLocaleKept();
    std::locale::global(previous);
}

TEST(NumberLocale, CLocaleWithCommaPoint) {
    // Whichever of these the machine has; none is installed by the test.
    const char* const names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "de-DE"};
    bool found = false;
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == std::string(",")) {
            found = true;
            break;
        }
    }
    if (!found) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "no C locale with a comma decimal point on this machine";
    }
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5) << "the C library now reads a comma as the point";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.4f", 1.5);
    ASSERT_STREQ(probe, "1,5000");

    expectClassicAndLocaleKept();
    std::setlocale(LC_ALL, "C");
}

}  // namespace
