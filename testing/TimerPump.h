// Fires the framework's timers by hand in a unit test. Natively the framework
// runs on stand-in timers that never fire on their own: these calls fire the
// due ones (or one by id) on the test's thread. On Windows the timers are the
// thread's own and fire when its messages are dispatched: these calls pump
// them. A test that waits on a throttle calls runTimersFor; one that wants a
// single tick without waiting calls fireTimer (native only).
#pragma once

#include <cstdint>
#include <vector>

namespace corvane::testing {

/// Delivers what is due now: natively, fires every live timer whose period
/// has elapsed once; on Windows, dispatches the thread's queued messages.
void fireDueTimers();

/// Keeps firing the due timers (or pumping the thread's messages) for `ms`
/// milliseconds of real time, sleeping between rounds.
void runTimersFor(std::int32_t ms);

#ifndef _WIN32
/// Delivers one tick to the framework timer `id` now, as a dispatch would.
/// Answers false when no timer with that id was ever set.
bool fireTimer(std::uintptr_t id);

/// The framework timers set and not yet killed, by id, in the order set.
struct LiveTimer {
    std::uintptr_t id;
    std::int32_t periodMs;
};
std::vector<LiveTimer> liveTimers();
#endif

}  // namespace corvane::testing
