#include "gui/ZuGuiCompositedGfxBase.h"

#include "gui/GfxSizeLimits.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

std::int32_t ZuGuiCompositedGfxBase::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (!(iid == IID_IZuGraphicsComposited)) return MpGuiBase::queryInterface(iid, out);
    *out = static_cast<IZuGraphicsComposited*>(this);
    addRef();
    return ResultOk;
}

std::int32_t ZuGuiCompositedGfxBase::addRef() { return MpGuiBase_base::addRef(); }

std::int32_t ZuGuiCompositedGfxBase::release() { return MpGuiBase_base::release(); }

std::int32_t ZuGuiCompositedGfxBase::setHost(IMpUnknown* hostObject) {
    const ObjectLifetime::Hold hold(lifetime, self());
    queryHost(hostObject, IID_IGuiHost, host);
    return queryHost(hostObject, IID_IGraphicsHostComposited, compositedHost);
}

std::int32_t ZuGuiCompositedGfxBase::measure(MpSize proposed, MpSize* desired) {
    if (desired == nullptr) return ResultFail;
    *desired = clampToGfxSizeLimits(proposed);
    return ResultOk;
}

std::int32_t ZuGuiCompositedGfxBase::arrange(const MpRect* rect) {
    if (rect == nullptr) return ResultFail;
    placementRect = *rect;
    return ResultOk;
}

std::int32_t ZuGuiCompositedGfxBase::compositedCallA() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::compositedCallB() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::compositedCallC() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::compositedCallD() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::compositedCallE() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::compositedCallF() { return ResultOk; }

std::int32_t ZuGuiCompositedGfxBase::invalidateRect(const MpRect* rect) {
    return hostReachable() ? compositedHost->invalidate(rect) : ResultFail;
}

std::int32_t ZuGuiCompositedGfxBase::setCapture() { return hostReachable() ? compositedHost->setCapture() : ResultFail; }

bool ZuGuiCompositedGfxBase::getCapture() {
    if (!hostReachable()) return false;
    std::int32_t hasCapture = 0;
    compositedHost->getCapture(&hasCapture);
    return hasCapture != 0;
}

std::int32_t ZuGuiCompositedGfxBase::releaseCapture() {
    return hostReachable() ? compositedHost->releaseCapture() : ResultFail;
}

bool ZuGuiCompositedGfxBase::hostReachable() const { return compositedHost != nullptr && hostHoldsThis(); }
