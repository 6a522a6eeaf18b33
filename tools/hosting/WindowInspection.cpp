#ifdef _WIN32
#include "tools/hosting/WindowInspection.h"

#include <cstdio>

std::vector<HWND> childWindowsOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::vector<HWND> threadTopLevelWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

MpRect placementInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.top, rect.bottom, rect.left, rect.right};
}

std::string describePlacement(const MpRect& rect) {
    return "left " + std::to_string(rect.left) + ", top " + std::to_string(rect.top) + ", " +
           std::to_string(static_cast<long long>(rect.right) - rect.left) + "x" +
           std::to_string(static_cast<long long>(rect.bottom) - rect.top);
}

GuiResourceCount guiResourceCount() {
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

HMODULE moduleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    return module;
}

bool classRegistered(HMODULE module, const std::wstring& name) {
    WNDCLASSEXW record{};
    record.cbSize = sizeof record;
    return GetClassInfoExW(module, name.c_str(), &record) != FALSE;
}

std::wstring classNameOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HMODULE classModuleOf(HWND window) { return reinterpret_cast<HMODULE>(GetClassLongPtrW(window, GCLP_HMODULE)); }

void deliverWaitingMessages(bool paints) {
    MSG message;
    const auto deliver = [&message](UINT first, UINT last) {
        bool any = false;
        while (PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
            any = true;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return any;
    };
    // A delivered message may queue others: go on until the queue is quiet.
    for (int round = 0; round < 100; ++round) {
        const bool any = paints ? deliver(0, 0) : deliver(0, WM_PAINT - 1) | deliver(WM_PAINT + 1, 0xFFFFFFFF);
        if (!any) break;
    }
}

std::string handleText(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}
#endif
