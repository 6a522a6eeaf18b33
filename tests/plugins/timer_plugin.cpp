// A timer-driven test plug-in for native sessions with timers and for modules
// built with sanitizers: "Test-PeakHold", a version-2 invisible object whose
// float pin 0 is a level; each new level becomes the held peak, which a 10 ms
// timer lets fall until it is gone. The timer sends nothing, so only a
// session that lets the timer run (and a sanitizer watching it) can see its
// faults. Built once as it should be and once with a planted fault:
//   TIMER_PLUGIN_KEEPS_RELEASED_PEAK  the timer keeps falling the first peak,
//                                     which the next level releases
//   TIMER_PLUGIN_COUNTS_OVER          the timer counts the peak's fall in
//                                     thousandths of the level, in 32 bits
//   TIMER_PLUGIN_READS_RELEASED_PEAK  a new level releases the held peak and
//                                     then reads it, at once (no timer needed)
#include <cstdint>
#include <memory>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/TimerClient.h"
#include "gui/ZuGuiInvisibleBase.h"

namespace {

class PeakHoldGui final : public ZuGuiInvisibleBase, public TimerClient {
public:
    PeakHoldGui() { registerPin(0, levelPin, &PeakHoldGui::onLevelChanged); }

    bool onTimer() override {
#ifdef TIMER_PLUGIN_COUNTS_OVER
        fallen += static_cast<std::int32_t>(falling->value) * 1000;  // overflows for levels past 2147483
#endif
        falling->value *= 0.5f;
        return falling->value > 0.001f;
    }

private:
    struct Peak {
        float value;
    };

    void onLevelChanged() {
        auto fresh = std::make_unique<Peak>(Peak{levelPin.getValue()});
#ifdef TIMER_PLUGIN_READS_RELEASED_PEAK
        if (held == nullptr) held = std::make_unique<Peak>(Peak{0});
        const Peak* previous = held.get();
        held.reset();
        if (previous->value > fresh->value) fresh->value = previous->value;
#endif
#ifdef TIMER_PLUGIN_KEEPS_RELEASED_PEAK
        if (falling == nullptr) falling = fresh.get();
#else
        falling = fresh.get();
#endif
        held = std::move(fresh);
        startTimer(10);
    }

    FloatGuiPin levelPin;
    std::unique_ptr<Peak> held;
    Peak* falling = nullptr;  // the peak the timer lets fall
#ifdef TIMER_PLUGIN_COUNTS_OVER
    std::int32_t fallen = 0;
#endif
};

gmpi::IMpUnknown* createPeakHold() { return static_cast<gmpi::IMpUserInterface2B*>(new PeakHoldGui); }

[[maybe_unused]] const bool registered = (registerClass(ObjectKindGui, u"Test-PeakHold", createPeakHold), true);

}  // namespace
