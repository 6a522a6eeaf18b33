// The number rules of the Windows runtime as a host sees them: the built
// library loaded from its file (the DLL under Wine), the shipped class driven
// only through the C table, text on pin 0, floats on pins 1..N, and the text
// written back.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "LoadedLibrary.h"
#include "testing/RecordingHost.h"
#include "c_host.h"

using corvane::testing::RecordingHost;

namespace {

std::string printable(std::u16string_view units) {
    std::string text;
    for (const char16_t c : units) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        text += c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    return text;
}

class NumberTextThroughLibrary : public LoadedLibrary {
protected:
    /// A new object of the shipped class with `slots` float pins, traffic forgotten.
    void create(std::int32_t slots) {
        release();
        const char16_t id[] = u"Orvex-Corvane";
        ASSERT_EQ(c_factory_createObject2(factory, reinterpret_cast<const std::uint16_t*>(id), 2, &object), gmpi::ResultOk);
        ASSERT_EQ(c_gui2_setHost(object, host.asUnknown()), gmpi::ResultOk);
        const float zero = 0.0f;
        c_gui2_setPin(object, slots, 0, sizeof zero, &zero);
        host.sent.clear();
    }
    void release() {
        if (object != nullptr) {
            EXPECT_EQ(c_release(object), 0);
        }
        object = nullptr;
    }
    void TearDown() override { release(); }

    void changeText(std::u16string_view text) {
        ASSERT_EQ(c_gui2_setPin(object, 0, 0, static_cast<std::int32_t>(text.size() * 2), text.data()), gmpi::ResultOk);
        ASSERT_EQ(c_gui2_notifyPin(object, 0, 0), gmpi::ResultOk);
    }
    void deliver(std::int32_t pin, std::uint32_t bits) { c_gui2_setPin(object, pin, 0, sizeof bits, &bits); }

    /// The bit patterns sent on float pins, in order.
    std::vector<std::uint32_t> floatsSent() const {
        std::vector<std::uint32_t> floats;
        for (const auto& sent : host.sent) {
            if (sent.pinIndex > 0) floats.push_back(std::bit_cast<std::uint32_t>(sent.number()));
        }
        return floats;
    }
    /// The last text sent on pin 0, as ASCII.
    std::string lastText() const {
        for (auto sent = host.sent.rbegin(); sent != host.sent.rend(); ++sent) {
            if (sent->pinIndex == 0) return printable(sent->text());
        }
        return "(none)";
    }

    RecordingHost host;
    void* object = nullptr;
};

TEST_F(NumberTextThroughLibrary, ReadsTextAsTheWindowsRuntime) {
    struct Row {
        std::u16string text;
        std::vector<std::uint32_t> floats;  // sent on pins 1 and 2
        std::string written;
    };
    const std::vector<Row> rows = {
        {u"\u00a01.5,\u30002", {0x3fc00000, 0x40000000}, "1.5000,2.0000"},  // no-break and ideographic space
        {u"\u2028\u0085-1,\u202f\u205f+2", {0xbf800000, 0x40000000}, "-1.0000,2.0000"},
        {u"\u200b1,\ufeff2", {0, 0}, "0.0000,0.0000"},                        // zero-width space and BOM are no space
        {u"\u180e1,\u001f2", {0, 0}, "0.0000,0.0000"},
        {u"\uff11\uff12,\u0661.\u0665", {0x41400000, 0x3fc00000}, "12.0000,1.5000"},  // fullwidth, Arabic-Indic
        {u"1e\uff12,0x\u0661\u0660", {0x42c80000, 0x41800000}, "100.0000,16.0000"},    // exponent, hexadecimal
        {u"\u0e51\u17e0\u1819,\u0f29.\u1040\u0966\u09ef", {0x42da0000, 0x411024dd}, "109.0000,9.0090"},
        {u"1\uff0e5,\uff0d2", {0x3f800000, 0}, "1.0000,0.0000"},  // fullwidth point and minus have no role
        {u"nan(ind),-NAN(IND)", {0xffc00000, 0xffc00000}, "-nan(ind),-nan(ind)"},
        {u"nan(snan),-nan(snan)", {0x7fc00000, 0xffc00000}, "nan,-nan(ind)"},
        {u"nan,-nan(123)", {0x7fffffff, 0xffffffff}, "nan,-nan"},
        {u"-inf,infinity", {0xff800000, 0x7f800000}, "-inf,inf"},
        {u"0.03125,0.00015", {0x3d000000, 0x391d4952}, "0.0312,0.0002"},  // a tie goes to even; the float is above its tie
    };
    create(2);
    for (const Row& row : rows) {
        SCOPED_TRACE(printable(row.text));
        changeText(row.text);
        EXPECT_EQ(floatsSent(), row.floats);
        EXPECT_EQ(lastText(), row.written);
        host.sent.clear();
    }
}

TEST_F(NumberTextThroughLibrary, WritesValuesAsTheWindowsRuntime) {
    struct Row {
        std::uint32_t bits;
        std::string written;
    };
    const std::vector<Row> rows = {
        {0xffc00000, "-nan(ind)"},  // the indeterminate value
        {0xffc00001, "-nan"},
        {0xffffffff, "-nan"},
        {0x7fc00000, "nan"},
        {0x7f800001, "nan"},  // signalling, quiet once widened
        {0x7f800000, "inf"},
        {0x80000000, "-0.0000"},
        {0x3d000000, "0.0312"},
        {0x7f7fffff, "340282346638528859811704183484516925440.0000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        create(0);
        deliver(1, row.bits);
        EXPECT_EQ(lastText(), row.written);
    }
}

// A text the object wrote, sent back by the host, gives the same values and
// so the same text: the indeterminate value survives the round trip.
TEST_F(NumberTextThroughLibrary, WrittenTextReadsBackTheSame) {
    const std::uint32_t values[] = {0xffc00000, 0x7fffffff, 0xffffffff, 0x7fc00000, 0xff800000, 0x3f9e0419};
    create(0);
    for (std::int32_t pin = 1; pin <= 6; ++pin) deliver(pin, values[pin - 1]);
    const std::u16string written = host.sent.back().text();
    ASSERT_EQ(printable(written), "-nan(ind),nan,-nan,nan,-inf,1.2345");
    host.sent.clear();
    changeText(written);
    EXPECT_EQ(floatsSent(), (std::vector<std::uint32_t>{0xffc00000, 0x7fffffff, 0xffffffff, 0x7fffffff, 0xff800000,
                                                        0x3f9e0419}));
    EXPECT_EQ(host.sent.size(), 6u) << "the normalised text is the one the object holds: not sent again";
}

}  // namespace
