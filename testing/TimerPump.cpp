#include "testing/TimerPump.h"

#include <algorithm>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>

#include "platform/ThreadTimerStub.h"
#endif

namespace corvane::testing {

void fireDueTimers() {
#ifdef _WIN32
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
#else
    platform::stub::fireDueTimers();
#endif
}

void runTimersFor(std::int32_t ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds((std::max)(ms, 0));  // not <windows.h>'s max macro
    for (;;) {
        fireDueTimers();
        const auto now = Clock::now();
        if (now >= end) break;
        // Short rounds: a timer's period is at least 10 ms on every system.
#ifdef _WIN32
        Sleep(1);
#else
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(2)));
#endif
    }
}

#ifndef _WIN32
bool fireTimer(std::uintptr_t id) { return platform::stub::fire(id); }

std::vector<LiveTimer> liveTimers() {
    std::vector<LiveTimer> timers;
    for (const auto& timer : platform::stub::liveTimers()) timers.push_back({timer.id, timer.periodMs});
    return timers;
}
#endif

}  // namespace corvane::testing
