// Stand-in thread timers for builds without USER32.
#ifndef _WIN32

#include "platform/ThreadTimerStub.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <type_traits>
#include <vector>

#include "interfaces/NativeTimerEntry.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The system's floor for a thread timer's period.
constexpr std::int32_t shortestPeriodMs = 10;

struct StubState {
    std::map<TimerId, stub::LiveTimer> live;
    std::map<TimerId, Clock::time_point> due;  // live timers' next time, for a host's pump
    std::map<TimerId, TimerProc> procs;  // kept after kill: a queued message may still arrive
    TimerId nextId = 100;
    int sets = 0;
    bool failNext = false;
};

// Made while the library loads, before the timer service can exist (it is
// created on first use), so it is destroyed after the service has killed its
// timers at unload, and nothing of it outlives the library.
StubState stubState;

StubState& state() { return stubState; }

Clock::duration periodOf(std::int32_t periodMs) {
    return std::chrono::milliseconds(std::max(periodMs, shortestPeriodMs));
}

}  // namespace

TimerId setThreadTimer(std::int32_t periodMs, TimerProc proc) {
    StubState& s = state();
    ++s.sets;
    if (s.failNext) {
        s.failNext = false;
        return 0;
    }
    const TimerId id = s.nextId++;
    s.live[id] = stub::LiveTimer{id, periodMs};
    s.due[id] = Clock::now() + periodOf(periodMs);
    s.procs[id] = proc;
    return id;
}

void killThreadTimer(TimerId id) {
    state().live.erase(id);
    state().due.erase(id);
}

namespace stub {

std::vector<LiveTimer> liveTimers() {
    std::vector<LiveTimer> out;
    for (const auto& [id, timer] : state().live) out.push_back(timer);
    return out;
}

int setCount() { return state().sets; }

bool fire(TimerId id) {
    const auto it = state().procs.find(id);
    if (it == state().procs.end()) return false;
    it->second(id);
    return true;
}

void failNextSet() { state().failNext = true; }

void reset() {
    StubState& s = state();
    s.live.clear();
    s.due.clear();
    s.procs.clear();
    s.sets = 0;
    s.failNext = false;
}

std::int32_t fireDueTimers() noexcept {
    StubState& s = state();
    const Clock::time_point now = Clock::now();
    // Taken first: a proc may set and kill timers, and those set now are not due yet.
    std::vector<TimerId> due;
    for (const auto& [id, when] : s.due)
        if (when <= now) due.push_back(id);
    for (const TimerId id : due) {
        const auto when = s.due.find(id);
        if (when == s.due.end()) continue;  // killed by an earlier proc of this round
        const Clock::duration period = periodOf(s.live[id].periodMs);
        // Missed periods are dropped; the timer keeps its own beat.
        while (when->second <= now) when->second += period;
        fire(id);
    }
    if (s.due.empty()) return -1;
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [id, when] : s.due) next = std::min(next, when);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<std::int32_t>(std::clamp<long long>(left, 0, 0x7fffffff));
}

}  // namespace stub
}  // namespace platform

// The native entry a host calls while it waits (interfaces/NativeTimerEntry.h).
extern "C" __attribute__((visibility("default"))) std::int32_t CorvaneFireDueTimers() {
    static_assert(std::is_same_v<decltype(&CorvaneFireDueTimers), NativeTimerEntryFunction>);
    return platform::stub::fireDueTimers();
}

#endif
