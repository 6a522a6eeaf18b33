#include "tools/hosting/HostWindow.h"

#include <cstdint>
#include <string>

#include "tools/common/HostError.h"
#include "tools/common/SystemError.h"

namespace {

constexpr const wchar_t* frameClassName = L"CorvaneHostFrame";
constexpr DWORD frameStyle = (WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX)) | WS_CLIPCHILDREN;

void registerFrameClass(WNDPROC procedure) {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = procedure;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = frameClassName;
    RegisterClassExW(&frameClass);  // fails harmlessly when a second frame registers again
}

}  // namespace

HostWindow::HostWindow(const wchar_t* title, MpSize clientSize, bool onScreen) {
    registerFrameClass(frameProcedure);
    const DWORD extendedStyle = onScreen ? 0 : WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    RECT outer{0, 0, clientSize.width, clientSize.height};
    AdjustWindowRectEx(&outer, frameStyle, FALSE, extendedStyle);
    // Off screen, far beyond any monitor's left and top, and still shown:
    // a hidden window is never painted.
    const int x = onScreen ? CW_USEDEFAULT : -20000;
    const int y = onScreen ? CW_USEDEFAULT : -20000;
    // Under Wine the first windows of a new process are now and then refused
    // (ERROR_INVALID_WINDOW_HANDLE, 1400) while its desktop is still being
    // set up; a later try is granted.
    constexpr int attempts = 5;
    DWORD error = 0;
    for (int attempt = 0; attempt < attempts && frame == nullptr; ++attempt) {
        if (attempt > 0) Sleep(50u << attempt);
        frame = CreateWindowExW(extendedStyle, frameClassName, title, frameStyle, x, y, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (frame == nullptr) error = GetLastError();
    }
    if (frame == nullptr) {
        // Not the plug-in's doing: no window of any kind can be made here
        // (Wine without an X server, a session without a desktop).
        const std::string words = systemErrorWords(error);
        const bool noDisplayVariable = GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0 &&
                                       GetEnvironmentVariableW(L"WAYLAND_DISPLAY", nullptr, 0) == 0;
        const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
        throw HostError(ExitCode::NoDisplay,
                        "no display to make windows on: the harness cannot make its own host window (error " +
                            std::to_string(error) + (words.empty() ? "" : ": " + words) + ")" +
                            (underWine && noDisplayVariable ? ", and DISPLAY is not set" : "") +
                            ". Run it under xvfb-run -a, or in a desktop session; the checks that need no window "
                            "run without one (--exclude the window checks)");
    }
    ShowWindow(frame, onScreen ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
    UpdateWindow(frame);
}

HostWindow::~HostWindow() {
    if (IsWindow(frame)) DestroyWindow(frame);
}

LRESULT CALLBACK HostWindow::frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Closing the frame ends runUntilClosed's loop; DefWindowProcW destroys it.
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void HostWindow::paintNow() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

RgbImage HostWindow::capture(MpSize size) const {
    RgbImage image;
    image.width = size.width;
    image.height = size.height;
    const std::size_t count = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    image.rgb.resize(count * 3);
    HDC screen = GetDC(frame);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.width;
    format.bmiHeader.biHeight = -size.height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory != nullptr && bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, size.width, size.height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (copied) {
        // The section holds blue, green, red and an unused byte per pixel.
        const auto* pixels = static_cast<const std::uint8_t*>(bits);
        for (std::size_t i = 0; i < count; ++i) {
            image.rgb[i * 3] = pixels[i * 4 + 2];
            image.rgb[i * 3 + 1] = pixels[i * 4 + 1];
            image.rgb[i * 3 + 2] = pixels[i * 4];
        }
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(frame, screen);
    if (!copied) throw HostError(ExitCode::NoScreenshot, "cannot copy the host window's pixels");
    return image;
}

void HostWindow::runUntilClosed() {
    MSG message;
    while (IsWindow(frame) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND HostWindow::mouseTarget(POINT point) const {
    HWND target = GetCapture();
    if (target != nullptr) return target;
    RECT client{};
    GetClientRect(frame, &client);
    if (!PtInRect(&client, point)) return nullptr;  // over another program's window
    target = frame;
    // The innermost visible child under the point.
    for (;;) {
        POINT inTarget = point;
        MapWindowPoints(frame, target, &inTarget, 1);
        const HWND child = ChildWindowFromPointEx(target, inTarget, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (child == nullptr || child == target) return target;
        target = child;
    }
}

HWND HostWindow::mouse(POINT point, MouseButton button) {
    const auto send = [&](UINT message, WPARAM keys) -> HWND {
        const HWND target = mouseTarget(point);
        if (target == nullptr) return nullptr;
        POINT local = point;
        MapWindowPoints(frame, target, &local, 1);
        const LPARAM where = static_cast<LPARAM>(static_cast<std::uint16_t>(local.x)) |
                             static_cast<LPARAM>(static_cast<std::uint16_t>(local.y)) << 16;
        PostMessageW(target, message, keys, where);
        MSG waiting;
        while (PeekMessageW(&waiting, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&waiting);
            DispatchMessageW(&waiting);
        }
        return target;
    };
    HWND last = nullptr;
    if (button == MouseButton::None || point.x != lastMouse.x || point.y != lastMouse.y)
        last = send(WM_MOUSEMOVE, buttonDown ? MK_LBUTTON : 0);
    lastMouse = point;
    if (button == MouseButton::Down) {
        buttonDown = true;
        last = send(WM_LBUTTONDOWN, MK_LBUTTON);
    } else if (button == MouseButton::Up) {
        buttonDown = false;
        last = send(WM_LBUTTONUP, 0);
    }
    return last;
}
