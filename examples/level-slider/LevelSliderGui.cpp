#include "LevelSliderGui.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "factory/MpFactory.h"

namespace {

gmpi::IMpUnknown* createLevelSliderGui() { return static_cast<gmpi::IMpUserInterface*>(new LevelSliderGui); }

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Example-LevelSlider", createLevelSliderGui), true);

void fill(HDC deviceContext, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(deviceContext, &area, brush);
    DeleteObject(brush);
}

}  // namespace

LevelSliderGui::LevelSliderGui() {
    registerPin(0, levelPin, &LevelSliderGui::onPinChanged);
    registerPin(1, labelPin, &LevelSliderGui::onPinChanged);
}

float LevelSliderGui::shownLevel(float value) { return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f); }

void LevelSliderGui::onPinChanged() { invalidateRect(nullptr, false); }

std::int32_t LevelSliderGui::onPaint(HDC deviceContext) {
    RECT client{};
    GetClientRect(window, &client);
    fill(deviceContext, client, Background);
    RECT filled = client;
    filled.right = client.left + static_cast<LONG>(std::lround(shownLevel(levelPin.getValue()) * (client.right - client.left)));
    fill(deviceContext, filled, Bar);

    // "Label  42%": the label as the host gave it, the level as a whole percent.
    std::wstring caption(labelPin.getValue().begin(), labelPin.getValue().end());
    if (!caption.empty()) caption += L"  ";
    caption += std::to_wstring(std::lround(shownLevel(levelPin.getValue()) * 100.0f)) + L"%";
    SetBkMode(deviceContext, TRANSPARENT);
    SetTextColor(deviceContext, Caption);
    DrawTextW(deviceContext, caption.c_str(), static_cast<int>(caption.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return gmpi::ResultOk;
}

std::int32_t LevelSliderGui::onLButtonDown(std::uint32_t, POINT point) {
    setCapture();
    levelFromMouse(point);
    return gmpi::ResultOk;
}

std::int32_t LevelSliderGui::onMouseMove(std::uint32_t, POINT point) {
    if (getCapture()) levelFromMouse(point);
    return gmpi::ResultOk;
}

std::int32_t LevelSliderGui::onLButtonUp(std::uint32_t, POINT point) {
    if (getCapture()) {
        levelFromMouse(point);
        releaseCapture();
    }
    return gmpi::ResultOk;
}

void LevelSliderGui::levelFromMouse(POINT point) {
    RECT client{};
    GetClientRect(window, &client);
    const LONG width = client.right - client.left;
    if (width <= 0) return;
    levelPin.setValue(shownLevel(static_cast<float>(point.x - client.left) / static_cast<float>(width)));
    invalidateRect(nullptr, false);
}
