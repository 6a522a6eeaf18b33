// The host side of a windowed legacy plug-in object in the harness's show
// command: the IGuiHost it sends its pin values to and the two GDI host
// interfaces the GDI graphics bases ask for in setHost. Values go on to a
// HostObject, which copies them and tells the listener. Lives on the stack of
// the show command; its count is kept but never frees it.
#pragma once

#include <cstdint>

#include "interfaces/HostInterfaces.h"
#include "tools/HostObject.h"

class GdiHostObject final : public gmpi::IGuiHost, public IGraphicsHostWinGdi, public IGraphicsHostWinGdiExtra {
public:
    explicit GdiHostObject(HostObject::Listener listener);

    /// The host as setHost and createObject receive it.
    gmpi::IMpUnknown* unknown() { return static_cast<gmpi::IGuiHost*>(this); }

    /// Answers IMpUnknown, IGuiHost, IGraphicsHostWinGdi and
    /// IGraphicsHostWinGdiExtra, each with its own view and one reference.
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override;
    std::int32_t release() override;
    /// As HostObject::sendPinValue.
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;
    virtual ~GdiHostObject() = default;

private:
    HostObject values;
};
