// Test controls of the stand-in thread timers used off Windows: nothing fires
// on its own; a test fires a timer id by hand, as a message loop would, and a
// native host fires the due ones through the library's CorvaneFireDueTimers
// (interfaces/NativeTimerEntry.h) while it waits.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ThreadTimer.h"

namespace platform::stub {

struct LiveTimer {
    TimerId id;
    std::int32_t periodMs;
};

/// Timers set and not yet killed, in the order they were set.
std::vector<LiveTimer> liveTimers();

/// Number of setThreadTimer calls since the last reset.
int setCount();

/// Delivers one timer message for `id`, as a dispatch would, live or not
/// (a killed timer's message may still be queued), to the proc last given.
/// Answers false for an id not given out since the last reset.
bool fire(TimerId id);

/// Makes the next setThreadTimer call fail and answer 0.
void failNextSet();

/// Fires every live timer whose period has elapsed, once, and moves its
/// next time on by whole periods; answers the milliseconds until the next
/// is due, or -1 when none is live. Allocates nothing. The body of
/// CorvaneFireDueTimers.
std::int32_t fireDueTimers() noexcept;

/// Forgets all timers, the proc and the counters; ids keep increasing.
void reset();

}  // namespace platform::stub
