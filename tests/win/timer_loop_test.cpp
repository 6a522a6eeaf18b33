// The timer service on real thread timers, driven by this thread's message
// loop under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "../LoadedLibrary.h"
#include "MessageLoop.h"
#include "gui/TimerClient.h"
#include "gui/TimerService.h"
#include "tools/hosting/PluginLibrary.h"

namespace {

bool isThreadTimerMessage(const MSG& msg) { return msg.message == WM_TIMER && msg.hwnd == nullptr; }

class LoggingClient final : public TimerClient {
public:
    LoggingClient(char ownName, std::string& sharedLog, bool answer)
        : TimerClient(Unheld{}), name(ownName), log(sharedLog), keep(answer) {}
    bool onTimer() override {
        log += name;
        return keep;
    }

private:
    const char name;
    std::string& log;
    const bool keep;
};

platform::TimerId idFor(std::int32_t periodMs) {
    for (const TimerGroup& group : TimerService::instance()->groupList())
        if (group.periodMs == periodMs) return group.timerId;
    return 0;
}

TEST(ThreadTimerLoop, OneMillisecondOneShotIsCalledOnce) {
    std::string log;
    LoggingClient oneShot('A', log, false);
    oneShot.startTimer(1);
    ASSERT_NE(idFor(1), 0u);
    pump(2000, dispatchAll, [&] { return !log.empty(); });
    pump(30, dispatchAll, never);
    EXPECT_EQ(log, "A");
    EXPECT_EQ(idFor(1), 0u) << "its timer is killed once it left";
}

TEST(ThreadTimerLoop, ClientsOfOnePeriodShareOneTimerInStartOrder) {
    std::string log;
    LoggingClient a('A', log, true), b('B', log, true);
    a.startTimer(5);
    b.startTimer(5);
    const platform::TimerId shared = idFor(5);
    ASSERT_NE(shared, 0u);
    std::set<WPARAM> ids;
    int messages = 0;
    pump(
        2000,
        [&](const MSG& msg) {
            if (isThreadTimerMessage(msg)) {
                ids.insert(msg.wParam);
                ++messages;
            }
            return true;
        },
        [&] { return messages >= 3; });
    a.stopTimer();
    b.stopTimer();
    EXPECT_EQ(ids, std::set<WPARAM>{shared});
    ASSERT_GE(messages, 2);
    std::string expected;
    for (int i = 0; i < messages; ++i) expected += "AB";
    EXPECT_EQ(log, expected) << "both called once per message, in start order";
}

TEST(ThreadTimerLoop, UnloadingTheLibraryLeavesNoTimerFiringIntoIt) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.open(programFolder() + "/" + TIMER_UNLOAD_PLUGIN_FILE)) << plugin.error();
    const auto startTicking = reinterpret_cast<void (*)(std::int32_t, long*)>(plugin.symbol("startTicking"));
    ASSERT_NE(startTicking, nullptr);
    long ticks = 0;
    startTicking(1, &ticks);
    pump(2000, dispatchAll, [&] { return ticks >= 2; });
    ASSERT_GT(ticks, 0) << "the plug-in's timer ran before the unload";

    plugin.close();
    const long ticksAtUnload = ticks;
    int strayMessages = 0;
    pump(
        100,
        [&](const MSG& msg) {
            if (!isThreadTimerMessage(msg)) return true;
            ++strayMessages;  // its proc would be the freed trampoline: never dispatch it
            return false;
        },
        never);
    EXPECT_EQ(strayMessages, 0);
    EXPECT_EQ(ticks, ticksAtUnload);
}

}  // namespace
