// A GUI host for unit tests of version-2 objects: answers IGuiHost2 and
// IGuiHost (each can be switched off), records every sendPinValue call with a
// copy of its bytes, and can run a hook inside the call to act as a host that
// calls back into the object. Lives on the test's stack; it counts the
// references it is given but never deletes itself.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "interfaces/HostInterfaces.h"
#include "testing/SentValue.h"

namespace corvane::testing {

class RecordingHost final : public gmpi::IGuiHost2, public gmpi::IGuiHost {
public:
    using Sent = SentValue;

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override { return ++addRefs; }
    std::int32_t release() override { return ++releases; }
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;

    /// The host's own pointer as the object receives it from setHost.
    gmpi::IMpUnknown* asUnknown() { return static_cast<gmpi::IGuiHost2*>(this); }

    bool answersGuiHost2 = true;
    bool answersGuiHost = true;
    std::int32_t answer = gmpi::ResultOk;  // what sendPinValue answers
    std::function<void(const Sent&)> onSend;
    std::vector<Sent> sent;
    int queries = 0;
    int addRefs = 0;
    int releases = 0;
};

/// The smallest IGuiHost2: answers its own identifier only, counts no
/// references (the test owns it), and leaves sendPinValue to a test's host
/// deriving from it.
class UncountedGuiHost : public gmpi::IGuiHost2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }

protected:
    ~UncountedGuiHost() = default;
};

}  // namespace corvane::testing
