// Change-callback holder for an operation without arguments: calls it on the
// GUI object through the object's interface T, dropping the voice. Created by
// the bases' registerPin forms; T is gmpi::IMpUserInterface2 for the version-2
// base and gmpi::IMpUserInterface for the legacy one.
#pragma once

#include <cstdint>

#include "gui/IGuiPinCallbackImpl.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IMpUserInterface2.h"

template <class T>
class IGuiPinCallback final : public IGuiPinCallbackImpl {
public:
    /// The derived object's own operation, stored as an operation of T.
    using Operation = void (T::*)();

    IGuiPinCallback(T* target, Operation targetOperation) : object(target), operation(targetOperation) {}

    void invoke(std::int32_t) override {
        if (object != nullptr && operation != nullptr) (object->*operation)();
    }

private:
    T* object;  // not owned: the object owns the pin that owns this holder
    Operation operation;
};

extern template class IGuiPinCallback<gmpi::IMpUserInterface2>;
extern template class IGuiPinCallback<gmpi::IMpUserInterface>;
