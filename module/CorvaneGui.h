// The module's one GUI object: keeps a list of floats as comma-separated
// text on pin 0 and as one float per pin on pins 1..N, and writes each view
// when the host changes the other. Created by the factory under kind 2 and
// "Orvex-Corvane"; the host drives it through IMpUserInterface2B.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gui/StringGuiPin.h"
#include "gui/TimerClient.h"
#include "gui/ZuGuiInvisibleBase.h"
#include "module/NumberListText.h"

class CorvaneGui final : public ZuGuiInvisibleBase, public TimerClient {
public:
    /// The highest float pin. A host value on any pin above it is refused:
    /// each float pin k holds k floats and their text in memory.
    static constexpr std::int32_t LastFloatPin = 65536;

    /// Count 1 (the creator's), text pin registered as pin 0, no float pins.
    CorvaneGui();

    ~CorvaneGui() override;

    /// Sends the text pin's value on pin 0 once more; answers false (one-shot).
    bool onTimer() override;

    /// The text pin's change callback: parses the text into slots 1..N (N as
    /// it stood on entry), sends each slot on its pin as it is parsed, writes
    /// the normalised text and arms the one-shot 1 ms re-send. Everything it
    /// allocates is allocated before the first send; on std::bad_alloc
    /// nothing has changed (only the timer service's own start can fail
    /// later, leaving the change made and the re-send unarmed).
    void onTextChanged();

    /// The float slots, values[k-1] for pin k.
    std::span<const float> floatValues() const { return values; }

protected:
    /// The host's setPin. Pin 0 and below: as the base (the text pin stores
    /// the text). Float pin k (1..LastFloatPin): slots up to k exist (new ones
    /// 0.0), slot k takes the first min(size, 4) bytes over 0.0, the text is
    /// rebuilt and sent if it changed; answers ResultFail, as for any pin
    /// without a pin object. Refused, changing nothing: k above LastFloatPin,
    /// a negative size, null data with a non-zero size, and a change that
    /// cannot allocate. The voice is ignored.
    std::int32_t onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                          const void* data) override;

private:
    /// Writes the formatted values onto the text pin, which sends them if they differ.
    void rebuildText();
    /// setPin's work for a float pin: the slot at `index` takes `value`.
    void storeValue(std::size_t index, float value);

    StringGuiPin textPin;
    std::vector<float> values;
    // The formatted values; behind them while `valuesTextStale` (during a text change).
    NumberListText valuesText;
    bool valuesTextStale = false;
    // Counts changes of `values`, so a text change sees the host change them
    // from inside sendPinValue.
    std::uint64_t valueChanges = 0;
};
