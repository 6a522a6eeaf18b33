// This thread's message loop for the Windows tests: runs it for a while, as
// a host's GUI thread would, so thread timers deliver their messages.
#pragma once

#include <windows.h>

/// Runs the message loop for `ms`, showing each message to `seen` first; a
/// message it answers false for is dropped instead of dispatched.
template <class Seen>
void pumpFor(DWORD ms, Seen seen) {
    const ULONGLONG until = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (seen(msg)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
    }
}

/// Runs the message loop for `ms`, dispatching everything.
inline void pumpFor(DWORD ms) {
    pumpFor(ms, [](const MSG&) { return true; });
}
