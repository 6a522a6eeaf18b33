// The GDI graphics base with a reference count of its own that also asks the
// host for IGraphicsHostWinGdiExtra when attached. Otherwise exactly
// MpGuiWindowsGfxBase. Windows build only; GUI thread.
#pragma once

#include <cstdint>

#include "gui/MpGuiWindowsGfxBase.h"
#include "interfaces/HostInterfaces.h"

class ZuGuiWindowsGfxBase : public MpGuiWindowsGfxBase {
public:
    ZuGuiWindowsGfxBase() = default;

    std::int32_t addRef() override;
    std::int32_t release() override;

    /// As MpGuiWindowsGfxBase's, then asks for IGraphicsHostWinGdiExtra and
    /// answers that query's result; throws hostInterfacesNotSupported at the
    /// first interface missing.
    std::int32_t setHost(gmpi::IMpUnknown* hostObject) override;

    ~ZuGuiWindowsGfxBase() override = default;

protected:
    std::int32_t refCount = 1;
    IGraphicsHostWinGdiExtra* extraHost = nullptr;  // never released
};
