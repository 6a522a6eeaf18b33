// What the library calls on the host. The host implements these; the library
// obtains them by asking the host object it is given in setHost, keeps them
// for the object's whole life, and never calls addRef or release on them.
// Only the operations declared here are called; a host may have more after them.
#pragma once

#include <cstdint>

#include "interfaces/GraphicsTypes.h"
#include "interfaces/IMpUnknown.h"

namespace gmpi {

/// [GUI thread] Version-2 GUI host, asked for by version-2 GUI objects.
class IGuiHost2 : public IMpUnknown {
public:
    /// Slot 4. Takes one pin value from the object. `data` points into the
    /// object's own storage and is only valid during the call. Texts are
    /// UTF-16LE units without terminator, floats 4 bytes; voice is 0.
    /// The library ignores the result.
    virtual std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) = 0;

protected:
    ~IGuiHost2() = default;
};

/// [GUI thread] Legacy GUI host, asked for by legacy GUI objects and both
/// graphics bases.
class IGuiHost : public IMpUnknown {
public:
    /// Slot 4. As IGuiHost2::sendPinValue.
    virtual std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) = 0;

protected:
    ~IGuiHost() = default;
};

}  // namespace gmpi

// The graphics host interfaces stand outside gmpi, as the graphics bases do.

/// [GUI thread] Asked for by the GDI graphics bases; none of its operations
/// is called.
class IGraphicsHostWinGdi : public gmpi::IMpUnknown {
protected:
    ~IGraphicsHostWinGdi() = default;
};

/// [GUI thread] Asked for by ZuGuiWindowsGfxBase after IGraphicsHostWinGdi;
/// none of its operations is called.
class IGraphicsHostWinGdiExtra : public gmpi::IMpUnknown {
protected:
    ~IGraphicsHostWinGdiExtra() = default;
};

/// [GUI thread] Host of composited graphics objects.
class IGraphicsHostComposited : public gmpi::IMpUnknown {
public:
    /// Slot 4. Asks the host to repaint `rect` of the object (null: all of it).
    virtual std::int32_t invalidate(const MpRect* rect) = 0;
    /// Slot 5. Writes non-zero to *hasCapture when the object holds the mouse capture.
    virtual std::int32_t getCapture(std::int32_t* hasCapture) = 0;
    /// Slot 6. Routes the mouse to the object until releaseCapture.
    virtual std::int32_t setCapture() = 0;
    /// Slot 7. Gives the mouse capture back.
    virtual std::int32_t releaseCapture() = 0;

protected:
    ~IGraphicsHostComposited() = default;
};
