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

void HostWindow::deliver(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(target, message, wParam, lParam);
    MSG waiting;
    while (PeekMessageW(&waiting, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&waiting);
        DispatchMessageW(&waiting);
    }
}

WPARAM HostWindow::mouseKeys() const {
    WPARAM keys = 0;
    if (leftDown) keys |= MK_LBUTTON;
    if (rightDown) keys |= MK_RBUTTON;
    if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    return keys;
}

HWND HostWindow::mouse(POINT point, MouseButton button) {
    const auto send = [&](UINT message) -> HWND {
        const HWND target = mouseTarget(point);
        if (target == nullptr) return nullptr;
        POINT local = point;
        MapWindowPoints(frame, target, &local, 1);
        const LPARAM where = static_cast<LPARAM>(static_cast<std::uint16_t>(local.x)) |
                             static_cast<LPARAM>(static_cast<std::uint16_t>(local.y)) << 16;
        deliver(target, message, mouseKeys(), where);
        return target;
    };
    HWND last = nullptr;
    if (button == MouseButton::None || point.x != lastMouse.x || point.y != lastMouse.y) last = send(WM_MOUSEMOVE);
    lastMouse = point;
    const auto press = [&](UINT message) {
        leftDown = true;
        return send(message);
    };
    const auto release = [&] {
        leftDown = false;
        return send(WM_LBUTTONUP);
    };
    switch (button) {
        case MouseButton::None: break;
        case MouseButton::Down: last = press(WM_LBUTTONDOWN); break;
        case MouseButton::Up: last = release(); break;
        case MouseButton::RightDown:
            rightDown = true;
            last = send(WM_RBUTTONDOWN);
            break;
        case MouseButton::RightUp:
            rightDown = false;
            last = send(WM_RBUTTONUP);  // DefWindowProc makes the WM_CONTEXTMENU of it
            break;
        case MouseButton::DoubleClick: {
            const HWND first = press(WM_LBUTTONDOWN);
            release();
            // The system makes the second press a double click only for a
            // window of a class that asks for them, hit by both presses.
            const HWND second = mouseTarget(point);
            const bool wantsDouble = second != nullptr && second == first && (GetClassLongPtrW(second, GCL_STYLE) & CS_DBLCLKS) != 0;
            press(wantsDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN);
            last = release();
            break;
        }
    }
    return last;
}

HWND HostWindow::keyTarget() const {
    const HWND focus = GetFocus();
    return focus != nullptr ? focus : GetActiveWindow();
}

HWND HostWindow::wheel(POINT point, int delta) {
    HWND last = mouse(point, MouseButton::None);
    const HWND target = keyTarget();
    if (target == nullptr) return last;
    POINT screen = point;
    ClientToScreen(frame, &screen);
    const WPARAM turn = mouseKeys() | static_cast<WPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta))) << 16;
    const LPARAM where = static_cast<LPARAM>(static_cast<std::uint16_t>(screen.x)) |
                         static_cast<LPARAM>(static_cast<std::uint16_t>(screen.y)) << 16;
    deliver(target, WM_MOUSEWHEEL, turn, where);
    return target;
}

HWND HostWindow::key(int virtualKey, bool down) {
    const HWND focus = GetFocus();
    const HWND target = keyTarget();
    BYTE state[256] = {};
    GetKeyboardState(state);
    const bool wasDown = (state[virtualKey & 0xFF] & 0x80) != 0;
    state[virtualKey & 0xFF] = down ? static_cast<BYTE>(state[virtualKey & 0xFF] | 0x80) : static_cast<BYTE>(state[virtualKey & 0xFF] & ~0x80);
    SetKeyboardState(state);
    if (target == nullptr) return nullptr;
    // The keys of the navigation block come as extended keys.
    const bool extended = (virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN) || virtualKey == VK_INSERT || virtualKey == VK_DELETE;
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    LPARAM flags = 1 | static_cast<LPARAM>(scan & 0xFF) << 16 | static_cast<LPARAM>(extended) << 24;
    if (down) flags |= static_cast<LPARAM>(wasDown) << 30;
    else flags |= static_cast<LPARAM>(1) << 30 | static_cast<LPARAM>(1) << 31;
    const UINT message = focus != nullptr ? (down ? WM_KEYDOWN : WM_KEYUP) : (down ? WM_SYSKEYDOWN : WM_SYSKEYUP);
    deliver(target, message, static_cast<WPARAM>(virtualKey), flags);
    return target;
}
