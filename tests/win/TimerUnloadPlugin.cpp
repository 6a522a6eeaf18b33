// A test plug-in: the library's code plus one timer client that is started
// and never stopped, so that unloading it under a live message loop shows
// whether any thread timer is left aimed at its freed code.
#include <cstdint>

#include "gui/TimerClient.h"

namespace {

class Ticker final : public TimerClient {
public:
    Ticker() : TimerClient(Unheld{}) {}
    bool onTimer() override {
        if (ticks != nullptr) ++*ticks;
        return true;
    }
    long* ticks = nullptr;
};

// Static on purpose: made before the timer service and destroyed after it at
// unload, so its destructor runs once the service is gone.
Ticker ticker;

}  // namespace

/// Starts the plug-in's client under `periodMs`; each call adds one to *ticks.
extern "C" __declspec(dllexport) void startTicking(std::int32_t periodMs, long* ticks) {
    ticker.ticks = ticks;
    ticker.startTimer(periodMs);
}
