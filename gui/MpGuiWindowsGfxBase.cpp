#include "gui/MpGuiWindowsGfxBase.h"

#include <algorithm>
#include <climits>

#include "factory/AtBoundary.h"
#include "gui/GfxSizeLimits.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

namespace {

// A window extent from two placement edges, without overflowing int.
int extentBetween(std::int32_t from, std::int32_t to) {
    const long long extent = static_cast<long long>(to) - from;
    return static_cast<int>(std::clamp<long long>(extent, INT_MIN, INT_MAX));
}

POINT pointOf(LPARAM lParam) {
    // Client coordinates are signed 16-bit values: left of or above the
    // window they are negative (while the mouse is captured).
    return {static_cast<std::int16_t>(lParam & 0xFFFF), static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
}

}  // namespace

std::int32_t MpGuiWindowsGfxBase::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (!(iid == IID_IMpGraphicsWinGdi)) return MpGuiBase::queryInterface(iid, out);
    *out = static_cast<IMpGraphicsWinGdi*>(this);
    addRef();
    return ResultOk;
}

std::int32_t MpGuiWindowsGfxBase::addRef() { return MpGuiBase_base::addRef(); }

std::int32_t MpGuiWindowsGfxBase::release() { return MpGuiBase_base::release(); }

std::int32_t MpGuiWindowsGfxBase::onSetHost(IMpUnknown* hostObject) {
    MpGuiBase::onSetHost(hostObject);
    return queryHost(hostObject, IID_IGraphicsHostWinGdi, gdiHost);
}

std::int32_t MpGuiWindowsGfxBase::measure(MpSize proposed, MpSize* desired) {
    if (desired == nullptr) return ResultFail;
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("measure", [&] { return onMeasure(proposed, *desired); });
}

std::int32_t MpGuiWindowsGfxBase::arrange(const MpRect* rect) {
    if (rect == nullptr) return ResultFail;
    const ObjectLifetime::Hold hold(lifetime, self());
    return atBoundary("arrange", [&] { return onArrange(*rect); });
}

std::int32_t MpGuiWindowsGfxBase::onMeasure(MpSize proposed, MpSize& desired) {
    desired = clampToGfxSizeLimits(proposed);
    return ResultOk;
}

std::int32_t MpGuiWindowsGfxBase::onArrange(const MpRect& rect) {
    placementRect = rect;
    return ResultOk;
}

std::int32_t MpGuiWindowsGfxBase::openWindow(void* parentWindow, void** newWindow) {
    if (newWindow == nullptr) return ResultFail;
    // The window's first messages reach the handlers, which may call the host.
    const ObjectLifetime::Hold hold(lifetime, self());
    *newWindow = nullptr;
    // One window per object: a second open replaces the first rather than
    // leaving it behind with a back pointer and a raised count, also when
    // the close hook kept it.
    if (window != nullptr) {
        closeThroughHook();
        destroyWindowUnheard();
        unregisterClassIfLast();
    }

    HWND created = nullptr;
    try {
        if (openWindowCount++ == 0) registerWindowClass();
        const MpRect placement = placementRect;
        DWORD style = 0;
        DWORD extendedStyle = 0;
        getWindowStyle(&style, &extendedStyle);
        // Messages sent during creation find no back pointer yet and go to DefWindowProcW.
        created = CreateWindowExW(extendedStyle, windowClass(), nullptr, style, placement.left, placement.top,
                                  extentBetween(placement.left, placement.right),
                                  extentBetween(placement.top, placement.bottom), static_cast<HWND>(parentWindow),
                                  nullptr, libraryHandle(), nullptr);
    } catch (...) {
        // A derived class's hook threw: the host sees a failed creation, not
        // an exception.
        reportCaughtException("openWindow");
    }
    if (created == nullptr) {
        // Nothing was opened, so nothing will be closed: give the count back.
        --openWindowCount;
        closedSinceUnregister = true;
        unregisterClassIfLast();
        return ResultOk;
    }
    window = created;
    SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    try {
        onOpenWindow();
    } catch (...) {
        // As a failed creation: the window goes again.
        destroyWindowUnheard();
        unregisterClassIfLast();
        return ResultOk;
    }
    // The hook may have closed the window itself.
    *newWindow = window;
    return ResultOk;
}

std::int32_t MpGuiWindowsGfxBase::closeWindow() {
    const ObjectLifetime::Hold hold(lifetime, self());
    closeThroughHook();
    // Also after a window destroyed by other means: the class could not be
    // unregistered while that window still existed.
    unregisterClassIfLast();
    return ResultOk;
}

void MpGuiWindowsGfxBase::closeThroughHook() {
    try {
        onCloseWindow();
    } catch (...) {
        // A derived class's hook threw; the host's call must not unwind.
    }
}

void MpGuiWindowsGfxBase::onOpenWindow() {}

void MpGuiWindowsGfxBase::onCloseWindow() {
    if (window == nullptr) return;
    HWND closing = window;
    DestroyWindow(closing);  // its last message, WM_NCDESTROY, forgets it
    if (window == closing) forgetWindow(closing);
}

MpGuiWindowsGfxBase::~MpGuiWindowsGfxBase() {
    destroyWindowUnheard();
    unregisterClassIfLast();
}

void MpGuiWindowsGfxBase::destroyWindowUnheard() {
    if (window == nullptr) return;
    // Forget first, so the destruction's messages find no back pointer.
    HWND closing = window;
    forgetWindow(closing);
    DestroyWindow(closing);
}

void MpGuiWindowsGfxBase::forgetWindow(HWND gone) {
    SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
    window = nullptr;
    --openWindowCount;
    closedSinceUnregister = true;
}

void MpGuiWindowsGfxBase::unregisterClassIfLast() {
    const bool last = closedSinceUnregister && openWindowCount == 0;
    closedSinceUnregister = false;
    if (!last) return;
    try {
        unregisterWindowClass();
    } catch (...) {
        // A derived class's hook threw; the window is closed all the same and
        // the host's call must not unwind.
        reportCaughtException("unregistering the window class");
    }
}

LRESULT CALLBACK MpGuiWindowsGfxBase::windowProcedure(HWND messageWindow, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
    auto* object = reinterpret_cast<MpGuiWindowsGfxBase*>(GetWindowLongPtrW(messageWindow, GWLP_USERDATA));
    if (object == nullptr) return DefWindowProcW(messageWindow, message, wParam, lParam);
    // A handler may call the host, and the host drop its last reference.
    const ObjectLifetime::Hold hold(object->lifetime, object->self());
    LRESULT result = 0;
    try {
        result = object->onWindowMessage(messageWindow, message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through USER32.
        reportCaughtException("onWindowMessage", static_cast<std::int32_t>(message));
    }
    if (message == WM_NCDESTROY && object->window == messageWindow) object->forgetWindow(messageWindow);
    return result;
}

LRESULT MpGuiWindowsGfxBase::onWindowMessage(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto flags = static_cast<std::uint32_t>(wParam);
    switch (message) {
    case WM_DESTROY:
        if (GetParent(messageWindow) == nullptr) PostQuitMessage(0);
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC deviceContext = BeginPaint(messageWindow, &paint);
        try {
            onPaint(deviceContext);
        } catch (...) {
            EndPaint(messageWindow, &paint);
            throw;
        }
        EndPaint(messageWindow, &paint);
        return 1;
    }
    case WM_CLOSE:
        DestroyWindow(messageWindow);
        return 1;
    case WM_TIMER:
        onWindowTimer();
        return 1;
    case WM_MOUSEMOVE:
        onMouseMove(flags, pointOf(lParam));
        return 1;
    case WM_LBUTTONDOWN:
        onLButtonDown(flags, pointOf(lParam));
        return 1;
    case WM_LBUTTONUP:
        onLButtonUp(flags, pointOf(lParam));
        return 1;
    default:
        return DefWindowProcW(messageWindow, message, wParam, lParam);
    }
}

std::int32_t MpGuiWindowsGfxBase::getWindowClass(WNDCLASSEXW* windowClass) {
    if (windowClass == nullptr) return ResultFail;
    windowClass->style = CS_HREDRAW | CS_VREDRAW;
    windowClass->lpfnWndProc = windowProcedure;
    windowClass->hInstance = libraryHandle();
    constexpr WORD arrowCursor = 32512;  // IDC_ARROW, in its wide form
    windowClass->hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(arrowCursor));
    windowClass->lpszClassName = windowClassName;
    return ResultOk;
}

void MpGuiWindowsGfxBase::getWindowStyle(DWORD* style, DWORD* extendedStyle) {
    if (style != nullptr) *style = WS_CHILD | WS_VISIBLE;
    if (extendedStyle != nullptr) *extendedStyle = 0;
}

std::int32_t MpGuiWindowsGfxBase::registerWindowClass() {
    WNDCLASSEXW record{};
    record.cbSize = sizeof record;
    getWindowClass(&record);
    registeredClass = RegisterClassExW(&record);
    return ResultOk;
}

std::int32_t MpGuiWindowsGfxBase::unregisterWindowClass() {
    UnregisterClassW(windowClass(), libraryHandle());
    registeredClass = 0;
    return ResultOk;
}

LPCWSTR MpGuiWindowsGfxBase::windowClass() {
    return registeredClass != 0 ? MAKEINTRESOURCEW(registeredClass) : windowClassName;
}

std::int32_t MpGuiWindowsGfxBase::onPaint(HDC) { return 0; }
std::int32_t MpGuiWindowsGfxBase::onLButtonDown(std::uint32_t, POINT) { return 0; }
std::int32_t MpGuiWindowsGfxBase::onLButtonUp(std::uint32_t, POINT) { return 0; }
std::int32_t MpGuiWindowsGfxBase::onMouseMove(std::uint32_t, POINT) { return 0; }
std::int32_t MpGuiWindowsGfxBase::onWindowTimer() { return 0; }

void MpGuiWindowsGfxBase::invalidateRect(const RECT* rect, bool erase) {
    if (window != nullptr) InvalidateRect(window, rect, erase ? TRUE : FALSE);
}

bool MpGuiWindowsGfxBase::getCapture() const { return window != nullptr && GetCapture() == window; }

void MpGuiWindowsGfxBase::setCapture() { SetCapture(window); }

void MpGuiWindowsGfxBase::releaseCapture() { ReleaseCapture(); }

HINSTANCE MpGuiWindowsGfxBase::libraryHandle() {
    HMODULE module = nullptr;
    // Any address inside this module names it; the count of the module is not raised.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&MpGuiWindowsGfxBase::windowProcedure), &module)) {
        return nullptr;
    }
    return module;
}
