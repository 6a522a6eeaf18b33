// Counts the GDI objects a plug-in library makes and deletes, by kind, on
// Windows and under Wine alike: the library's import address table entries
// for GDI32's creation functions (CreatePen, CreateSolidBrush, CreateFont*,
// CreateCompatibleDC, CreateCompatibleBitmap, CreateRectRgn, ...) and for
// DeleteObject and DeleteDC are pointed at counting stand-ins that call the
// real ones. GetGuiResources counts a whole process and answers 0 under Wine;
// this counts exactly what the plug-in's own code asked for. What it cannot
// see: objects the system makes on the plug-in's behalf inside other calls,
// and calls the plug-in makes through GetProcAddress.
//
// The stand-ins are plain functions in an import table, so what they count
// is kept for the process: the validator's window checks run one plug-in per
// child process. Windows only; used by the window-rounds check.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <map>
#include <string>

namespace gdiObjectCount {

/// Starts counting the calls `module` makes. False, with `why`, when its
/// imports cannot be read; true also for a library that imports none of
/// these functions (it then makes no GDI object itself).
bool watch(HMODULE module, std::string& why);

/// The objects the watched library made and has not deleted: for each kind
/// ("pen", "brush", "font", "device context", "bitmap", "region",
/// "palette"), how many each function made.
using Counts = std::map<std::string, std::map<std::string, int>>;
Counts living();

/// "50 pens (CreatePen), 50 brushes (CreateSolidBrush)": the growth from
/// `before` to `after`, kind by kind, with the functions that made them;
/// empty when none grew. `total` is the number of objects grown.
std::string growth(const Counts& before, const Counts& after, int& total);

}  // namespace gdiObjectCount

#endif
