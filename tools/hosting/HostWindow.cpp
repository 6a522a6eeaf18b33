#include "tools/hosting/HostWindow.h"

#include <cstdint>
#include <string>

#include "tools/common/HostError.h"

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

HostWindow::HostWindow(const wchar_t* title, MpSize clientSize) {
    registerFrameClass(frameProcedure);
    RECT outer{0, 0, clientSize.width, clientSize.height};
    AdjustWindowRectEx(&outer, frameStyle, FALSE, 0);
    frame = CreateWindowExW(0, frameClassName, title, frameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (frame == nullptr)
        throw HostError(ExitCode::NoScreenshot, "cannot make the host window (error " + std::to_string(GetLastError()) + ")");
    ShowWindow(frame, SW_SHOWNORMAL);
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
