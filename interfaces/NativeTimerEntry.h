// The second function a native (non-Windows) module library exports, beside
// MP_GetFactory: off Windows there is no thread message loop to fire the
// framework's timers, so a native host that wants them to run calls this
// while it waits, as a Windows host's message loop would dispatch WM_TIMER.
// Windows libraries do not have it (their timers are USER32 thread timers).
// A host finds it by name after loading the library; a library without it
// simply has no timers that fire on their own.
#pragma once

#include <cstdint>

/// The name a host looks the function up by.
constexpr const char* nativeTimerEntryName = "CorvaneFireDueTimers";

/// [GUI thread: the one that created the library's objects] Calls, once each,
/// the timers whose period has elapsed since they were set or last due; a
/// timer that fell behind by several periods fires once, and its next time
/// stays on its own schedule, as thread timers behave. Periods under 10 ms
/// count as 10 ms, as the system clamps them. Answers the milliseconds until
/// the next timer is due (0 or more), or -1 when no timer is set.
using NativeTimerEntryFunction = std::int32_t (*)();
