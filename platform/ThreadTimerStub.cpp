// Stand-in thread timers for builds without USER32.
#ifndef _WIN32

#include "platform/ThreadTimerStub.h"

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <vector>

#include "interfaces/NativeTimerEntry.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The system's floor for a thread timer's period.
constexpr std::int32_t shortestPeriodMs = 10;

constexpr TimerId firstId = 100;

struct Timer {
    TimerId id;
    std::int32_t periodMs;
    Clock::time_point due;  // the next time, for a host's pump
};

struct StubState {
    // Live timers only, in the order set: a killed timer leaves no trace, so a
    // session that starts timers for hours holds no more than it runs.
    std::vector<Timer> live;
    // As USER32's, every timer calls the one proc last given (the service
    // gives only its own), so a message still queued for a killed timer
    // needs nothing kept of that timer.
    TimerProc proc = nullptr;
    TimerId nextId = firstId;
    TimerId firstSinceReset = firstId;
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

// Of the live timers set before `roundEnd` and due by `now`, the one set
// first after `after`; null when none is left.
Timer* nextDue(TimerId after, TimerId roundEnd, Clock::time_point now) {
    Timer* found = nullptr;
    for (Timer& timer : state().live)
        if (timer.id > after && timer.id < roundEnd && timer.due <= now && (found == nullptr || timer.id < found->id))
            found = &timer;
    return found;
}

}  // namespace

TimerId setThreadTimer(std::int32_t periodMs, TimerProc proc) {
    StubState& s = state();
    ++s.sets;
    if (s.failNext) {
        s.failNext = false;
        return 0;
    }
    try {
        s.live.push_back(Timer{s.nextId, periodMs, Clock::now() + periodOf(periodMs)});
    } catch (...) {
        return 0;  // out of memory: refused, as the system refuses
    }
    s.proc = proc;
    return s.nextId++;
}

void killThreadTimer(TimerId id) {
    StubState& s = state();
    const auto it = std::find_if(s.live.begin(), s.live.end(), [id](const Timer& timer) { return timer.id == id; });
    if (it != s.live.end()) s.live.erase(it);
}

namespace stub {

std::vector<LiveTimer> liveTimers() {
    std::vector<LiveTimer> out;
    for (const Timer& timer : state().live) out.push_back({timer.id, timer.periodMs});
    return out;
}

int setCount() { return state().sets; }

bool fire(TimerId id) {
    const StubState& s = state();
    if (s.proc == nullptr || id < s.firstSinceReset || id >= s.nextId) return false;
    s.proc(id);
    return true;
}

void failNextSet() { state().failNext = true; }

void reset() {
    StubState& s = state();
    s.live.clear();
    s.proc = nullptr;
    s.firstSinceReset = s.nextId;
    s.sets = 0;
    s.failNext = false;
}

std::int32_t fireDueTimers() noexcept {
    const Clock::time_point now = Clock::now();
    // A proc may set and kill timers: each round looks the next due timer up
    // afresh instead of taking a list first, which would allocate. Timers set
    // during the round (ids from roundEnd on) are not due yet.
    const TimerId roundEnd = state().nextId;
    TimerId fired = 0;
    while (Timer* timer = nextDue(fired, roundEnd, now)) {
        fired = timer->id;
        // Missed periods are dropped; the timer keeps its own beat.
        const Clock::duration period = periodOf(timer->periodMs);
        timer->due += (now - timer->due) / period * period + period;
        fire(fired);  // `timer` may be gone after this
    }
    const std::vector<Timer>& live = state().live;
    if (live.empty()) return -1;
    Clock::time_point next = Clock::time_point::max();
    for (const Timer& timer : live) next = std::min(next, timer.due);
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
