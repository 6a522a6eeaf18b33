#include "tools/hosting/MessagePump.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include "tools/hosting/ModuleTimers.h"
#endif

void pumpMessagesFor(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
#ifdef _WIN32
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    }
#else
    // No message loop: the module's own timer entry fires what is due, on
    // the beat a thread's message loop would, until the time is up.
    for (;;) {
        const std::int32_t next = moduleTimers::fireDue();
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        const auto wake = next < 0 ? deadline : std::min(deadline, now + std::chrono::milliseconds(next));
        std::this_thread::sleep_until(wake);
    }
#endif
}
