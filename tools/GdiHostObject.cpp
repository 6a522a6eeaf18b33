#include "tools/GdiHostObject.h"

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

GdiHostObject::GdiHostObject(HostObject::Listener listener) : values(std::move(listener)) {}

std::int32_t GdiHostObject::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (iid == IID_IMpUnknown || iid == IID_IGuiHost) *out = static_cast<IGuiHost*>(this);
    else if (iid == IID_IGraphicsHostWinGdi) *out = static_cast<IGraphicsHostWinGdi*>(this);
    else if (iid == IID_IGraphicsHostWinGdiExtra) *out = static_cast<IGraphicsHostWinGdiExtra*>(this);
    else return ResultNoInterface;
    addRef();
    return ResultOk;
}

std::int32_t GdiHostObject::addRef() { return values.addRef(); }

std::int32_t GdiHostObject::release() { return values.release(); }

std::int32_t GdiHostObject::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                         std::int32_t voice) {
    return values.sendPinValue(pinIndex, byteSize, data, voice);
}
