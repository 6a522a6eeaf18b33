#include "testing/LegacyHost.h"

#include "interfaces/InterfaceIds.h"

namespace corvane::testing {

std::int32_t LegacyHost::queryInterface(const gmpi::InterfaceId& iid, void** out) {
    asked.push_back(iid);
    *out = nullptr;
    if (iid == gmpi::IID_IGuiHost && offers.guiHost) *out = static_cast<gmpi::IGuiHost*>(this);
    if (iid == gmpi::IID_IGraphicsHostWinGdi && offers.gdi) *out = static_cast<IGraphicsHostWinGdi*>(this);
    if (iid == gmpi::IID_IGraphicsHostWinGdiExtra && offers.gdiExtra)
        *out = static_cast<IGraphicsHostWinGdiExtra*>(this);
    if (iid == gmpi::IID_IGraphicsHostComposited && offers.composited)
        *out = static_cast<IGraphicsHostComposited*>(this);
    return *out != nullptr ? queryAnswer : gmpi::ResultNoInterface;
}

std::int32_t LegacyHost::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) {
    sent.push_back(SentValue::record(pinIndex, byteSize, data, voice));
    if (onSend) onSend();
    return sendAnswer;
}

std::int32_t LegacyHost::invalidate(const MpRect* rect) {
    invalidated.push_back(rect);
    return forwardAnswer;
}

std::int32_t LegacyHost::getCapture(std::int32_t* hasCapture) {
    *hasCapture = captureReport;
    return gmpi::ResultOk;
}

std::int32_t LegacyHost::setCapture() {
    ++captureSets;
    return forwardAnswer;
}

std::int32_t LegacyHost::releaseCapture() {
    ++captureReleases;
    return forwardAnswer;
}

}  // namespace corvane::testing
