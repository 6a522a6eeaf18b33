// Unit test of the module: the bar's geometry everywhere, and on Windows the
// window itself, made through the module's factory on a legacy host as a
// host makes it, painting the level and sending the level a click means. A
// plain program: exit 0 when all is as expected, 1 with each difference
// printed otherwise.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "@CLASS@Scale.h"

#ifdef _WIN32
#include <windows.h>

#include "@CLASS@Gui.h"
#include "interfaces/InterfaceIds.h"
#include "testing/LegacyHost.h"
#include "testing/ModuleFactory.h"
#endif

namespace {

int failures = 0;

void expect(bool holds, const std::string& what) {
    if (holds) return;
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
}

void geometry() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float value;
        int width;
        int bar;
    } bars[] = {
        {0.5f, 100, 50}, {0.0f, 100, 0}, {1.0f, 100, 100}, {2.0f, 100, 100},  // clamped to 1
        {-1.0f, 100, 0}, {nan, 100, 0},  {0.5f, 0, 0},     {0.5f, -10, 0},
    };
    for (const auto& c : bars)
        expect(@CLASS@Scale::barWidth(c.value, c.width) == c.bar,
               "bar of " + std::to_string(c.value) + " in " + std::to_string(c.width) + " pixels");

    const struct {
        int x;
        int width;
        float level;
    } clicks[] = {
        {75, 100, 0.75f}, {0, 100, 0.0f}, {100, 100, 1.0f}, {-5, 100, 0.0f}, {250, 100, 1.0f}, {10, 0, 0.0f},
    };
    for (const auto& c : clicks)
        expect(@CLASS@Scale::levelAt(c.x, c.width) == c.level,
               "level at x " + std::to_string(c.x) + " of " + std::to_string(c.width));
}

#ifdef _WIN32
/// A visible top-level window standing for the host's editor, left to the
/// end of the process (under Wine, destroying a shown top-level window waits
/// for the X server).
HWND hostFrame() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"@CLASS@TestFrame";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"@NAME@ test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                           300, nullptr, nullptr, windowClass.hInstance, nullptr);
}

COLORREF pixel(HWND window, int x, int y) {
    UpdateWindow(window);  // pending paints first
    HDC deviceContext = GetDC(window);
    const COLORREF colour = GetPixel(deviceContext, x, y);
    ReleaseDC(window, deviceContext);
    return colour;
}

void windowPaintsAndClicks(HWND frame) {
    corvane::testing::LegacyHost host;
    const auto created = corvane::testing::createLegacy(u"@ID@", host.unknown());
    expect(created.result == gmpi::ResultOk && created.object != nullptr, "the factory makes and attaches the object");
    if (created.object == nullptr) return;
    gmpi::IMpUserInterface* object = created.legacy();
    void* view = nullptr;
    object->queryInterface(gmpi::IID_IMpGraphicsWinGdi, &view);
    auto* gdi = static_cast<IMpGraphicsWinGdi*>(view);
    expect(gdi != nullptr, "the object answers IMpGraphicsWinGdi");
    if (gdi != nullptr) {
        const MpRect placement{0, 20, 0, 100};  // 100 wide, 20 high
        gdi->arrange(&placement);
        void* opened = nullptr;
        gdi->openWindow(frame, &opened);
        const HWND window = static_cast<HWND>(opened);
        expect(window != nullptr, "openWindow makes a window");
        if (window != nullptr) {
            const float level = 0.5f;
            object->setPin(0, 0, sizeof level, &level);
            object->notifyPin(0, 0);
            expect(pixel(window, 10, 10) == @CLASS@Gui::Bar, "the bar covers the left half");
            expect(pixel(window, 90, 10) == @CLASS@Gui::Background, "the right half is background");

            SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
            SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
            expect(host.sent.size() == 1 && host.sent[0].pinIndex == 0 && host.sent[0].number() == 0.75f,
                   "a click at 75 of 100 pixels sends the level 0.75 on pin 0");
            expect(pixel(window, 70, 10) == @CLASS@Gui::Bar, "the bar follows the click");
        }
        gdi->closeWindow();
        gdi->release();
    }
    expect(object->release() == 0, "the host's release frees the object");
}
#endif

}  // namespace

int main() {
    geometry();
#ifdef _WIN32
    windowPaintsAndClicks(hostFrame());
#endif
    if (failures == 0) std::printf("@NAME@_test: all as expected\n");
    return failures == 0 ? 0 : 1;
}
