// Stand-in thread timers for builds without USER32.
#ifndef _WIN32

#include "platform/ThreadTimerStub.h"

#include <map>

namespace platform {
namespace {

struct StubState {
    std::map<TimerId, stub::LiveTimer> live;
    std::map<TimerId, TimerProc> procs;  // kept after kill: a queued message may still arrive
    TimerId nextId = 100;
    int sets = 0;
    bool failNext = false;
};

StubState& state() {
    // Never destroyed: the timer service kills its timers at exit, possibly
    // after statics made later than it are gone.
    static StubState* const s = new StubState;
    return *s;
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
    s.procs[id] = proc;
    return id;
}

void killThreadTimer(TimerId id) { state().live.erase(id); }

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
    s.procs.clear();
    s.sets = 0;
    s.failNext = false;
}

}  // namespace stub
}  // namespace platform

#endif
