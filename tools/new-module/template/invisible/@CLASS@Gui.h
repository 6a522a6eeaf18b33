// @CLASS@Gui, the object of the module @NAME@, made by the module's
// factory under "@ID@": a version-2 object on the invisible base (it draws
// nothing). As corvane-new-module made it, it turns the linear gain on pin 0
// into a text in decibels with one decimal on pin 1, "-6.0 dB": put what
// @NAME@ does in its place. Its pins are described in @CLASS@Gui.pins.json.
#pragma once

#include <string>

#include "gui/FloatGuiPin.h"
#include "gui/StringGuiPin.h"
#include "gui/ZuGuiInvisibleBase.h"

class @CLASS@Gui final : public ZuGuiInvisibleBase {
public:
    @CLASS@Gui();

    /// The readout for `gain`: 20 log10 |gain| with one decimal and " dB"
    /// ("-inf dB" for 0, "nan dB" for NaN; never "-0.0").
    static std::u16string readoutText(float gain);

private:
    /// Change callback of the gain pin: sends the new readout.
    void onGainChanged();

    FloatGuiPin gainPin;
    StringGuiPin readoutPin;
};
