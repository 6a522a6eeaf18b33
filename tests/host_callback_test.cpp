// CorvaneGui under a host that calls back from inside the library's calls
// into it, as real hosts do: it changes pins while a value is being handed
// to it. Driven through the binary interface; the sanitizer build sees any
// read of memory the object freed meanwhile.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "c_host.h"
#include "testing/RecordingHost.h"
#include "gui/ObjectLifetime.h"
#include "gui/TimerService.h"

using corvane::testing::UncountedGuiHost;

using namespace gmpi;

namespace {

/// Runs the test's hook inside each sendPinValue, then checks that the bytes
/// it was handed are still there and unchanged.
class CallingBackHost final : public UncountedGuiHost {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t) override {
        const auto* bytes = static_cast<const unsigned char*>(data);
        const std::vector<unsigned char> before(bytes, bytes + byteSize);
        sent.push_back(pinIndex);
        ++depth;
        if (inside) inside(pinIndex);
        --depth;
        const std::vector<unsigned char> after(bytes, bytes + byteSize);
        if (after != before) ++changedUnderTheHost;
        return ResultOk;
    }

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        if (onQuery) onQuery();
        return UncountedGuiHost::queryInterface(iid, out);
    }

    std::function<void(std::int32_t pinIndex)> inside;
    std::function<void()> onQuery;
    int depth = 0;
    int changedUnderTheHost = 0;
    std::vector<std::int32_t> sent;  // the pins sent on, in order
};

// Public: the tables' host actions reach the fixture through a reference.
class HostCallingBack : public ::testing::Test {
public:
    void SetUp() override {
        object = createCorvaneGui();
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->setHost(&host), ResultOk);
    }
    void TearDown() override {
        host.inside = nullptr;
        host.onQuery = nullptr;
        if (object != nullptr) {
            EXPECT_EQ(object->release(), 0);
        }
    }

    std::int32_t text(std::u16string_view units) {
        return object->setPin(0, 0, static_cast<std::int32_t>(units.size() * 2), units.data());
    }
    std::int32_t value(std::int32_t pinIndex, float number) {
        return object->setPin(pinIndex, 0, sizeof number, &number);
    }
    /// Delivers the timer message of the 1 ms re-send, if one waits.
    static void fireResendTimer() {
        platform::TimerId id = 0;
        for (const TimerGroup& group : TimerService::instance()->groupList())
            if (group.periodMs == 1) id = group.timerId;
        if (id != 0) timerProc(id);  // the tick may free the group
    }
    static bool resendWaiting() {
        for (const TimerGroup& group : TimerService::instance()->groupList())
            if (group.periodMs == 1 && !group.clients.empty()) return true;
        return false;
    }
    void changeText(std::u16string_view units) {
        text(units);
        object->notifyPin(0, 0);
    }

    CallingBackHost host;
    IMpUserInterface2B* object = nullptr;
};

TEST_F(HostCallingBack, DataHandedToTheHostStaysValidAndUnchangedForTheWholeCall) {
    // Texts of up to 7 units live inside the text object itself, longer ones
    // in a buffer of their own: both are changed in place or freed by a new value.
    const std::u16string shortText = u"1", longText = u"1,2,3,4";
    struct Row {
        const char* what;
        std::u16string textBefore;  // the text the object starts from
        std::int32_t slots;
        std::int32_t whileSending;  // the pin whose send calls back
        std::function<void(HostCallingBack&)> hostDoes;
        std::function<void(HostCallingBack&)> objectSends;
    };
    const auto changeText = [](const std::u16string& units) {
        return [units](HostCallingBack& t) { t.changeText(units); };
    };
    const auto tick = [](HostCallingBack&) { fireResendTimer(); };
    const Row rows[] = {
        {"a float while the host grows the slots", u"", 3, 2, [](HostCallingBack& t) { t.value(4000, 1.0f); },
         changeText(u"5,6,7")},
        {"a long text while the host writes another", u"", 4, 0, [](HostCallingBack& t) { t.text(u"9,9,9,9,9"); },
         changeText(longText)},
        {"a short text while the host writes another", u"", 1, 0, [](HostCallingBack& t) { t.text(u"8"); },
         changeText(shortText)},
        {"a long text while the host delivers a float (the text is sent again inside)", u"", 4, 0,
         [](HostCallingBack& t) { t.value(2, 5.0f); }, changeText(longText)},
        {"a long text while the host writes and reports another", u"", 4, 0,
         [](HostCallingBack& t) {
             t.text(u"3,3");
             t.object->notifyPin(0, 0);
         },
         changeText(longText)},
        {"the tick's long text while the host writes another", u"1,2,3,4", 4, 0,
         [](HostCallingBack& t) { t.text(u"7,7"); }, tick},
        {"the tick's short text while the host delivers a float", u"1", 1, 0,
         [](HostCallingBack& t) { t.value(1, 2.0f); }, tick},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        value(row.slots, 0.0f);
        if (!row.textBefore.empty()) changeText(row.textBefore)(*this);
        bool calledBack = false;
        host.inside = [&](std::int32_t pinIndex) {
            if (calledBack || pinIndex != row.whileSending || host.depth > 1) return;
            calledBack = true;
            row.hostDoes(*this);
        };
        row.objectSends(*this);
        EXPECT_TRUE(calledBack);
        EXPECT_EQ(host.changedUnderTheHost, 0);
        host.inside = nullptr;
    }
}

// The host drops its last reference from inside one of the library's calls
// into it. The object answers that release with 1 (its own hold), sends
// nothing more, files no re-send, and goes when the call returns; a leak or
// any later touch of the freed object shows in the sanitizer build.
TEST_F(HostCallingBack, ReleaseInsideAHostCallTakesEffectWhenTheCallEnds) {
    struct Row {
        const char* inside;
        std::int32_t slots;
        std::int32_t whileSending;
        std::function<void(HostCallingBack&)> objectCalls;
        std::vector<std::int32_t> sent;  // pins sent on, up to the release
    };
    const Row rows[] = {
        {"the first float send of a text change", 3, 1, [](HostCallingBack& t) { t.changeText(u"1,2,3"); }, {1}},
        {"the text send of a text change", 2, 0, [](HostCallingBack& t) { t.changeText(u"1,2"); }, {1, 2, 0}},
        {"the text send of a float value", 0, 0, [](HostCallingBack& t) { EXPECT_EQ(t.value(2, 1.0f), ResultFail); },
         {0}},
        {"the tick's send", 1, 0, [](HostCallingBack&) { fireResendTimer(); }, {0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.inside);
        TearDown();
        SetUp();
        if (row.slots > 0) value(row.slots, 0.0f);
        if (row.whileSending == 0 && row.slots == 1) changeText(u"5");  // arms the re-send
        host.sent.clear();
        std::int32_t answered = -1;
        host.inside = [&](std::int32_t pinIndex) {
            if (pinIndex != row.whileSending || object == nullptr) return;
            answered = object->release();
            object = nullptr;
        };
        row.objectCalls(*this);
        EXPECT_EQ(answered, 1) << "the object's own hold keeps it until the call ends";
        EXPECT_EQ(host.sent, row.sent) << "nothing sent after the host let go";
        EXPECT_FALSE(resendWaiting()) << "no re-send filed for an object that went";
        host.inside = nullptr;
    }
}

TEST_F(HostCallingBack, ReleaseInsideTheQueryOfSetHost) {
    IMpUserInterface2B* const attaching = object;
    object = nullptr;
    std::int32_t answered = -1;
    host.onQuery = [&] {
        if (answered == -1) answered = attaching->release();
    };
    EXPECT_EQ(attaching->setHost(&host), ResultOk);
    EXPECT_EQ(answered, 1);
}

// Both bases count on ObjectLifetime; reaching its top through an object
// takes two thousand million calls, so the count is started near it here.
TEST(ObjectCount, SaturatesAtTheTop) {
    ObjectLifetime count(INT_MAX - 1);
    EXPECT_EQ(count.addRef(), INT_MAX);
    EXPECT_EQ(count.addRef(), INT_MAX) << "no overflow past the top";
    EXPECT_EQ(count.release(), INT_MAX) << "a count past counting keeps the object for good";
    ObjectLifetime fresh;
    EXPECT_EQ(fresh.addRef(), 2);
    EXPECT_EQ(fresh.release(), 1);
    EXPECT_EQ(fresh.release(), 0);
}

// The same through the object's table, as a host calls it: about two
// thousand million addRef calls (seconds natively, about 40 s under the
// sanitizers). The object stays reachable from here, as a saturated object
// is never freed.
TEST(ObjectCount, AGuiObjectsCountStopsAtTheTopThroughItsTable) {
    static IMpUserInterface2B* kept = createCorvaneGui();
    ASSERT_NE(kept, nullptr);
    std::int32_t count = 1;
    for (std::int32_t i = 1; i < INT_MAX; ++i) count = c_addRef(kept);
    EXPECT_EQ(count, INT_MAX);
    EXPECT_EQ(c_addRef(kept), INT_MAX) << "no overflow past the top";
    EXPECT_EQ(c_release(kept), INT_MAX);
}

}  // namespace
