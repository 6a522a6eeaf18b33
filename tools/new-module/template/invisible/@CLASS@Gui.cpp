#include "@CLASS@Gui.h"

#include <charconv>
#include <cmath>

#include "factory/MpFactory.h"

namespace {

gmpi::IMpUnknown* create@CLASS@Gui() { return static_cast<gmpi::IMpUserInterface2B*>(new @CLASS@Gui); }

// Runs while the library loads, before the host can call MP_GetFactory.
[[maybe_unused]] const bool registered = (registerClass(ObjectKindGui, u"@ID@", create@CLASS@Gui), true);

}  // namespace

@CLASS@Gui::@CLASS@Gui() {
    // Indices as in @CLASS@Gui.pins.json.
    registerPin(0, gainPin, &@CLASS@Gui::onGainChanged);
    registerPin(1, readoutPin);
}

void @CLASS@Gui::onGainChanged() { readoutPin.setValue(readoutText(gainPin.getValue())); }

std::u16string @CLASS@Gui::readoutText(float gain) {
    float decibels = std::round(20.0f * std::log10(std::fabs(gain)) * 10.0f) / 10.0f;
    if (decibels == 0.0f) decibels = 0.0f;  // -0.0 reads as 0.0
    // to_chars never looks at the locale: a host in a comma locale still gets "-6.0".
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, decibels, std::chars_format::fixed, 1);
    std::u16string text(digits, written.ptr);
    return text + u" dB";
}
