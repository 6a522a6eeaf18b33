#include "tools/HostObject.h"

#include <cstring>

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

HostObject::HostObject(Listener valueListener, bool offerGuiHost2)
    : listener(std::move(valueListener)), offersGuiHost2(offerGuiHost2) {}

std::int32_t HostObject::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (iid == IID_IGuiHost2) ++guiHost2Asked;
    if (iid == IID_IMpUnknown || (offersGuiHost2 && iid == IID_IGuiHost2)) {
        *out = static_cast<IGuiHost2*>(this);
        addRef();
        return ResultOk;
    }
    return ResultNoInterface;
}

std::int32_t HostObject::addRef() { return ++count; }

std::int32_t HostObject::release() {
    if (count > 1) return --count;
    // The harness's own reference stays: the object only broke the count.
    if (overReleaseListener) overReleaseListener();
    return 1;
}

std::int32_t HostObject::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) {
    // The plug-in calls in here: nothing may escape back into it.
    try {
        SentValue value;
        value.pin = pinIndex;
        value.byteSize = byteSize;
        value.voice = voice;
        value.dataWasNull = data == nullptr;
        const bool readable = byteSize > 0 && data != nullptr;
        if (readable) {
            value.bytes.resize(static_cast<std::size_t>(byteSize));
            std::memcpy(value.bytes.data(), data, value.bytes.size());
        }
        if (listener) listener(value);
        return byteSize < 0 || (byteSize > 0 && data == nullptr) ? ResultFail : ResultOk;
    } catch (...) {
        return ResultFail;
    }
}
