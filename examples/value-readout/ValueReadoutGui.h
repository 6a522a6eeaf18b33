// A readout for a host's display: turns the float on pin 0 and the unit text
// on pin 1 into one text on pin 2, "-6.02 dB", with two decimals whatever the
// locale. A value that changes at audio rate would flood the host with texts,
// so the readout goes out at most once per 50 ms: the first change at once,
// later ones gathered by a timer and sent as one. Draws nothing.
#pragma once

#include <cstdint>
#include <string>

#include "gui/FloatGuiPin.h"
#include "gui/StringGuiPin.h"
#include "gui/TimerClient.h"
#include "gui/ZuGuiInvisibleBase.h"

class ValueReadoutGui final : public ZuGuiInvisibleBase, public TimerClient {
public:
    static constexpr std::int32_t QuietPeriodMs = 50;

    ValueReadoutGui();

    /// Sends the readout if an input changed since the last send and keeps
    /// the timer; after a quiet period it leaves, so the next change goes out at once.
    bool onTimer() override;

    /// The readout for `value` and `unit`: two decimals, a blank, the unit
    /// (no blank when the unit is empty).
    static std::u16string readoutText(float value, const std::u16string& unit);

private:
    /// Change callback of both inputs.
    void onInputChanged();
    void sendReadout();

    FloatGuiPin valuePin;
    StringGuiPin unitPin;
    StringGuiPin readoutPin;
    bool throttling = false;        // a send went out less than a period ago
    bool changedSinceSend = false;  // an input changed while throttling
};
