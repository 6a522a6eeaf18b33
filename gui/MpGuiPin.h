// A GUI pin holding a value of type T: the pin's own copy of its module's pin
// value, sent to the host through the owner when the GUI object changes it.
// Concrete pins (StringGuiPin) define how T is laid out as bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ranges>
#include <utility>
#include <vector>

#include "gui/CallInProgress.h"
#include "gui/GuiPinOwner.h"
#include "gui/MpGuiPinBase.h"

template <class T>
class MpGuiPin : public MpGuiPinBase {
public:
    /// Room to keep one value aside, so a send at the top level never allocates.
    MpGuiPin() { keptAside.reserve(1); }

    /// The value's size in bytes as it travels to the host.
    virtual std::int32_t rawSize() const = 0;
    /// The value's first byte; valid until the value next changes.
    virtual const void* rawData() const = 0;
    /// Reserved query; nothing in the library calls it.
    virtual std::int32_t pinQueryB() = 0;

    /// Sends the value on the pin's own index with voice 0; the host's answer
    /// is not acted on. An unbound pin sends nothing. The bytes the host gets
    /// stay valid and unchanged for the whole call, whatever the host does
    /// meanwhile: a value kept inside the pin object (a short text) goes as a
    /// copy of those few bytes, a longer one as the pin's own buffer, which a
    /// change during the call sets aside until the call returns. May throw
    /// std::bad_alloc, before anything is sent, only from inside another
    /// send of this pin (a host calling back).
    void sendValue() {
        if (owner == nullptr) return;
        const std::int32_t size = rawSize();
        const void* data = rawData();
        if (insideValueObject(data, size)) {
            unsigned char copy[sizeof(T)];
            if (size > 0) std::memcpy(copy, data, static_cast<std::size_t>(size));
            owner->sendPinValue(pinIndex, size, copy, 0);
            return;
        }
        forgetAbandonedSends();
        // One value set aside per send at most, each by a send of its own depth.
        keptAside.reserve(static_cast<std::size_t>(sendDepth) + 1);
        if (sendDepth == 0) sending.begin();
        const int depth = ++sendDepth;
        if (valueSentAt == 0) valueSentAt = depth;
        const SendEnd end{*this, depth};
        owner->sendPinValue(pinIndex, size, data, 0);
    }

    /// Takes `newValue` and sends it, unless it equals the stored value (then
    /// nothing happens). On allocation failure the old value stays and nothing
    /// is sent. Answers `newValue`.
    const T& setValue(const T& newValue) {
        if (sameValue(newValue, value)) return newValue;
        T copy(newValue);
        replaceValue(copy);
        sendValue();
        return newValue;
    }

    /// As setValue, but takes `newValue` over instead of copying it, so the
    /// pin allocates nothing (except from inside a send of this pin, see
    /// sendValue): a caller that prepared the text beforehand can no longer
    /// fail here. `newValue` is left holding the old value, empty, or as it
    /// was when the values are equal.
    void setValue(T&& newValue) {
        if (sameValue(newValue, value)) return;
        replaceValue(newValue);
        sendValue();
    }

    const T& getValue() const { return value; }

protected:
    /// Makes `next` the value; `next` gets the old one, or is left empty when
    /// the old one is being sent right now: that one is set aside, unchanged,
    /// until the send that first handed it out returns. Allocates nothing.
    void replaceValue(T& next) {
        forgetAbandonedSends();
        if (valueSentAt == 0) {
            using std::swap;
            swap(value, next);
            return;
        }
        // Within the room that send reserved.
        keptAside.push_back(Kept{std::move(value), valueSentAt});
        valueSentAt = 0;
        value = std::move(next);
    }

    T value{};

private:
    struct Kept {
        T value;
        int sentAt;  // the depth of the send that first handed it out
    };

    // Ends the send at `depth` also when the host's call throws.
    struct SendEnd {
        MpGuiPin& pin;
        int depth;
        ~SendEnd() { pin.endSend(depth); }
    };

    void endSend(int depth) noexcept {
        while (!keptAside.empty() && keptAside.back().sentAt >= depth) keptAside.pop_back();
        if (valueSentAt >= depth) valueSentAt = 0;
        sendDepth = depth - 1;
        if (sendDepth == 0) sending.end();
    }

    // A send abandoned by a fault the message dispatch caught never ended:
    // nothing it handed out is in use any more. Asks about its caller: a send
    // does nothing in its own frame while the host has it, so a send seen
    // from the recorded place is a later one.
    CORVANE_NOINLINE void forgetAbandonedSends() noexcept {
        if (!sending.recorded() || sending.enclosesCaller(nullptr, 1)) return;
        sending.end();
        sendDepth = 0;
        valueSentAt = 0;
        keptAside.clear();
    }

    bool insideValueObject(const void* data, std::int32_t size) const {
        const auto* first = reinterpret_cast<const unsigned char*>(&value);
        const auto* bytes = static_cast<const unsigned char*>(data);
        const std::less<const unsigned char*> before;
        return size >= 0 && !before(bytes, first) && !before(first + sizeof(T), bytes + size);
    }

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

    // Sends of this pin in progress (the host calling back nests them), the
    // outermost one recorded, and the depth of the one that first handed out
    // the current value (0: none is sending it).
    CallInProgress sending;
    int sendDepth = 0;
    int valueSentAt = 0;
    std::vector<Kept> keptAside;  // at most one per send in progress, deepest last
};
