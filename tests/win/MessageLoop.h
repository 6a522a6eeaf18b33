// This thread's message loop for the Windows tests: runs it as a host's GUI
// thread would, so thread timers deliver their messages.
#pragma once

#include <windows.h>

/// Runs the message loop until `done()` holds or `atMostMs` has passed,
/// showing each message to `seen` first; a message it answers false for is
/// dropped instead of dispatched. Waits on a loaded machine end early.
template <class Seen, class Done>
void pump(DWORD atMostMs, Seen seen, Done done) {
    const ULONGLONG until = GetTickCount64() + atMostMs;
    for (;;) {
        MSG msg;
        while (!done() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (seen(msg)) DispatchMessageW(&msg);
        const ULONGLONG now = GetTickCount64();
        if (done() || now >= until) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
    }
}

inline bool dispatchAll(const MSG&) { return true; }
inline bool never() { return false; }
