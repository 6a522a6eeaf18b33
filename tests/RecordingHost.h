// A GUI host for tests: answers IGuiHost2 and IGuiHost (each can be switched
// off), records every sendPinValue call with a copy of its bytes, and can run
// a hook inside the call to act as a host that calls back into the object.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "interfaces/HostInterfaces.h"
#include "interfaces/InterfaceIds.h"

class RecordingHost final : public gmpi::IGuiHost2, public gmpi::IGuiHost {
public:
    struct Sent {
        std::int32_t pinIndex;
        std::int32_t byteSize;
        const void* data;  // as passed; only valid during the call
        std::int32_t voice;
        std::vector<unsigned char> bytes;

        std::u16string text() const {
            std::u16string units(bytes.size() / 2, u'\0');
            if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * 2);
            return units;
        }
        float number() const {
            float value = 0;
            if (bytes.size() == sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
            return value;
        }
    };

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        ++queries;
        *out = nullptr;
        if (answersGuiHost2 && iid == gmpi::IID_IGuiHost2) *out = static_cast<gmpi::IGuiHost2*>(this);
        if (answersGuiHost && iid == gmpi::IID_IGuiHost) *out = static_cast<gmpi::IGuiHost*>(this);
        if (*out == nullptr) return gmpi::ResultNoInterface;
        addRef();
        return gmpi::ResultOk;
    }
    std::int32_t addRef() override { return ++addRefs; }
    std::int32_t release() override { return ++releases; }

    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        Sent call{pinIndex, byteSize, data, voice, {}};
        if (byteSize > 0 && data != nullptr) {
            const auto* first = static_cast<const unsigned char*>(data);
            call.bytes.assign(first, first + byteSize);
        }
        sent.push_back(std::move(call));
        if (onSend) onSend(sent.back());
        return answer;
    }

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
