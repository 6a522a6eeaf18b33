// A GUI pin holding a value of type T: the pin's own copy of its module's pin
// value, sent to the host through the owner when the GUI object changes it.
// Concrete pins (StringGuiPin) define how T is laid out as bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ranges>
#include <utility>

#include "gui/GuiPinOwner.h"
#include "gui/MpGuiPinBase.h"

template <class T>
class MpGuiPin : public MpGuiPinBase {
public:
    /// The value's size in bytes as it travels to the host.
    virtual std::int32_t rawSize() const = 0;
    /// The value's first byte; valid until the value next changes.
    virtual const void* rawData() const = 0;
    /// Reserved query; nothing in the library calls it.
    virtual std::int32_t pinQueryB() = 0;

    /// Sends the value on the pin's own index with voice 0; the host's answer
    /// is not acted on. An unbound pin sends nothing.
    void sendValue() {
        if (owner != nullptr) owner->sendPinValue(pinIndex, rawSize(), rawData(), 0);
    }

    /// Takes `newValue` and sends it, unless it equals the stored value (then
    /// nothing happens). On allocation failure the old value stays and nothing
    /// is sent. Answers `newValue`.
    const T& setValue(const T& newValue) {
        if (sameValue(newValue, value)) return newValue;
        T copy(newValue);
        using std::swap;
        swap(value, copy);
        sendValue();
        return newValue;
    }

    /// As setValue, but takes `newValue` over instead of copying it, so the
    /// pin allocates nothing: a caller that prepared the text beforehand can
    /// no longer fail here. `newValue` is left holding the old value, or as
    /// it was when the values are equal.
    void setValue(T&& newValue) {
        if (sameValue(newValue, value)) return;
        using std::swap;
        swap(value, newValue);
        sendValue();
    }

    const T& getValue() const { return value; }

protected:
    T value{};

private:
    // Texts compare as memory: a long text's element-by-element operator==
    // costs ten times a copy of it.
    static bool sameValue(const T& a, const T& b) {
        if constexpr (std::ranges::contiguous_range<const T>) {
            return std::ranges::size(a) == std::ranges::size(b) &&
                   std::equal(std::ranges::begin(a), std::ranges::end(a), std::ranges::begin(b));
        } else {
            return a == b;
        }
    }
};
