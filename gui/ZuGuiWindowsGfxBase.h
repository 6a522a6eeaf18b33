// The GDI graphics base that also asks the host for IGraphicsHostWinGdiExtra
// when attached. Otherwise exactly MpGuiWindowsGfxBase. Windows build only;
// GUI thread.
#pragma once

#include <cstdint>

#include "gui/MpGuiWindowsGfxBase.h"
#include "interfaces/HostInterfaces.h"

class ZuGuiWindowsGfxBase : public MpGuiWindowsGfxBase {
public:
    ZuGuiWindowsGfxBase() = default;

    ~ZuGuiWindowsGfxBase() override = default;

protected:
    /// As MpGuiWindowsGfxBase's, then asks for IGraphicsHostWinGdiExtra and
    /// answers that query's result; throws hostInterfacesNotSupported at the
    /// first interface missing.
    std::int32_t onSetHost(gmpi::IMpUnknown* hostObject) override;

    IGraphicsHostWinGdiExtra* extraHost = nullptr;  // never released
};
