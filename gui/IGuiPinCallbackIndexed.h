// Change-callback holder for an operation that takes the voice: calls it on
// the GUI object through the object's interface T with the voice of the
// notification. Instantiated for gmpi::IMpUserInterface2 and
// gmpi::IMpUserInterface, one per GUI object base.
#pragma once

#include <cstdint>

#include "gui/IGuiPinCallbackImpl.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IMpUserInterface2.h"

template <class T>
class IGuiPinCallbackIndexed final : public IGuiPinCallbackImpl {
public:
    /// The derived object's own operation, stored as an operation of T.
    using Operation = void (T::*)(std::int32_t voice);

    IGuiPinCallbackIndexed(T* target, Operation targetOperation) : object(target), operation(targetOperation) {}

    void invoke(std::int32_t voice) override {
        if (object != nullptr && operation != nullptr) (object->*operation)(voice);
    }

private:
    T* object;  // not owned: the object owns the pin that owns this holder
    Operation operation;
};

extern template class IGuiPinCallbackIndexed<gmpi::IMpUserInterface2>;
extern template class IGuiPinCallbackIndexed<gmpi::IMpUserInterface>;
