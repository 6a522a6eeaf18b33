// The stress loop natively, on the stand-in timers: ten thousand objects
// through the factory, each released with its re-send pending. Under the
// sanitizer build LeakSanitizer checks at exit that nothing is left behind,
// and AddressSanitizer that no tick reaches a released object. Off Windows
// only; tests/win/stress_test.cpp runs the loop on the DLL under Wine.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <set>

#include "StressLoop.h"
#include "factory/Export.h"
#include "gui/TimerService.h"
#include "platform/ThreadTimerStub.h"

namespace stub = platform::stub;

TEST(Stress, TenThousandObjectsReleasedWithTheirReSendPending) {
    void* unknown = nullptr;
    ASSERT_EQ(MP_GetFactory(&unknown), gmpi::ResultOk);
    void* factory = nullptr;
    ASSERT_EQ(static_cast<gmpi::IMpUnknown*>(unknown)->queryInterface(gmpi::IID_IMpFactory2, &factory),
              gmpi::ResultOk);

    // Every timer ever set gets one message after the loop, as messages
    // already queued for killed timers would reach a real message loop.
    std::set<platform::TimerId> timersSeen;
    const auto pump = [&] {
        for (const stub::LiveTimer& timer : stub::liveTimers()) {
            timersSeen.insert(timer.id);
            stub::fire(timer.id);
        }
    };
    constexpr int objects = 10000;
    const StressTotals totals = runStressLoop(*static_cast<gmpi::IMpFactory2*>(factory), objects, 8, pump);
    for (const stub::LiveTimer& timer : stub::liveTimers()) timersSeen.insert(timer.id);
    for (const platform::TimerId id : timersSeen) stub::fire(id);

    EXPECT_EQ(totals.created, objects);
    EXPECT_EQ(totals.refused, 0);
    EXPECT_EQ(totals.malformed, 0);
    EXPECT_EQ(totals.lateSends, 0) << "a tick reached a released object";
    EXPECT_GE(totals.sends, objects * 4) << "three floats and the text per object at least";
    EXPECT_TRUE(stub::liveTimers().empty()) << "the last release leaves no timer running";
    for (const TimerGroup& group : TimerService::instance()->groupList())
        EXPECT_TRUE(group.clients.empty()) << "the service still holds a released object";
}

#endif
