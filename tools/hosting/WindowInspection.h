// Looking at windows from the host's side, as the validator's window checks
// do (Windows only): a parent's child windows, the thread's top-level
// windows, a child's place in its parent, the process's GDI and USER object
// counts, a library's window class, and delivering queued messages with or
// without the paints among them. All on the thread that owns the windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "interfaces/GraphicsTypes.h"

/// The direct child windows of `parent`, in Z order.
std::vector<HWND> childWindowsOf(HWND parent);
/// The top-level windows this thread owns.
std::vector<HWND> threadTopLevelWindows();
/// Where `child` lies in its parent's client area, as an arrange rectangle.
MpRect placementInParent(HWND child);
/// "left 20, top 10, 240x120" for people.
std::string describePlacement(const MpRect& rect);

/// The process's GDI and USER objects, as GetGuiResources counts them.
struct GuiResourceCount {
    DWORD gdi = 0;
    DWORD user = 0;
};
GuiResourceCount guiResourceCount();

/// The module that holds `address` (a library's code), without a reference.
HMODULE moduleAt(const void* address);
/// Whether a window class `name` of `module` is registered in the process.
bool classRegistered(HMODULE module, const std::wstring& name);
/// The class name and the module that registered the class of `window`.
std::wstring classNameOf(HWND window);
HMODULE classModuleOf(HWND window);

/// Dispatches every message waiting for this thread. Without `paints`,
/// WM_PAINT is left in the queue: checks that do not test painting keep a
/// paint fault to the check that does.
void deliverWaitingMessages(bool paints);

/// A window handle as text, "0x1a2b".
std::string handleText(HWND window);
