#include "tools/hosting/HostObject.h"

#include <cstring>

#include "interfaces/InterfaceIds.h"
#include "tools/hosting/PinValue.h"

using namespace gmpi;

const char* hostInterfaceName(HostInterface which) {
    switch (which) {
        case HostInterface::GuiHost2: return "IGuiHost2";
        case HostInterface::GuiHost: return "IGuiHost";
        case HostInterface::WinGdi: return "IGraphicsHostWinGdi";
        case HostInterface::WinGdiExtra: return "IGraphicsHostWinGdiExtra";
        case HostInterface::Composited: return "IGraphicsHostComposited";
    }
    return "?";
}

HostObject::HostObject(Listener valueListener, HostOffers offered)
    : listener(std::move(valueListener)), offers(offered) {}

std::int32_t HostObject::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    struct View {
        const InterfaceId& iid;
        HostInterface which;
        void* pointer;
    };
    const View views[] = {
        {IID_IGuiHost2, HostInterface::GuiHost2, static_cast<IGuiHost2*>(this)},
        {IID_IGuiHost, HostInterface::GuiHost, static_cast<IGuiHost*>(this)},
        {IID_IGraphicsHostWinGdi, HostInterface::WinGdi, static_cast<IGraphicsHostWinGdi*>(this)},
        {IID_IGraphicsHostWinGdiExtra, HostInterface::WinGdiExtra, static_cast<IGraphicsHostWinGdiExtra*>(this)},
        {IID_IGraphicsHostComposited, HostInterface::Composited, static_cast<IGraphicsHostComposited*>(this)},
    };
    if (iid == IID_IMpUnknown) {
        *out = unknown();
    } else {
        for (const View& view : views) {
            if (!(iid == view.iid)) continue;
            ++asked[static_cast<std::size_t>(view.which)];
            if (offers.has(view.which)) *out = view.pointer;
        }
    }
    if (*out == nullptr) return ResultNoInterface;
    addRef();
    return ResultOk;
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
        if (description != nullptr) {
            const DecodedValue decoded = decodeValue(value, *description);
            value.problem = decoded.problem;
            value.bytesWrong = decoded.bytesWrong;
            if (!value.problem.empty() && breakListener) breakListener(value);
        }
        if (listener) listener(value);
        return byteSize < 0 || (byteSize > 0 && data == nullptr) ? ResultFail : ResultOk;
    } catch (...) {
        return ResultFail;
    }
}

void HostObject::request(const char* what) {
    try {
        if (requestListener) requestListener(what);
    } catch (...) {
    }
}

std::int32_t HostObject::invalidate(const MpRect*) {
    ++invalidateCalls;
    request("invalidate");
    return ResultOk;
}

std::int32_t HostObject::getCapture(std::int32_t* hasCapture) {
    if (hasCapture == nullptr) return ResultFail;
    *hasCapture = holdsCapture ? 1 : 0;
    return ResultOk;
}

std::int32_t HostObject::setCapture() {
    ++setCaptureCalls;
    holdsCapture = true;
    request("setCapture");
    return ResultOk;
}

std::int32_t HostObject::releaseCapture() {
    ++releaseCaptureCalls;
    holdsCapture = false;
    request("releaseCapture");
    return ResultOk;
}
