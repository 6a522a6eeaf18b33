#include "gui/GuiPinOwner.h"

#include <limits>
#include <stdexcept>

#include "gui/MpGuiPinBase.h"
#include "interfaces/InterfaceId.h"

using gmpi::ResultFail;
using gmpi::ResultOk;

void GuiPinOwner::addPin(std::int32_t pinIndex, MpGuiPinBase& pin) { pins.emplace(pinIndex, &pin); }

MpGuiPinBase* GuiPinOwner::getPin(std::int32_t pinIndex) const {
    const auto entry = pins.find(pinIndex);
    return entry == pins.end() ? nullptr : entry->second;
}

std::int32_t GuiPinOwner::setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                 const void* data) {
    return deliver(pinIndex, voice, byteSize, data, false);
}

std::int32_t GuiPinOwner::setPinAndNotify(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                          const void* data) {
    return deliver(pinIndex, voice, byteSize, data, true);
}

std::int32_t GuiPinOwner::deliver(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                  const void* data, bool notify) {
    MpGuiPinBase* pin = getPin(pinIndex);
    if (pin == nullptr) return ResultFail;
    // The host states the size; a value it cannot have would make the pin read
    // outside the host's buffer.
    if (byteSize < 0 || (data == nullptr && byteSize != 0)) return ResultFail;
    const bool changed = pin->setValueRaw(voice, byteSize, data);
    if (notify && changed) pin->invokeCallback(voice);
    return ResultOk;
}

std::int32_t GuiPinOwner::notifyPin(std::int32_t pinIndex, std::int32_t voice) {
    MpGuiPinBase* pin = getPin(pinIndex);
    if (pin == nullptr) return ResultFail;
    pin->invokeCallback(voice);
    return ResultOk;
}

std::int32_t GuiPinOwner::nextPinIndex() const {
    if (pins.empty()) return 0;
    const std::int32_t highest = pins.rbegin()->first;
    if (highest == std::numeric_limits<std::int32_t>::max()) throw std::out_of_range("no pin index above the highest");
    return highest + 1;
}
