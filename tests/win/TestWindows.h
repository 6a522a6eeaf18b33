// Real windows for the GDI graphics tests: a visible top-level parent window
// of the test's own class, and helpers that pump the thread's messages and
// read a child window's placement and the registration of a window class.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

/// A top-level window that hosts the object's child window, as a host's
/// editor frame would. Destroyed with the fixture unless a test destroyed it.
class ParentWindow {
public:
    ParentWindow() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassExW(&windowClass);  // fails harmlessly when a previous test registered it
        handle = CreateWindowExW(0, className, L"Corvane test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    ~ParentWindow() {
        if (IsWindow(handle)) DestroyWindow(handle);
    }

    HWND handle = nullptr;

private:
    static constexpr const wchar_t* className = L"CorvaneTestParent";
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
