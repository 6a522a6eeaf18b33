// USER32 thread timers: SetTimer without a window, so WM_TIMER goes to the
// calling thread's queue and DispatchMessage calls the trampoline below.
#ifdef _WIN32

#include <windows.h>

#include <atomic>

#include "platform/ThreadTimer.h"

namespace platform {
namespace {

// SetTimer takes a plain TIMERPROC, so the one proc the timer service gives
// is kept here for the trampoline; it never changes once set.
std::atomic<TimerProc> currentProc{nullptr};

void CALLBACK trampoline(HWND, UINT, UINT_PTR id, DWORD) {
    if (TimerProc proc = currentProc.load()) proc(static_cast<TimerId>(id));
}

}  // namespace

TimerId setThreadTimer(std::int32_t periodMs, TimerProc proc) {
    currentProc.store(proc);
    return static_cast<TimerId>(SetTimer(nullptr, 0, static_cast<UINT>(periodMs), trampoline));
}

void killThreadTimer(TimerId id) { KillTimer(nullptr, static_cast<UINT_PTR>(id)); }

}  // namespace platform

#endif
