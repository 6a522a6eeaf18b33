// The base of legacy GUI objects that own no window: the host sizes and
// places them through IZuGraphicsComposited and draws them into a surface it
// composes. Repaint and mouse-capture requests go to the host's
// IGraphicsHostComposited. Each composited call runs its hook (onMeasure,
// onArrange, onCompositedCallA..F) with the object holding itself and no
// exception leaving: derived classes override the hooks. All calls on the
// GUI thread.
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

    // IZuGraphicsComposited: each runs the hook of the same name under the
    // object's hold and answers what it answers; ResultFail when it throws,
    // and for a null `desired` or `rect` (the hook is not called then).
    std::int32_t compositedCallA() final;
    std::int32_t measure(MpSize proposed, MpSize* desired) final;
    std::int32_t arrange(const MpRect* rect) final;
    std::int32_t compositedCallB() final;
    std::int32_t compositedCallC() final;
    std::int32_t compositedCallD() final;
    std::int32_t compositedCallE() final;
    std::int32_t compositedCallF() final;

    ~ZuGuiCompositedGfxBase() override = default;

protected:
    /// setHost's work: asks for IGuiHost, then for IGraphicsHostComposited,
    /// and answers the second query's result. Throws
    /// hostInterfacesNotSupported at the first one missing; what was obtained
    /// before stays stored.
    std::int32_t onSetHost(gmpi::IMpUnknown* hostObject) override;
    /// The size the object wants for `proposed`: by default each side
    /// clamped to 15..100 pixels. ResultOk.
    virtual std::int32_t onMeasure(MpSize proposed, MpSize& desired);
    /// The object's placement in the host's surface: by default stored in
    /// placementRect. ResultOk.
    virtual std::int32_t onArrange(const MpRect& rect);
    /// The host-defined calls (drawing and mouse input); by default nothing,
    /// ResultOk.
    virtual std::int32_t onCompositedCallA();
    virtual std::int32_t onCompositedCallB();
    virtual std::int32_t onCompositedCallC();
    virtual std::int32_t onCompositedCallD();
    virtual std::int32_t onCompositedCallE();
    virtual std::int32_t onCompositedCallF();

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
    /// Runs `hook` on this object under its hold and the boundary guard.
    std::int32_t held(const char* call, std::int32_t (ZuGuiCompositedGfxBase::*hook)());
};
