// The base of legacy GUI objects that own no window: the host sizes and
// places them through IZuGraphicsComposited and draws them into a surface it
// composes. Repaint and mouse-capture requests go to the host's
// IGraphicsHostComposited. Derived classes override the composited calls.
// All calls on the GUI thread.
#pragma once

#include <cstdint>

#include "gui/MpGuiBase.h"
#include "interfaces/GraphicsTypes.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/IZuGraphicsComposited.h"

class ZuGuiCompositedGfxBase : public MpGuiBase, public IZuGraphicsComposited {
public:
    ZuGuiCompositedGfxBase() = default;

    // IMpUnknown, for every view of the object.
    /// Answers IZuGraphicsComposited with that view, anything else as the
    /// legacy base does. One reference added on success.
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    /// The legacy base's one count; declared here so that this view's slots
    /// reach it too.
    std::int32_t addRef() override;
    std::int32_t release() override;

    /// Both initialisation interfaces: asks for IGuiHost, then for
    /// IGraphicsHostComposited, and answers the second query's result. Throws
    /// hostInterfacesNotSupported at the first one missing; what was obtained
    /// before stays stored.
    std::int32_t setHost(gmpi::IMpUnknown* hostObject) override;

    // IZuGraphicsComposited.
    std::int32_t compositedCallA() override;
    std::int32_t measure(MpSize proposed, MpSize* desired) override;
    std::int32_t arrange(const MpRect* rect) override;
    std::int32_t compositedCallB() override;
    std::int32_t compositedCallC() override;
    std::int32_t compositedCallD() override;
    std::int32_t compositedCallE() override;
    std::int32_t compositedCallF() override;

    ~ZuGuiCompositedGfxBase() override = default;

protected:
    // For derived classes: requests passed to the host unchanged. Before
    // setHost has obtained the host, and once the host has let go of the
    // object (see hostHoldsThis), they answer ResultFail (false).
    std::int32_t invalidateRect(const MpRect* rect);
    std::int32_t setCapture();
    /// True when the host reports that this object holds the mouse capture.
    bool getCapture();
    std::int32_t releaseCapture();

    IGraphicsHostComposited* compositedHost = nullptr;  // never released
    MpRect placementRect{};                             // from the last arrange

private:
    bool hostReachable() const;
};
