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
//   WINDOW_PLUGIN_OWN_FILTER_DECLINES a left press reads an unmapped page under a __try scope
//                                     of its own whose filter declines the fault
// and once taking faults of its own, as a correct plug-in may:
//   WINDOW_PLUGIN_HANDLES_OWN_FAULTS  each pin change, left press and paint reads an unmapped
//                                     page three ways and survives: under a __try scope of its
//                                     own, through IsBadReadPtr, and with a vectored handler of
//                                     its own (added first, then last) that moves the read
//                                     elsewhere; it aborts the process if one read does not
//                                     fault or is not taken
// and once to show the input a session gives it (window_input_plugin.pins.json):
//   WINDOW_PLUGIN_RECORDS_INPUT       takes the keyboard focus on a left press and sends on
//                                     its output pin 2 each button, wheel, key and focus
//                                     message it gets, with what the message carries
//   WINDOW_PLUGIN_DOUBLE_CLICKS       with the above, its window class asks for double
//                                     clicks (CS_DBLCLKS)
#include <windows.h>

#include <excpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/MpGuiWindowsGfxBase.h"
#include "gui/StringGuiPin.h"

#if defined(WINDOW_PLUGIN_HANDLES_OWN_FAULTS) || defined(WINDOW_PLUGIN_OWN_FILTER_DECLINES)
// The filter of the scope below (MinGW's __try1 names it as an assembler symbol).
extern "C" LONG ownFaultFilter(EXCEPTION_POINTERS* fault, void*) {
#ifdef WINDOW_PLUGIN_OWN_FILTER_DECLINES
    static_cast<void>(fault);
    return EXCEPTION_CONTINUE_SEARCH;
#else
    return fault->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION ? EXCEPTION_EXECUTE_HANDLER
                                                                               : EXCEPTION_CONTINUE_SEARCH;
#endif
}
#endif

namespace {

#if defined(WINDOW_PLUGIN_HANDLES_OWN_FAULTS) || defined(WINDOW_PLUGIN_OWN_FILTER_DECLINES)
/// A page reserved and never committed: reading it faults.
const volatile int* unmappedPage() {
    static void* const page = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    return static_cast<const volatile int*>(page);
}

/// Reads `where` under a __try scope (MinGW's spelling, a scope record for
/// the C runtime's handler); true when the read faulted and the scope took it.
/// One scope in this file: __try1's labels are fixed names.
__attribute__((noinline)) bool readFaultsUnderScope(const volatile int* where) {
    volatile bool faulted = true;
    __try1(ownFaultFilter)
    static_cast<void>(*where);
    faulted = false;
    __except1
    return faulted;
}
#endif

#ifdef WINDOW_PLUGIN_HANDLES_OWN_FAULTS
/// A vectored handler of the plug-in's own: a read of the unmapped page is
/// moved to a readable word holding -1, by rewriting the register holding
/// the address, and the read goes on.
LONG WINAPI moveReadOfUnmappedPage(EXCEPTION_POINTERS* fault) {
    static const int substitute = -1;
    const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2 ||
        record.ExceptionInformation[1] != reinterpret_cast<ULONG_PTR>(unmappedPage()))
        return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT& context = *fault->ContextRecord;
    for (DWORD64* reg : {&context.Rax, &context.Rcx, &context.Rdx, &context.Rbx, &context.Rsi, &context.Rdi, &context.R8,
                         &context.R9, &context.R10, &context.R11, &context.R12, &context.R13, &context.R14, &context.R15})
        if (*reg == record.ExceptionInformation[1]) {
            *reg = reinterpret_cast<DWORD64>(&substitute);
            return EXCEPTION_CONTINUE_EXECUTION;
        }
    return EXCEPTION_CONTINUE_SEARCH;
}

/// The three ways a plug-in survives a fault of its own; aborts when one of
/// them did not happen as meant.
void probeUnmappedPage() {
    if (!readFaultsUnderScope(unmappedPage())) std::abort();
    if (!IsBadReadPtr(const_cast<const int*>(unmappedPage()), sizeof(int))) std::abort();
    // Added first, and added last: after the harness's own handlers.
    for (const ULONG order : {1UL, 0UL}) {
        void* const handler = AddVectoredExceptionHandler(order, moveReadOfUnmappedPage);
        const int moved = *unmappedPage();
        RemoveVectoredExceptionHandler(handler);
        if (moved != -1) std::abort();
    }
}
#endif

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
#ifdef WINDOW_PLUGIN_RECORDS_INPUT
        registerPin(2, heardPin);
#endif
    }

    std::int32_t onMeasure(MpSize proposed, MpSize& desired) override {
        desired = {std::clamp(proposed.width, 16, 1024), std::clamp(proposed.height, 16, 1024)};
        return gmpi::ResultOk;
    }

protected:
#ifdef WINDOW_PLUGIN_RECORDS_INPUT
    LRESULT onWindowMessage(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam) override {
        const auto x = static_cast<short>(LOWORD(lParam));
        const auto y = static_cast<short>(HIWORD(lParam));
        const auto keys = static_cast<unsigned>(LOWORD(wParam));
        char said[96] = {};
        const auto button = [&](const char* name) { std::snprintf(said, sizeof said, "%s %d %d keys %#x", name, x, y, keys); };
        switch (message) {
            case WM_LBUTTONDOWN: button("WM_LBUTTONDOWN"); break;
            case WM_LBUTTONUP: button("WM_LBUTTONUP"); break;
            case WM_LBUTTONDBLCLK: button("WM_LBUTTONDBLCLK"); break;
            case WM_RBUTTONDOWN: button("WM_RBUTTONDOWN"); break;
            case WM_RBUTTONUP: button("WM_RBUTTONUP"); break;
            case WM_CONTEXTMENU: std::snprintf(said, sizeof said, "WM_CONTEXTMENU"); break;
            case WM_MOUSEWHEEL: {
                // The point comes in screen coordinates.
                POINT point{x, y};
                ScreenToClient(messageWindow, &point);
                std::snprintf(said, sizeof said, "WM_MOUSEWHEEL %d keys %#x at %ld %ld", static_cast<short>(HIWORD(wParam)), keys,
                              point.x, point.y);
                break;
            }
            case WM_KEYDOWN:
            case WM_KEYUP:
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP:
                std::snprintf(said, sizeof said, "%s %#x repeat %d%s", message == WM_KEYDOWN ? "WM_KEYDOWN" : message == WM_KEYUP ? "WM_KEYUP"
                                                                   : message == WM_SYSKEYDOWN ? "WM_SYSKEYDOWN" : "WM_SYSKEYUP",
                              static_cast<unsigned>(wParam), static_cast<int>(lParam & 0xFFFF), ((lParam >> 30) & 1) != 0 ? " was down" : "");
                break;
            case WM_CHAR: std::snprintf(said, sizeof said, "WM_CHAR %#x", static_cast<unsigned>(wParam)); break;
            case WM_SETFOCUS: std::snprintf(said, sizeof said, "WM_SETFOCUS"); break;
            case WM_KILLFOCUS: std::snprintf(said, sizeof said, "WM_KILLFOCUS"); break;
            default: break;
        }
        // Numbered, as a pin sends a value only when it changes.
        if (said[0] != '\0') heardPin.setValueUtf8(std::to_string(++heard) + " " + said);
        return MpGuiWindowsGfxBase::onWindowMessage(messageWindow, message, wParam, lParam);
    }
#endif
#ifdef WINDOW_PLUGIN_DOUBLE_CLICKS
    std::int32_t getWindowClass(WNDCLASSEXW* windowClass) override {
        const std::int32_t result = MpGuiWindowsGfxBase::getWindowClass(windowClass);
        if (windowClass != nullptr) windowClass->style |= CS_DBLCLKS;
        return result;
    }
#endif
#ifdef WINDOW_PLUGIN_CLOSE_KEEPS_WINDOW
    // Does not call the base, which would destroy the window.
    void onCloseWindow() override {
        if (window != nullptr) ShowWindow(window, SW_HIDE);
    }
#endif

    std::int32_t onPaint(HDC deviceContext) override {
#ifdef WINDOW_PLUGIN_HANDLES_OWN_FAULTS
        probeUnmappedPage();
#endif
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
#ifdef WINDOW_PLUGIN_HANDLES_OWN_FAULTS
        probeUnmappedPage();
#endif
#ifdef WINDOW_PLUGIN_OWN_FILTER_DECLINES
        readFaultsUnderScope(unmappedPage());
#endif
#ifdef WINDOW_PLUGIN_CRASHES_ON_CLICK
        static int* volatile nowhere = nullptr;
        *nowhere = point.x;
#endif
#ifdef WINDOW_PLUGIN_RECORDS_INPUT
        SetFocus(window);
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
    void repaint() {
#ifdef WINDOW_PLUGIN_HANDLES_OWN_FAULTS
        probeUnmappedPage();
#endif
        invalidateRect(nullptr, false);
    }

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
#ifdef WINDOW_PLUGIN_RECORDS_INPUT
    StringGuiPin heardPin;
    int heard = 0;
#endif
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Window",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new WindowGui)); }),
     true);

}  // namespace
