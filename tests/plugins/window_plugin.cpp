// Windowed plug-ins for the validator's window checks: "Test-Window", a
// legacy GDI graphics object, a horizontal slider whose level is pin 0 (sent
// back while the left button drags it, with the mouse captured) and whose
// caption is pin 1. measure takes any proposed size from 16 to 1024 pixels a
// side. Built once as it should be and once per planted fault:
//   WINDOW_PLUGIN_CLOSE_KEEPS_WINDOW  the close hides the window instead of destroying it
//   WINDOW_PLUGIN_CRASHES_ON_CLICK    a left press writes through null
//   WINDOW_PLUGIN_PAINT_HANGS         onPaint never returns
//   WINDOW_PLUGIN_CRASHES_IN_PAINT    onPaint writes through null
//   WINDOW_PLUGIN_LEAKS_GDI_IN_PAINT  onPaint makes a pen and a brush and never deletes them
//   WINDOW_PLUGIN_SENDS_UNDESCRIBED   a left press also sends a click count on pin 2, which
//                                     the code registers and the description lacks
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/MpGuiWindowsGfxBase.h"
#include "gui/StringGuiPin.h"

namespace {

void fill(HDC deviceContext, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(deviceContext, &rect, brush);
    DeleteObject(brush);
}

class WindowGui final : public MpGuiWindowsGfxBase {
public:
    WindowGui() {
        registerPin(0, levelPin, &WindowGui::repaint);
        registerPin(1, captionPin, &WindowGui::repaint);
#ifdef WINDOW_PLUGIN_SENDS_UNDESCRIBED
        registerPin(2, clicksPin);
#endif
    }

    std::int32_t onMeasure(MpSize proposed, MpSize& desired) override {
        desired = {std::clamp(proposed.width, 16, 1024), std::clamp(proposed.height, 16, 1024)};
        return gmpi::ResultOk;
    }

protected:
#ifdef WINDOW_PLUGIN_CLOSE_KEEPS_WINDOW
    // Does not call the base, which would destroy the window.
    void onCloseWindow() override {
        if (window != nullptr) ShowWindow(window, SW_HIDE);
    }
#endif

    std::int32_t onPaint(HDC deviceContext) override {
#ifdef WINDOW_PLUGIN_PAINT_HANGS
        for (volatile bool spinning = true; spinning;) {
        }
#endif
#ifdef WINDOW_PLUGIN_CRASHES_IN_PAINT
        static int* volatile nowhere = nullptr;
        *nowhere = 1;
#endif
        RECT client{};
        GetClientRect(window, &client);
#ifdef WINDOW_PLUGIN_LEAKS_GDI_IN_PAINT
        SelectObject(deviceContext, CreatePen(PS_SOLID, 1, RGB(0xFF, 0xFF, 0xFF)));
        SelectObject(deviceContext, CreateSolidBrush(RGB(0x20, 0x28, 0x30)));
        Rectangle(deviceContext, client.left, client.top, client.right, client.bottom);
#endif
        fill(deviceContext, client, RGB(0x20, 0x28, 0x30));
        RECT bar = client;
        bar.right = client.left + std::lround(std::clamp(levelPin.getValue(), 0.0f, 1.0f) * static_cast<float>(client.right));
        if (bar.left < bar.right) fill(deviceContext, bar, RGB(0x30, 0x80, 0xE0));
        const std::wstring caption(captionPin.getValue().begin(), captionPin.getValue().end());
        SetBkMode(deviceContext, TRANSPARENT);
        DrawTextW(deviceContext, caption.c_str(), static_cast<int>(caption.size()), &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return 0;
    }

    std::int32_t onLButtonDown(std::uint32_t, POINT point) override {
#ifdef WINDOW_PLUGIN_CRASHES_ON_CLICK
        static int* volatile nowhere = nullptr;
        *nowhere = point.x;
#endif
        setCapture();
        levelAt(point);
#ifdef WINDOW_PLUGIN_SENDS_UNDESCRIBED
        clicksPin.setValue(clicksPin.getValue() + 1.0f);
#endif
        return 0;
    }

    std::int32_t onMouseMove(std::uint32_t, POINT point) override {
        if (getCapture()) levelAt(point);
        return 0;
    }

    std::int32_t onLButtonUp(std::uint32_t, POINT point) override {
        if (getCapture()) {
            levelAt(point);
            releaseCapture();
        }
        return 0;
    }

private:
    void repaint() { invalidateRect(nullptr, false); }

    void levelAt(POINT point) {
        RECT client{};
        GetClientRect(window, &client);
        if (client.right <= 0) return;
        levelPin.setValue(std::clamp(static_cast<float>(point.x) / static_cast<float>(client.right), 0.0f, 1.0f));
        repaint();
    }

    FloatGuiPin levelPin;
    StringGuiPin captionPin;
#ifdef WINDOW_PLUGIN_SENDS_UNDESCRIBED
    FloatGuiPin clicksPin;
#endif
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Window",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new WindowGui)); }),
     true);

}  // namespace
