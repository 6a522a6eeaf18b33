// A level slider in a window of its own: draws the level on pin 0 (0 to 1)
// as a bar, and sends the level under the mouse on pin 0 when the user
// clicks or drags in it. A legacy GUI object on the GDI graphics base, made
// by the module's factory under "@ID@"; the host sizes, places, opens and
// closes its window. Windows build only (the geometry is in @CLASS@Scale).
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/FloatGuiPin.h"
#include "gui/ZuGuiWindowsGfxBase.h"

class @CLASS@Gui final : public ZuGuiWindowsGfxBase {
public:
    static constexpr COLORREF Background = RGB(32, 34, 38);
    static constexpr COLORREF Bar = RGB(64, 160, 224);

    @CLASS@Gui();

protected:
    std::int32_t onPaint(HDC deviceContext) override;
    std::int32_t onLButtonDown(std::uint32_t flags, POINT point) override;
    std::int32_t onLButtonUp(std::uint32_t flags, POINT point) override;
    std::int32_t onMouseMove(std::uint32_t flags, POINT point) override;

private:
    /// Change callback of the level pin: the picture shows it, so repaint.
    void onLevelChanged();
    /// Sets the level from a client position, sends it and repaints.
    void levelFromMouse(POINT point);

    FloatGuiPin levelPin;
};
