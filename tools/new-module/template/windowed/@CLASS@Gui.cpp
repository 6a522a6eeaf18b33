#include "@CLASS@Gui.h"

#include "@CLASS@Scale.h"
#include "factory/MpFactory.h"

namespace {

gmpi::IMpUnknown* create@CLASS@Gui() { return static_cast<gmpi::IMpUserInterface*>(new @CLASS@Gui); }

// Runs while the library loads, before the host can call MP_GetFactory.
[[maybe_unused]] const bool registered = (registerClass(ObjectKindGui, u"@ID@", create@CLASS@Gui), true);

void fill(HDC deviceContext, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(deviceContext, &area, brush);
    DeleteObject(brush);
}

}  // namespace

@CLASS@Gui::@CLASS@Gui() {
    // Index as in @CLASS@Gui.pins.json.
    registerPin(0, levelPin, &@CLASS@Gui::onLevelChanged);
}

void @CLASS@Gui::onLevelChanged() { invalidateRect(nullptr, false); }

std::int32_t @CLASS@Gui::onPaint(HDC deviceContext) {
    // The window class has no background brush: paint the whole client area.
    RECT client{};
    GetClientRect(window, &client);
    fill(deviceContext, client, Background);
    RECT bar = client;
    bar.right = client.left + @CLASS@Scale::barWidth(levelPin.getValue(), client.right - client.left);
    fill(deviceContext, bar, Bar);
    return gmpi::ResultOk;
}

std::int32_t @CLASS@Gui::onLButtonDown(std::uint32_t, POINT point) {
    setCapture();
    levelFromMouse(point);
    return gmpi::ResultOk;
}

std::int32_t @CLASS@Gui::onMouseMove(std::uint32_t, POINT point) {
    if (getCapture()) levelFromMouse(point);
    return gmpi::ResultOk;
}

std::int32_t @CLASS@Gui::onLButtonUp(std::uint32_t, POINT point) {
    if (getCapture()) {
        levelFromMouse(point);
        releaseCapture();
    }
    return gmpi::ResultOk;
}

void @CLASS@Gui::levelFromMouse(POINT point) {
    RECT client{};
    GetClientRect(window, &client);
    levelPin.setValue(@CLASS@Scale::levelAt(point.x - client.left, client.right - client.left));
    invalidateRect(nullptr, false);
}
