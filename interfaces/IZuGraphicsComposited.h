// The host's view of a legacy GUI object that the host draws into a surface
// it composes itself: the object owns no window. Implemented by
// ZuGuiCompositedGfxBase.
#pragma once

#include <cstdint>

#include "interfaces/GraphicsTypes.h"
#include "interfaces/IMpUnknown.h"

/// [GUI thread]
class IZuGraphicsComposited : public gmpi::IMpUnknown {
public:
    /// Slot 4. Host-defined; the base ignores any arguments. ResultOk.
    virtual std::int32_t compositedCallA() = 0;
    /// Slot 5. Writes to *desired the size the object wants for `proposed`:
    /// each side clamped to 15..100 pixels. ResultOk; ResultFail if desired is null.
    virtual std::int32_t measure(MpSize proposed, MpSize* desired) = 0;
    /// Slot 6. Copies *rect as the object's placement in the host's surface.
    /// ResultOk; ResultFail if rect is null.
    virtual std::int32_t arrange(const MpRect* rect) = 0;
    /// Slots 7 to 11. Host-defined (drawing and mouse input); the base ignores
    /// any arguments and answers ResultOk. Derived classes override them.
    virtual std::int32_t compositedCallB() = 0;
    virtual std::int32_t compositedCallC() = 0;
    virtual std::int32_t compositedCallD() = 0;
    virtual std::int32_t compositedCallE() = 0;
    virtual std::int32_t compositedCallF() = 0;

protected:
    ~IZuGraphicsComposited() = default;
};
