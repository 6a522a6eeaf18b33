// CorvaneGui under a host that calls back from inside the library's calls
// into it, as real hosts do: it changes pins while a value is being handed
// to it. Driven through the binary interface; the sanitizer build sees any
// read of memory the object freed meanwhile.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "UncountedGuiHost.h"
#include "gui/TimerService.h"

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
        ++depth;
        if (inside) inside(pinIndex);
        --depth;
        const std::vector<unsigned char> after(bytes, bytes + byteSize);
        if (after != before) ++changedUnderTheHost;
        return ResultOk;
    }

    std::function<void(std::int32_t pinIndex)> inside;
    int depth = 0;
    int changedUnderTheHost = 0;
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
        for (const TimerGroup& group : TimerService::instance()->groupList())
            if (group.periodMs == 1 && group.timerId != 0) timerProc(group.timerId);
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
        return [units](HostCallingBack& t) {
            t.text(units);
            t.object->notifyPin(0, 0);
        };
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

}  // namespace
