#include "gui/MpGuiBase_base.h"

#include "factory/AtBoundary.h"
#include "factory/ThrowToCaller.h"
#include "gui/TimerClient.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

std::int32_t MpGuiBase_base::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (iid == IID_IMpUnknown || iid == IID_IMpUserInterface) {
        *out = static_cast<IMpUserInterface*>(this);
    } else if (iid == IID_IMpLegacyInitialization) {
        *out = static_cast<IMpLegacyInitialization*>(this);
    } else {
        return ResultNoInterface;
    }
    addRef();
    return ResultOk;
}

std::int32_t MpGuiBase_base::addRef() { return lifetime.addRef(); }

std::int32_t MpGuiBase_base::release() {
    const std::int32_t left = lifetime.release();
    if (left == 0) delete this;
    return left;
}

std::int32_t MpGuiBase_base::legacyCallA() { return ResultOk; }
std::int32_t MpGuiBase_base::legacyCallB() { return ResultOk; }
std::int32_t MpGuiBase_base::legacyCallC() { return ResultOk; }
std::int32_t MpGuiBase_base::legacyCallD() { return ResultOk; }

std::int32_t MpGuiBase_base::setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                    const void* data) {
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("setPin", pinIndex, [&] { return onSetPin(pinIndex, voice, byteSize, data); });
}

std::int32_t MpGuiBase_base::notifyPin(std::int32_t pinIndex, std::int32_t voice) {
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("notifyPin", pinIndex, [&] { return onNotifyPin(pinIndex, voice); });
}

std::int32_t MpGuiBase_base::onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                      const void* data) {
    return GuiPinOwner::setPin(pinIndex, voice, byteSize, data);
}

std::int32_t MpGuiBase_base::onNotifyPin(std::int32_t pinIndex, std::int32_t voice) {
    return GuiPinOwner::notifyPin(pinIndex, voice);
}

bool MpGuiBase_base::tickHeld(TimerClient& client) {
    const ObjectLifetime::Hold hold(lifetime, self());
    return client.onTimer();
}

CORVANE_HOST_ENTRY std::int32_t MpGuiBase_base::setHost(IMpUnknown* hostObject) {
    return throwToCaller(CORVANE_RETURN_ADDRESS(), [&] { return attachHeld(hostObject); });
}

std::int32_t MpGuiBase_base::attachHeld(IMpUnknown* hostObject) {
    const ObjectLifetime::Hold hold(lifetime, self());
    return onSetHost(hostObject);
}

std::int32_t MpGuiBase_base::onSetHost(IMpUnknown* hostObject) { return queryHost(hostObject, IID_IGuiHost, host); }

std::int32_t MpGuiBase_base::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                          std::int32_t voice) {
    if (host == nullptr || !hostHoldsThis()) return ResultFail;
    return host->sendPinValue(pinIndex, byteSize, data, voice);
}

void MpGuiBase_base::registerPin(std::int32_t pinIndex, MpGuiPinBase& pin) { pin.bindToOwner(this, pinIndex, nullptr); }
