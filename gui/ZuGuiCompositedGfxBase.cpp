#include "gui/ZuGuiCompositedGfxBase.h"

#include "factory/AtBoundary.h"
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

std::int32_t ZuGuiCompositedGfxBase::onSetHost(IMpUnknown* hostObject) {
    MpGuiBase::onSetHost(hostObject);
    return queryHost(hostObject, IID_IGraphicsHostComposited, compositedHost);
}

std::int32_t ZuGuiCompositedGfxBase::measure(MpSize proposed, MpSize* desired) {
    if (desired == nullptr) return ResultFail;
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("measure", [&] { return onMeasure(proposed, *desired); });
}

std::int32_t ZuGuiCompositedGfxBase::arrange(const MpRect* rect) {
    if (rect == nullptr) return ResultFail;
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("arrange", [&] { return onArrange(*rect); });
}

std::int32_t ZuGuiCompositedGfxBase::compositedCallA() { return held("compositedCallA", &ZuGuiCompositedGfxBase::onCompositedCallA); }
std::int32_t ZuGuiCompositedGfxBase::compositedCallB() { return held("compositedCallB", &ZuGuiCompositedGfxBase::onCompositedCallB); }
std::int32_t ZuGuiCompositedGfxBase::compositedCallC() { return held("compositedCallC", &ZuGuiCompositedGfxBase::onCompositedCallC); }
std::int32_t ZuGuiCompositedGfxBase::compositedCallD() { return held("compositedCallD", &ZuGuiCompositedGfxBase::onCompositedCallD); }
std::int32_t ZuGuiCompositedGfxBase::compositedCallE() { return held("compositedCallE", &ZuGuiCompositedGfxBase::onCompositedCallE); }
std::int32_t ZuGuiCompositedGfxBase::compositedCallF() { return held("compositedCallF", &ZuGuiCompositedGfxBase::onCompositedCallF); }

std::int32_t ZuGuiCompositedGfxBase::held(const char* call, std::int32_t (ZuGuiCompositedGfxBase::*hook)()) {
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary(call, [&] { return (this->*hook)(); });
}

std::int32_t ZuGuiCompositedGfxBase::onMeasure(MpSize proposed, MpSize& desired) {
    desired = clampToGfxSizeLimits(proposed);
    return ResultOk;
}

std::int32_t ZuGuiCompositedGfxBase::onArrange(const MpRect& rect) {
    placementRect = rect;
    return ResultOk;
}

std::int32_t ZuGuiCompositedGfxBase::onCompositedCallA() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::onCompositedCallB() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::onCompositedCallC() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::onCompositedCallD() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::onCompositedCallE() { return ResultOk; }
std::int32_t ZuGuiCompositedGfxBase::onCompositedCallF() { return ResultOk; }

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
