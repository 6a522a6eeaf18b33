#include "testing/RecordingHost.h"

#include <utility>

#include "interfaces/InterfaceIds.h"

namespace corvane::testing {

std::int32_t RecordingHost::queryInterface(const gmpi::InterfaceId& iid, void** out) {
    ++queries;
    *out = nullptr;
    if (answersGuiHost2 && iid == gmpi::IID_IGuiHost2) *out = static_cast<gmpi::IGuiHost2*>(this);
    if (answersGuiHost && iid == gmpi::IID_IGuiHost) *out = static_cast<gmpi::IGuiHost*>(this);
    if (*out == nullptr) return gmpi::ResultNoInterface;
    addRef();
    return gmpi::ResultOk;
}

std::int32_t RecordingHost::sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                         std::int32_t voice) {
    sent.push_back(SentValue::record(pinIndex, byteSize, data, voice));
    if (onSend) onSend(sent.back());
    return answer;
}

std::int32_t UncountedGuiHost::queryInterface(const gmpi::InterfaceId& iid, void** out) {
    *out = iid == gmpi::IID_IGuiHost2 ? static_cast<gmpi::IGuiHost2*>(this) : nullptr;
    return *out != nullptr ? gmpi::ResultOk : gmpi::ResultNoInterface;
}

}  // namespace corvane::testing
