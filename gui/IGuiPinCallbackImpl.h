// A pin's change callback, as the pin holds it: the bases run it from
// notifyPin and setPinAndNotify with the voice of that call. The pin owns its
// holder and destroys it through the virtual destructor.
#pragma once

#include <cstdint>

class IGuiPinCallbackImpl {
public:
    virtual ~IGuiPinCallbackImpl() = default;
    /// Calls the GUI object's registered operation. GUI thread.
    virtual void invoke(std::int32_t voice) = 0;
};
