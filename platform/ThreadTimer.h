// The seam between the timer service and the operating system's thread
// timers. On Windows these are USER32 timers without a window, whose messages
// reach the proc through the calling thread's message loop. Elsewhere a
// stand-in records the timers and tests fire them by hand (ThreadTimerStub.h).
// GUI thread only.
#pragma once

#include <cstdint>

namespace platform {

/// The system-assigned timer id; 0 means "no timer".
using TimerId = std::uintptr_t;

/// Called with the id of the timer whose period elapsed.
using TimerProc = void (*)(TimerId id);

/// Starts a repeating thread timer of `periodMs` that calls `proc`. Answers
/// the new id, or 0 if the system refused.
TimerId setThreadTimer(std::int32_t periodMs, TimerProc proc);

/// Stops the timer `id`. Messages already queued for it may still arrive.
void killThreadTimer(TimerId id);

}  // namespace platform
