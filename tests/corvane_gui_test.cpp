// CorvaneGui as a host drives it: created through MP_GetFactory under
// "Orvex-Corvane", attached to a recording host, fed through the slots of
// IMpUserInterface2B. The one-shot re-send is fired by hand through the
// timer service, as the GUI thread's message loop would.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "testing/RecordingHost.h"
#include "TestSupport.h"
#include "gui/TimerService.h"
#include "module/CorvaneGui.h"

using corvane::testing::RecordingHost;

using namespace gmpi;

namespace {

/// A send as one readable line: "0:<text>" for the text pin, "k:<float>" for
/// float pin k with the float in its shortest exact form ("1", "4e-05", "-nan").
std::string describe(const RecordingHost::Sent& sent) {
    std::string line = std::to_string(sent.pinIndex) + ":";
    if (sent.voice != 0) line += "voice " + std::to_string(sent.voice) + " ";
    if (sent.pinIndex == 0) {
        for (const char16_t unit : sent.text()) line += static_cast<char>(unit);  // ASCII in these tests
        return line;
    }
    if (sent.byteSize != 4) return line + "size " + std::to_string(sent.byteSize);
    char number[32];
    return line + std::string(number, std::to_chars(number, number + sizeof number, sent.number()).ptr);
}

std::vector<std::string> describe(const std::vector<RecordingHost::Sent>& sent) {
    std::vector<std::string> lines;
    for (const auto& one : sent) lines.push_back(describe(one));
    return lines;
}

std::u16string widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

/// The group of the 1 ms re-send timer, or null when no client waits in it.
const TimerGroup* resendGroup() {
    for (const TimerGroup& group : TimerService::instance()->groupList())
        if (group.periodMs == 1 && !group.clients.empty()) return &group;
    return nullptr;
}

/// Delivers the timer message of the 1 ms group, if one waits.
void fireResendTimer() {
    if (const TimerGroup* group = resendGroup()) timerProc(group->timerId);
}

class CorvaneGuiTest : public ::testing::Test {
protected:
    void SetUp() override { create(); }
    void TearDown() override { destroy(); }

    void create(bool attach = true) {
        object = createCorvaneGui();
        ASSERT_NE(object, nullptr);
        gui = static_cast<CorvaneGui*>(object);
        if (attach) {
            ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
        }
    }
    void destroy() {
        if (object != nullptr) {
            EXPECT_EQ(object->release(), 0);
        }
        object = nullptr;
        EXPECT_EQ(resendGroup(), nullptr) << "a destroyed object leaves nothing in the timer service";
    }

    /// Makes N float slots (all 0.0) by a value on pin N, then forgets the traffic.
    void makeSlots(std::int32_t count) {
        if (count > 0) deliver(count, 0.0f);
        host.sent.clear();
    }
    std::int32_t deliver(std::int32_t pinIndex, float value) {
        return object->setPin(pinIndex, 0, sizeof value, &value);
    }
    /// The host writes `text` on pin 0 and reports the change.
    void changeText(std::u16string_view text) {
        ASSERT_EQ(object->setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data()), ResultOk);
        ASSERT_EQ(object->notifyPin(0, 0), ResultOk);
    }
    std::vector<std::string> takeSent() {
        std::vector<std::string> lines = describe(host.sent);
        host.sent.clear();
        return lines;
    }

    RecordingHost host;
    IMpUserInterface2B* object = nullptr;
    CorvaneGui* gui = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(CorvaneGuiTest, TextChangeParsesSendsNormalisesAndResendsOnce) {
    struct Case {
        const char* name;
        std::int32_t slots;
        const char* text;
        Lines floats;         // sent on pins 1..N, in order
        const char* written;  // the normalised text, sent on pin 0
    };
    const Case cases[] = {
        {"one item per slot", 3, "1,2,3", {"1:1", "2:2", "3:3"}, "1.0000,2.0000,3.0000"},
        {"the last item repeats", 3, "1,2", {"1:1", "2:2", "3:2"}, "1.0000,2.0000,2.0000"},
        {"items beyond N are dropped", 3, "1,2,3,4", {"1:1", "2:2", "3:3"}, "1.0000,2.0000,3.0000"},
        {"empty text", 3, "", {"1:0", "2:0", "3:0"}, "0.0000,0.0000,0.0000"},
        {"an empty item stops consumption", 3, "1,,3", {"1:1", "2:0", "3:0"}, "1.0000,0.0000,0.0000"},
        {"leading comma", 3, ",5", {"1:0", "2:0", "3:0"}, "0.0000,0.0000,0.0000"},
        {"trailing comma", 3, "1,2,", {"1:1", "2:2", "3:0"}, "1.0000,2.0000,0.0000"},
        {"space before, junk after", 3, " 1.5 , x", {"1:1.5", "2:0", "3:0"}, "1.5000,0.0000,0.0000"},
        {"only the comma separates", 2, "1;2", {"1:1", "2:1"}, "1.0000,1.0000"},
        {"no slots: nothing sent, text emptied", 0, "5,6", {}, ""},
        {"exponent and no number", 2, "1e3,abc", {"1:1000", "2:0"}, "1000.0000,0.0000"},
        {"below the fourth decimal", 2, "0.00004,-0.00004", {"1:4e-05", "2:-4e-05"}, "0.0000,-0.0000"},
        {"the float's own value is rounded", 2, "123456.789,2.5", {"1:123456.79", "2:2.5"},
         "123456.7891,2.5000"},
        {"hex, infinity, not-a-number, overflow", 4, "0x1p-2,-INF,-nan,1e39", {"1:0.25", "2:-inf", "3:-nan", "4:inf"},
         "0.2500,-inf,-nan,inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        destroy();
        create();
        makeSlots(c.slots);
        changeText(widen(c.text));
        Lines expected = c.floats;
        expected.push_back(std::string("0:") + c.written);
        EXPECT_EQ(takeSent(), expected);

        fireResendTimer();
        EXPECT_EQ(takeSent(), Lines{std::string("0:") + c.written}) << "re-sent once on the tick";
        EXPECT_EQ(resendGroup(), nullptr) << "one-shot";
    }
}

TEST_F(CorvaneGuiTest, UnchangedNormalisedTextIsOnlyResentByTheTick) {
    makeSlots(3);
    changeText(u"1.0000,2.0000,3.0000");
    EXPECT_EQ(takeSent(), (Lines{"1:1", "2:2", "3:3"}));
    fireResendTimer();
    EXPECT_EQ(takeSent(), Lines{"0:1.0000,2.0000,3.0000"});
}

TEST_F(CorvaneGuiTest, TwoChangesBeforeTheTickGiveOneResend) {
    makeSlots(1);
    changeText(u"1");
    changeText(u"2");
    EXPECT_EQ(takeSent(), (Lines{"1:1", "0:1.0000", "1:2", "0:2.0000"}));
    fireResendTimer();
    fireResendTimer();
    EXPECT_EQ(takeSent(), Lines{"0:2.0000"});
}

TEST_F(CorvaneGuiTest, ReleaseWithATickPendingLeavesTheTimer) {
    makeSlots(1);
    changeText(u"1");
    ASSERT_NE(resendGroup(), nullptr);
    const platform::TimerId pending = resendGroup()->timerId;
    EXPECT_EQ(object->release(), 0);
    object = nullptr;
    EXPECT_EQ(resendGroup(), nullptr);
    host.sent.clear();
    timerProc(pending);  // a message that was already queued
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(CorvaneGuiTest, ValueOnAFloatPin) {
    struct Case {
        const char* name;
        std::int32_t pinIndex;
        std::int32_t byteSize;
        std::vector<unsigned char> bytes;
        bool nullData;
        std::int32_t result;
        std::vector<float> values;
        Lines sent;
    };
    const unsigned char twoPointFive[] = {0x00, 0x00, 0x20, 0x40};
    const std::vector<unsigned char> wide = {0x00, 0x00, 0x20, 0x40, 0xff, 0xff, 0xff, 0xff};
    const std::vector<unsigned char> v25(twoPointFive, twoPointFive + 4);
    const Case cases[] = {
        {"pin 3 on a fresh object", 3, 4, v25, false, ResultFail, {0, 0, 2.5f}, {"0:0.0000,0.0000,2.5000"}},
        {"size 0 stores 0.0", 1, 0, {}, false, ResultFail, {0}, {"0:0.0000"}},
        {"null data with size 0 stores 0.0", 1, 0, {}, true, ResultFail, {0}, {"0:0.0000"}},
        {"more than 4 bytes: the first 4", 1, 8, wide, false, ResultFail, {2.5f}, {"0:2.5000"}},
        {"above the last float pin", CorvaneGui::LastFloatPin + 1, 4, v25, false, ResultFail, {}, {}},
        {"largest index", INT_MAX, 4, v25, false, ResultFail, {}, {}},
        {"negative size", 1, -4, v25, false, ResultFail, {}, {}},
        {"null data with a size", 1, 4, {}, true, ResultFail, {}, {}},
        {"negative index", -1, 4, v25, false, ResultFail, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        destroy();
        create();
        const void* data = c.nullData ? nullptr : c.bytes.data();
        EXPECT_EQ(object->setPin(c.pinIndex, 7, c.byteSize, data), c.result);
        const std::span<const float> values = gui->floatValues();
        EXPECT_EQ(std::vector<float>(values.begin(), values.end()), c.values);
        EXPECT_EQ(takeSent(), c.sent);
    }
    // Three bytes of 2.5f (00 00 20) land in the low bytes: a subnormal, not 0.
    EXPECT_EQ(object->setPin(1, 0, 3, twoPointFive), ResultFail);
    float expected = 0.0f;
    std::memcpy(&expected, twoPointFive, 3);
    EXPECT_EQ(gui->floatValues()[0], expected);
}

TEST_F(CorvaneGuiTest, LastFloatPinIsTaken) {
    EXPECT_EQ(deliver(CorvaneGui::LastFloatPin, 1.5f), ResultFail);
    ASSERT_EQ(gui->floatValues().size(), static_cast<std::size_t>(CorvaneGui::LastFloatPin));
    ASSERT_EQ(host.sent.size(), 1u);
    const std::u16string text = host.sent[0].text();
    EXPECT_EQ(text.size(), 7u * CorvaneGui::LastFloatPin - 1);
    EXPECT_EQ(text.substr(text.size() - 14), u",0.0000,1.5000");
}

TEST_F(CorvaneGuiTest, ValueRewritesOnlyItsItem) {
    makeSlots(3);
    changeText(u"1,2,3");
    host.sent.clear();
    EXPECT_EQ(deliver(2, 12.25f), ResultFail);
    EXPECT_EQ(deliver(2, 12.25f), ResultFail);
    EXPECT_EQ(deliver(1, -0.5f), ResultFail);
    EXPECT_EQ(deliver(5, 5.0f), ResultFail);
    EXPECT_EQ(takeSent(), (Lines{"0:1.0000,12.2500,3.0000", "0:-0.5000,12.2500,3.0000",
                                 "0:-0.5000,12.2500,3.0000,0.0000,5.0000"}))
        << "no send for an unchanged value; a new value is not echoed on its pin";

    // Text the host wrote without a change report is not taken into the list.
    const std::u16string stray = u"9,9,9";
    ASSERT_EQ(object->setPin(0, 0, static_cast<std::int32_t>(stray.size() * 2), stray.data()), ResultOk);
    EXPECT_EQ(deliver(3, 3.0f), ResultFail);
    EXPECT_EQ(takeSent(), Lines{"0:-0.5000,12.2500,3.0000,0.0000,5.0000"});
    EXPECT_EQ(object->notifyPin(1, 0), ResultFail) << "float pins have no pin object";
}

TEST_F(CorvaneGuiTest, HostCallingBackDuringATextChange) {
    struct Case {
        const char* name;
        std::int32_t whileSending;  // the float pin whose send calls back
        std::int32_t pinIndex;      // the pin the host then sets
        float value;
        Lines sent;
    };
    const Case cases[] = {
        {"grows the slots: the loop keeps its N", 1, 5, 7.0f,
         {"1:1", "0:1.0000,0.0000,0.0000,0.0000,7.0000", "2:2", "3:3", "0:1.0000,2.0000,3.0000,0.0000,7.0000"}},
        {"sets a slot already parsed", 2, 1, 9.0f,
         {"1:1", "2:2", "0:9.0000,2.0000,0.0000", "3:3", "0:9.0000,2.0000,3.0000"}},
        {"sets a slot still to come: parsing overwrites it", 1, 3, 9.0f,
         {"1:1", "0:1.0000,0.0000,9.0000", "2:2", "3:3", "0:1.0000,2.0000,3.0000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        destroy();
        create();
        makeSlots(3);
        bool calledBack = false;
        host.onSend = [&](const RecordingHost::Sent& sent) {
            if (calledBack || sent.pinIndex != c.whileSending) return;
            calledBack = true;
            deliver(c.pinIndex, c.value);
        };
        changeText(u"1,2,3");
        host.onSend = nullptr;
        EXPECT_EQ(takeSent(), c.sent);
        fireResendTimer();
        EXPECT_EQ(takeSent(), Lines{c.sent.back()});
    }
}

TEST_F(CorvaneGuiTest, TextChangeBeforeAHostIsAttached) {
    destroy();
    create(false);
    EXPECT_EQ(deliver(2, 1.0f), ResultFail);
    changeText(u"4,5");
    fireResendTimer();
    EXPECT_EQ(gui->floatValues()[1], 5.0f) << "parsed, with nobody to send to";
    EXPECT_TRUE(host.sent.empty());
}

}  // namespace
