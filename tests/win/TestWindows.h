// Real windows for the GDI graphics tests: a visible parent window inside a
// top-level frame, and helpers that pump the thread's messages and read a
// child window's placement and the registration of a window class.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

/// Registers a test window class that leaves every message to DefWindowProcW.
inline const wchar_t* plainWindowClass() {
    static const wchar_t* const name = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CorvaneTestWindow";
        RegisterClassExW(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

/// The test program's one visible top-level window, made on first use and
/// left to the end of the process: under Wine without a window manager,
/// destroying a visible top-level window waits two seconds for the X server.
inline HWND testFrame() {
    static const HWND frame = CreateWindowExW(0, plainWindowClass(), L"Corvane test host",
                                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                              GetModuleHandleW(nullptr), nullptr);
    return frame;
}

/// A host's window for the object's child window: a visible child of the test
/// frame, as a host's editor panel would be. Destroyed with the test unless
/// the test destroyed it.
class ParentWindow {
public:
    ParentWindow()
        : handle(CreateWindowExW(0, plainWindowClass(), nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400,
                                 300, testFrame(), nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    ~ParentWindow() {
        if (IsWindow(handle)) DestroyWindow(handle);
    }

    const HWND handle;
};

/// Dispatches every message waiting in this thread's queue, as a host's
/// message loop would between two calls into the object.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

/// A child window's rectangle in its parent's client coordinates.
inline RECT placementInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

/// True while a window class of that name is registered for that module.
inline bool classRegistered(HINSTANCE module, const wchar_t* name) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    return GetClassInfoExW(module, name, &info) != FALSE;
}
