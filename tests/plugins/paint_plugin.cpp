// A windowed plug-in for the host harness's show command: "Test-Paint", a
// legacy GDI graphics object that draws a bar chart following its pins, so
// that a test can hold a screenshot's pixels against what it paints:
//   pin 0        text, the bars' colour as "#RRGGBB" (any other text is ignored)
//   pins 1 to 8  float, the height of bar k-1 as a fraction of the window, clamped to 0..1
// The background is #202830 and the bars start #3080E0. Bar k spans x from
// k*W/8 to (k+1)*W/8 - 2 and y from H - round(height*H) to H, in a window of
// W by H pixels. measure takes any proposed size from 16 to 1024 pixels a side.
//
// Built a second time with one planted fault each, for the harness's window
// sessions, show and fuzz:
//   PAINT_PLUGIN_CRASHES_ON_CLICK     a left press in the window writes through null
//   PAINT_PLUGIN_CRASHES_IN_CALLBACK  the colour pin's callback writes through null for "crash"
//   PAINT_PLUGIN_CRASHES_IN_PAINT     onPaint writes through null once bar 1 is above half
//   PAINT_PLUGIN_KEEPS_CAPTURE        a left press takes the mouse capture and nothing gives it back
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/MpGuiWindowsGfxBase.h"
#include "gui/StringGuiPin.h"

namespace {

/// The planted faults' crash: a write the compiler may not leave out.
[[maybe_unused]] void writeThroughNull() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

constexpr int bars = 8;
constexpr int barGap = 2;
constexpr COLORREF background = RGB(0x20, 0x28, 0x30);
constexpr COLORREF firstBarColour = RGB(0x30, 0x80, 0xE0);

/// "#RRGGBB" as a GDI colour, or nothing.
bool parseColour(const std::u16string& text, COLORREF& colour) {
    if (text.size() != 7 || text[0] != u'#') return false;
    unsigned rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const char16_t c = text[i];
        const int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
        if (digit < 0) return false;
        rgb = rgb * 16 + static_cast<unsigned>(digit);
    }
    colour = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

void fill(HDC deviceContext, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(deviceContext, &rect, brush);
    DeleteObject(brush);
}

class PaintGui final : public MpGuiWindowsGfxBase {
public:
    PaintGui() {
        registerPin(0, colourPin, &PaintGui::onColourChanged);
        for (std::int32_t k = 0; k < bars; ++k) registerPin(k + 1, heightPins[static_cast<std::size_t>(k)], &PaintGui::repaint);
    }

    std::int32_t onMeasure(MpSize proposed, MpSize& desired) override {
        desired = {std::clamp(proposed.width, 16, 1024), std::clamp(proposed.height, 16, 1024)};
        return gmpi::ResultOk;
    }

protected:
    std::int32_t onPaint(HDC deviceContext) override {
        RECT client{};
        GetClientRect(window, &client);
#ifdef PAINT_PLUGIN_CRASHES_IN_PAINT
        if (heightPins[0].getValue() > 0.5f) writeThroughNull();
#endif
        fill(deviceContext, client, background);
        for (int k = 0; k < bars; ++k) {
            const float height = std::clamp(heightPins[static_cast<std::size_t>(k)].getValue(), 0.0f, 1.0f);
            const RECT bar{k * client.right / bars, client.bottom - std::lround(height * static_cast<float>(client.bottom)),
                           (k + 1) * client.right / bars - barGap, client.bottom};
            if (bar.top < bar.bottom) fill(deviceContext, bar, barColour);
        }
        return 0;
    }

#if defined(PAINT_PLUGIN_CRASHES_ON_CLICK) || defined(PAINT_PLUGIN_KEEPS_CAPTURE)
    std::int32_t onLButtonDown(std::uint32_t, POINT) override {
#ifdef PAINT_PLUGIN_CRASHES_ON_CLICK
        writeThroughNull();
#else
        setCapture();
#endif
        return 0;
    }
#endif

private:
    void onColourChanged() {
#ifdef PAINT_PLUGIN_CRASHES_IN_CALLBACK
        if (colourPin.getValue() == u"crash") writeThroughNull();
#endif
        if (parseColour(colourPin.getValue(), barColour)) repaint();
    }
    void repaint() { invalidateRect(nullptr, false); }

    StringGuiPin colourPin;
    std::array<FloatGuiPin, bars> heightPins;
    COLORREF barColour = firstBarColour;
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Paint",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new PaintGui)); }),
     true);

}  // namespace
