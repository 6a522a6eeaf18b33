// The untyped part of every GUI pin: where the pin is registered, the owner it
// sends through, and the change-callback holder it owns. GuiPinOwner hands
// host values to setValueRaw and runs the holder on notifications; the GUI
// object binds each of its pins once, while it is being constructed.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/IGuiPinCallbackImpl.h"

class GuiPinOwner;

class MpGuiPinBase {
public:
    MpGuiPinBase() = default;
    MpGuiPinBase(const MpGuiPinBase&) = delete;
    MpGuiPinBase& operator=(const MpGuiPinBase&) = delete;

    /// Destroys the holder. The pin stays in its owner's registry: the owner
    /// discards the registry after the object's members are gone.
    virtual ~MpGuiPinBase();
    /// Stores a value from the host: `byteSize` (>= 0) bytes at `data`, read
    /// during the call. Answers true when the stored value changed. No callback.
    virtual bool setValueRaw(std::int32_t voice, std::int32_t byteSize, const void* data) = 0;
    /// Reserved query; nothing in the library calls it.
    virtual std::int32_t pinQueryA() = 0;

    /// Stores index, owner and holder (the pin owns it from now on; an earlier
    /// holder is destroyed), then enters the pin in the owner's registry if the
    /// index is free. May throw std::bad_alloc, after the fields are stored.
    void bindToOwner(GuiPinOwner* newOwner, std::int32_t newPinIndex, std::unique_ptr<IGuiPinCallbackImpl> holder);

    /// Runs the change callback with `voice`, if the pin has one.
    void invokeCallback(std::int32_t voice);

    std::int32_t getPinIndex() const { return pinIndex; }
    GuiPinOwner* getOwner() const { return owner; }
    bool hasCallback() const { return callback != nullptr; }

protected:
    std::int32_t pinIndex = -1;
    GuiPinOwner* owner = nullptr;  // not owned
    std::unique_ptr<IGuiPinCallbackImpl> callback;
};
