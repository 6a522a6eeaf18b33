// The built DLL's CorvaneGui under a real message loop: the one-shot re-send
// of the text comes from a USER32 thread timer of the DLL's own timer service.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "../LoadedLibrary.h"
#include "testing/RecordingHost.h"
#include "MessageLoop.h"
#include "factory/MpFactory.h"
#include "interfaces/IMpUserInterface2.h"

using corvane::testing::RecordingHost;

using namespace gmpi;

namespace {

using Clock = std::chrono::steady_clock;

class CorvaneGuiLoop : public LoadedLibrary {
protected:
    void SetUp() override {
        LoadedLibrary::SetUp();
        void* created = nullptr;
        ASSERT_EQ(factory->createObject2(u"Orvex-Corvane", ObjectKindGui, &created), ResultOk);
        object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(created));
        ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
        const float value = 0.0f;
        object->setPin(2, 0, sizeof value, &value);  // two float slots
        host.sent.clear();
        host.onSend = [this](const RecordingHost::Sent&) { sentAt.push_back(Clock::now()); };
    }
    void TearDown() override {
        if (object != nullptr) {
            EXPECT_EQ(object->release(), 0);
        }
        pump(20, dispatchAll, never);  // nothing may arrive for a released object
    }

    void changeText(std::u16string_view text) {
        ASSERT_EQ(object->setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data()), ResultOk);
        ASSERT_EQ(object->notifyPin(0, 0), ResultOk);
    }

    RecordingHost host;
    IMpUserInterface2B* object = nullptr;
    std::vector<Clock::time_point> sentAt;
};

TEST_F(CorvaneGuiLoop, TextChangeIsSentOnceMoreAboutOneMillisecondLater) {
    const Clock::time_point changed = Clock::now();
    changeText(u"1,2");
    ASSERT_EQ(host.sent.size(), 3u) << "pins 1 and 2, then the text";
    pump(2000, dispatchAll, [&] { return host.sent.size() > 3; });
    pump(30, dispatchAll, never);
    ASSERT_EQ(host.sent.size(), 4u) << "one re-send, only through the message loop";
    EXPECT_EQ(host.sent[3].pinIndex, 0);
    EXPECT_EQ(host.sent[3].text(), u"1.0000,2.0000");
    const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(sentAt[3] - changed);
    EXPECT_LT(delay.count(), 500) << "the first timer message of a 1 ms timer";
    RecordProperty("resend_ms", static_cast<int>(delay.count()));  // USER32 makes 1 ms at least 10
}

TEST_F(CorvaneGuiLoop, TwoChangesBeforeTheTickGiveOneResend) {
    changeText(u"1,2");
    changeText(u"3");
    ASSERT_EQ(host.sent.size(), 6u);
    pump(2000, dispatchAll, [&] { return host.sent.size() > 6; });
    pump(30, dispatchAll, never);
    ASSERT_EQ(host.sent.size(), 7u);
    EXPECT_EQ(host.sent[6].text(), u"3.0000,3.0000");
}

// Host code raising a structured exception inside the re-send: the message
// dispatch catches it, and none of the library's frames in between finish.
// The next timer message ticks again, and so do those of later changes.
TEST_F(CorvaneGuiLoop, AHostFaultInsideTheResendLeavesLaterTicksRunning) {
    bool faulted = false;
    host.onSend = [&](const RecordingHost::Sent& sent) {
        if (faulted || sent.pinIndex != 0 || host.sent.size() != 4) return;
        faulted = true;
        RaiseException(0xE0C0FFEE, 0, 0, nullptr);
    };
    changeText(u"1,2");
    pump(2000, dispatchAll, [&] { return faulted; });
    ASSERT_TRUE(faulted) << "the re-send came";

    changeText(u"3,4");
    ASSERT_EQ(host.sent.size(), 7u);
    pump(2000, dispatchAll, [&] { return host.sent.size() > 7; });
    pump(30, dispatchAll, never);
    ASSERT_EQ(host.sent.size(), 8u) << "one re-send, of the new text";
    EXPECT_EQ(host.sent[7].text(), u"3.0000,4.0000");
}

TEST_F(CorvaneGuiLoop, ReleaseWithATickPendingSendsNothing) {
    changeText(u"1,2");
    host.sent.clear();
    EXPECT_EQ(object->release(), 0);
    object = nullptr;
    pump(100, dispatchAll, never);
    EXPECT_TRUE(host.sent.empty());
}

}  // namespace
