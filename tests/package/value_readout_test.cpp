// The value-readout example's own behaviour, made through its factory and
// with the stand-in timers fired by hand (Corvane::testing, as a module
// author's test would): the text it makes, and the throttle that lets one
// readout out per period while the inputs keep changing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "ValueReadoutGui.h"
#include "platform/ThreadTimerStub.h"
#include "testing/ModuleFactory.h"
#include "testing/RecordingHost.h"
#include "testing/TimerPump.h"

using corvane::testing::RecordingHost;

namespace {

std::string ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class Readout : public ::testing::Test {
protected:
    void SetUp() override {
        platform::stub::reset();
        const auto created = corvane::testing::createVersion2(u"Example-ValueReadout", host.asUnknown());
        ASSERT_EQ(created.result, gmpi::ResultOk);
        object = created.version2();
    }
    void TearDown() override {
        if (object != nullptr) object->release();
    }

    void setValue(float value) {
        object->setPin(0, 0, sizeof value, &value);
        object->notifyPin(0, 0);
    }
    void setUnit(const std::u16string& unit) {
        object->setPin(1, 0, static_cast<std::int32_t>(unit.size() * 2), unit.data());
        object->notifyPin(1, 0);
    }
    /// The readouts sent since the last call.
    std::vector<std::string> takeSent() {
        std::vector<std::string> texts;
        for (const auto& sent : host.sent) {
            EXPECT_EQ(sent.pinIndex, 2);
            texts.push_back(ascii(sent.text()));
        }
        host.sent.clear();
        return texts;
    }
    void tick() {
        const auto timers = corvane::testing::liveTimers();
        ASSERT_EQ(timers.size(), 1u);
        EXPECT_EQ(timers[0].periodMs, ValueReadoutGui::QuietPeriodMs);
        EXPECT_TRUE(corvane::testing::fireTimer(timers[0].id));
    }

    RecordingHost host;
    gmpi::IMpUserInterface2B* object = nullptr;
};

}  // namespace

TEST(ReadoutText, TwoDecimalsAndTheUnit) {
    struct Row {
        float value;
        std::u16string unit;
        const char* text;
    } rows[] = {
        {0.5f, u"dB", "0.50 dB"},
        {-6.0234f, u"", "-6.02"},
        {1e6f, u"Hz", "1000000.00 Hz"},
        {0.005f, u"s", "0.00 s"},  // 0.005f lies just below 0.005
        {std::nanf(""), u"dB", "nan dB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ascii(ValueReadoutGui::readoutText(row.value, row.unit)), row.text);
    }
}

TEST_F(Readout, FirstChangeGoesOutAtOnceLaterOnesOncePerPeriod) {
    setValue(1.0f);
    EXPECT_EQ(takeSent(), std::vector<std::string>{"1.00"});

    setValue(2.0f);
    setUnit(u"dB");
    EXPECT_TRUE(takeSent().empty()) << "changes within the period wait for the timer";
    tick();
    EXPECT_EQ(takeSent(), std::vector<std::string>{"2.00 dB"});

    tick();  // a quiet period: the throttle ends
    EXPECT_TRUE(takeSent().empty());
    EXPECT_TRUE(corvane::testing::liveTimers().empty());

    setValue(3.0f);
    EXPECT_EQ(takeSent(), std::vector<std::string>{"3.00 dB"});
}

TEST_F(Readout, AnUnchangedReadoutIsNotSentAgain) {
    setValue(1.0f);
    takeSent();
    setValue(1.001f);  // still "1.00"
    tick();
    EXPECT_TRUE(takeSent().empty());
}

TEST_F(Readout, TheHeldReadoutGoesOutWhenThePeriodElapses) {
    setValue(1.0f);
    takeSent();
    setValue(2.0f);
    EXPECT_TRUE(takeSent().empty());
    corvane::testing::runTimersFor(ValueReadoutGui::QuietPeriodMs * 2);
    EXPECT_EQ(takeSent(), std::vector<std::string>{"2.00"});
}

TEST_F(Readout, AHostThatLetsGoInsideTheTimersSendFreesItAfterTheTick) {
    setUnit(u"dB");
    takeSent();
    setValue(100.0f);  // throttled: the timer sends "100.00 dB", too long for the string's own buffer
    host.onSend = [&](const RecordingHost::Sent&) {
        if (object != nullptr) std::exchange(object, nullptr)->release();
    };
    tick();
    EXPECT_EQ(takeSent(), std::vector<std::string>{"100.00 dB"});
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(corvane::testing::liveTimers().empty()) << "the destroyed readout left the timer service";
}
