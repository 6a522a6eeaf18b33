#include "module/CorvaneGui.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "factory/MpFactory.h"
#include "module/NumberListParser.h"

using gmpi::ResultFail;
using gmpi::ResultOk;

namespace {

// The text is re-sent on the first timer message after 1 ms.
constexpr std::int32_t ResendPeriodMs = 1;

gmpi::IMpUnknown* createCorvaneGui() { return static_cast<gmpi::IMpUserInterface2B*>(new CorvaneGui); }

[[maybe_unused]] const bool registered = (registerClass(ObjectKindGui, u"Orvex-Corvane", createCorvaneGui), true);

}  // namespace

CorvaneGui::CorvaneGui() { registerPin(textPin, &CorvaneGui::onTextChanged); }

// Members go first (values, then the text pin and its holder), then the timer
// part, which takes the object out of the timer service, then the base.
CorvaneGui::~CorvaneGui() = default;

std::int32_t CorvaneGui::onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                  const void* data) {
    if (pinIndex <= 0) return MpGuiBase2::onSetPin(pinIndex, voice, byteSize, data);
    if (pinIndex > LastFloatPin || byteSize < 0 || (data == nullptr && byteSize != 0)) return ResultFail;
    float value = 0.0f;
    if (byteSize > 0) std::memcpy(&value, data, std::min<std::size_t>(static_cast<std::size_t>(byteSize), sizeof value));
    // No pin object answers a float pin, so the host hears ResultFail whether
    // the value was taken or not (a failed allocation throws, which the base
    // answers the same way); the text sent back on pin 0 shows which.
    storeValue(static_cast<std::size_t>(pinIndex) - 1, value);
    return ResultFail;
}

void CorvaneGui::storeValue(std::size_t index, float value) {
    const std::size_t count = std::max(values.size(), index + 1);
    values.reserve(count);
    if (valuesTextStale) {
        valuesText.assign(values);
        valuesTextStale = false;
    }
    const NumberListText::Item item(value);
    std::u16string text = valuesText.textAfterSet(index, item);
    valuesText.set(index, item);
    // Nothing below allocates, so the change is made whole or not at all
    // (unless the host delivered this value from inside a send of the text:
    // the text pin may then need room to keep that text, see MpGuiPin).
    values.resize(count);
    values[index] = value;
    ++valueChanges;
    textPin.setValue(std::move(text));
}

void CorvaneGui::onTextChanged() {
    // Read in place: nothing calls out while the text is parsed (the host may
    // replace it from inside the sends below, by then it is no longer read).
    const std::size_t count = values.size();
    std::vector<float> parsed(count);
    parseNumberList(textPin.getValue(), parsed);
    NumberListText parsedText;
    parsedText.assign(parsed);
    std::u16string pinText = parsedText.text();

    // Nothing below allocates unless the host calls back into this object.
    const std::uint64_t changesBefore = ++valueChanges;
    for (std::size_t i = 0; i < count; ++i) {
        // values may have grown (and moved) during the previous send, and may
        // during this one: the host reads a copy that stays put.
        const float sent = parsed[i];
        values[i] = sent;
        valuesTextStale = true;
        if (host != nullptr && hostHoldsThis())
            host->sendPinValue(static_cast<std::int32_t>(i + 1), sizeof(float), &sent, 0);
    }
    if (valueChanges == changesBefore) {
        valuesText = std::move(parsedText);
        valuesTextStale = false;
        textPin.setValue(std::move(pinText));
    } else {
        rebuildText();  // the host changed slots meanwhile: write them as they are now
    }
    // An object the host has let go of goes when this call ends: no re-send.
    if (hostHoldsThis()) startTimer(ResendPeriodMs);
}

void CorvaneGui::rebuildText() {
    if (valuesTextStale) {
        valuesText.assign(values);
        valuesTextStale = false;
    }
    textPin.setValue(valuesText.text());
}

bool CorvaneGui::onTimer() {
    textPin.sendValue();
    return false;
}
