#include "ValueReadoutGui.h"

#include <charconv>

#include "factory/MpFactory.h"

namespace {

gmpi::IMpUnknown* createValueReadoutGui() {
    return static_cast<gmpi::IMpUserInterface2B*>(new ValueReadoutGui);
}

// Runs while the library loads, before the host can call MP_GetFactory.
[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Example-ValueReadout", createValueReadoutGui), true);

}  // namespace

ValueReadoutGui::ValueReadoutGui() {
    // Indices as in ValueReadoutGui.pins.json.
    registerPin(0, valuePin, &ValueReadoutGui::onInputChanged);
    registerPin(1, unitPin, &ValueReadoutGui::onInputChanged);
    registerPin(2, readoutPin);
}

void ValueReadoutGui::onInputChanged() {
    if (throttling) {
        changedSinceSend = true;
        return;
    }
    sendReadout();
    throttling = true;
    startTimer(QuietPeriodMs);
}

bool ValueReadoutGui::onTimer() {
    if (!changedSinceSend) {
        throttling = false;
        return false;
    }
    sendReadout();
    return true;
}

void ValueReadoutGui::sendReadout() {
    changedSinceSend = false;
    readoutPin.setValue(readoutText(valuePin.getValue(), unitPin.getValue()));
}

std::u16string ValueReadoutGui::readoutText(float value, const std::u16string& unit) {
    // to_chars never looks at the locale: a host in a comma locale still gets "0.50".
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    std::u16string text(digits, written.ptr);
    if (!unit.empty()) text += u' ' + unit;
    return text;
}
