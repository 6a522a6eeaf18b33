#include "gui/MpGuiBase2.h"

#include <memory>

#include "factory/AtBoundary.h"
#include "gui/IGuiPinCallback.h"
#include "gui/IGuiPinCallbackIndexed.h"
#include "gui/TimerClient.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

MpGuiBase2::~MpGuiBase2() = default;

std::int32_t MpGuiBase2::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (!(iid == IID_IMpUnknown || iid == IID_IMpUserInterface2 || iid == IID_IMpUserInterface2B))
        return ResultNoInterface;
    *out = static_cast<IMpUserInterface2B*>(this);
    addRef();
    return ResultOk;
}

std::int32_t MpGuiBase2::setHost(IMpUnknown* newHost) {
    if (newHost == nullptr) {
        host = nullptr;
        return ResultNoInterface;
    }
    const ObjectLifetime::Hold hold(lifetime, *this);
    return atBoundary("setHost", [&] {
        // The pointer alone decides; the query's result code is not looked at.
        void* found = nullptr;
        newHost->queryInterface(IID_IGuiHost2, &found);
        host = static_cast<IGuiHost2*>(found);
        return host != nullptr ? ResultOk : ResultNoInterface;
    });
}

std::int32_t MpGuiBase2::hostCallA() { return ResultOk; }

std::int32_t MpGuiBase2::setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                const void* data) {
    const ObjectLifetime::Hold hold(lifetime, *this);
    return atBoundary("setPin", pinIndex, [&] { return onSetPin(pinIndex, voice, byteSize, data); });
}

std::int32_t MpGuiBase2::onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                  const void* data) {
    return GuiPinOwner::setPin(pinIndex, voice, byteSize, data);
}

std::int32_t MpGuiBase2::hostCallB() { return ResultFail; }
std::int32_t MpGuiBase2::hostCallC() { return ResultFail; }
std::int32_t MpGuiBase2::hostCallD() { return ResultFail; }
std::int32_t MpGuiBase2::hostCallE() { return ResultFail; }

std::int32_t MpGuiBase2::notifyPin(std::int32_t pinIndex, std::int32_t voice) {
    const ObjectLifetime::Hold hold(lifetime, *this);
    return atBoundary("notifyPin", pinIndex, [&] { return onNotifyPin(pinIndex, voice); });
}

std::int32_t MpGuiBase2::onNotifyPin(std::int32_t pinIndex, std::int32_t voice) {
    return GuiPinOwner::notifyPin(pinIndex, voice);
}

bool MpGuiBase2::tickHeld(TimerClient& client) {
    const ObjectLifetime::Hold hold(lifetime, *this);
    return client.onTimer();
}

std::int32_t MpGuiBase2::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) {
    if (host == nullptr || !hostHoldsThis()) return ResultFail;
    return host->sendPinValue(pinIndex, byteSize, data, voice);
}

void MpGuiBase2::registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, Callback callback) {
    std::unique_ptr<IGuiPinCallbackImpl> holder;
    if (callback != nullptr) holder = std::make_unique<IGuiPinCallback<IMpUserInterface2>>(this, callback);
    pin.bindToOwner(this, pinIndex, std::move(holder));
}

void MpGuiBase2::registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, IndexedCallback callback) {
    pin.bindToOwner(this, pinIndex, std::make_unique<IGuiPinCallbackIndexed<IMpUserInterface2>>(this, callback));
}

void MpGuiBase2::registerPin(MpGuiPinBase& pin, Callback callback) { registerPin(nextPinIndex(), pin, callback); }
