// A horizontal slider in a window of its own: draws the level on pin 0
// (0 to 1) as a bar, with the label from pin 1 and the level in percent, and
// sends a new level on pin 0 when the user clicks or drags in it. A legacy
// GUI object on the GDI graphics base: the factory attaches the host, which
// then sizes, places, opens and closes the window through IMpGraphicsWinGdi.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/FloatGuiPin.h"
#include "gui/MpGuiWindowsGfxBase.h"
#include "gui/StringGuiPin.h"

class LevelSliderGui final : public MpGuiWindowsGfxBase {
public:
    static constexpr COLORREF Background = RGB(32, 34, 38);
    static constexpr COLORREF Bar = RGB(64, 160, 224);
    static constexpr COLORREF Caption = RGB(240, 240, 240);

    LevelSliderGui();

    /// The level the bar shows for a pin value: clamped to 0..1, NaN as 0.
    static float shownLevel(float value);

protected:
    std::int32_t onPaint(HDC deviceContext) override;
    std::int32_t onLButtonDown(std::uint32_t flags, POINT point) override;
    std::int32_t onLButtonUp(std::uint32_t flags, POINT point) override;
    std::int32_t onMouseMove(std::uint32_t flags, POINT point) override;

private:
    /// Change callback of both pins: the picture shows them, so repaint.
    void onPinChanged();
    /// Sets the level from a client x position and sends it.
    void levelFromMouse(POINT point);

    FloatGuiPin levelPin;
    StringGuiPin labelPin;
};
