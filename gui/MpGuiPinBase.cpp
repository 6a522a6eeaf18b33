#include "gui/MpGuiPinBase.h"

#include <utility>

#include "gui/GuiPinOwner.h"

MpGuiPinBase::~MpGuiPinBase() = default;

void MpGuiPinBase::bindToOwner(GuiPinOwner* newOwner, std::int32_t newPinIndex,
                               std::unique_ptr<IGuiPinCallbackImpl> holder) {
    pinIndex = newPinIndex;
    owner = newOwner;
    callback = std::move(holder);
    if (owner != nullptr) owner->addPin(pinIndex, *this);
}

void MpGuiPinBase::invokeCallback(std::int32_t voice) {
    if (callback) callback->invoke(voice);
}
