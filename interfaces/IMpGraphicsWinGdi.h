// The host's view of a legacy GUI object that draws into a GDI child window
// of its own: sizing, placement, and opening and closing that window.
// Implemented by MpGuiWindowsGfxBase. Window handles travel as untyped
// pointers (HWND) so that hosts and headers need no Windows headers to
// declare the table.
#pragma once

#include <cstdint>

#include "interfaces/GraphicsTypes.h"
#include "interfaces/IMpUnknown.h"

/// [GUI thread] The object's window messages come on the same thread.
class IMpGraphicsWinGdi : public gmpi::IMpUnknown {
public:
    /// Slot 4. Writes to *desired the size the object wants for `proposed`:
    /// each side clamped to 15..100 pixels. ResultOk; ResultFail if desired is null.
    virtual std::int32_t measure(MpSize proposed, MpSize* desired) = 0;
    /// Slot 5. Copies *rect as the placement of the next window the object
    /// opens; an open window is not moved. ResultOk; ResultFail if rect is null.
    virtual std::int32_t arrange(const MpRect* rect) = 0;
    /// Slot 6. Opens the child window inside `parentWindow` (an HWND) at the
    /// arranged placement and writes its handle (null if creation failed) to
    /// *window. The object owns the window until closeWindow. ResultOk.
    virtual std::int32_t openWindow(void* parentWindow, void** window) = 0;
    /// Slot 7. Destroys the window opened by openWindow, if it still exists. ResultOk.
    virtual std::int32_t closeWindow() = 0;

protected:
    ~IMpGraphicsWinGdi() = default;
};
