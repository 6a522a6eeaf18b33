#include "tools/validate/GdiWindowChecks.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "tools/hosting/GdiObjectCount.h"
#include "tools/hosting/HostWindow.h"
#include "tools/hosting/WindowInspection.h"
#include "tools/validate/CheckSupport.h"

namespace {

constexpr MpSize frameSize{480, 360};
constexpr MpSize proposedSize{240, 120};
constexpr int rounds = 50;
// Objects a process may gain over many rounds without leaking: caches the
// system fills on first use (fonts, brushes, cursors) and the class's own
// records. Under Wine 8 GetGuiResources answers 0 for both kinds.
constexpr DWORD gdiSlack = 8;
constexpr DWORD userSlack = 4;
// Objects the plug-in itself may make once and keep (a font made on a later
// paint than the first); a leak in paint grows by one or more per round.
constexpr int pluginGdiSlack = 2;

/// A GDI object attached to a recording host, and the frame window it opens
/// its window in. The object is released at the end; the frame is left to
/// the process's end, which follows the check: under Wine, destroying or
/// hiding a shown top-level window waits about 2 s for the X server.
class GdiUnderTest {
public:
    GdiUnderTest(HostedPlugin& plugin, CheckReport& report)
        : frame(*new HostWindow(L"corvane-host validate", frameSize)) {
        plugin.open();
        report.step("creating the object attached to the host");
        std::int32_t attached = 0;
        object = plugin.createAttached(host, attached);
        report.expect(attached == gmpi::ResultOk, "attaching the host answered " + result(attached));
        report.expect(object.gdi() != nullptr, "the object does not answer IMpGraphicsWinGdi");
        library = moduleAt(reinterpret_cast<const void*>(plugin.library().entry()));
    }

    bool ready() const { return object.gdi() != nullptr; }
    IMpGraphicsWinGdi* gdi() const { return object.gdi(); }
    HWND parent() const { return frame.handle(); }

    /// The rectangle the checks arrange the window at: the size measure
    /// answers for 240x120 (kept inside the frame), at left 20, top 10.
    MpRect placement(CheckReport& report) {
        report.step("measure(240x120)");
        MpSize size = proposedSize;
        MpSize desired{0, 0};
        if (gdi()->measure(proposedSize, &desired) == gmpi::ResultOk && desired.width > 0 && desired.height > 0)
            size = {std::min(desired.width, frameSize.width - 40), std::min(desired.height, frameSize.height - 20)};
        return {10, 10 + size.height, 20, 20 + size.width};
    }

    /// arrange, then openWindow in the frame; the window's handle, or null
    /// with the reason reported.
    HWND open(const MpRect& rect, CheckReport& report, const std::string& when = "") {
        report.step("arrange(" + describePlacement(rect) + ") and openWindow" + when);
        const std::int32_t arranged = gdi()->arrange(&rect);
        report.expect(arranged == gmpi::ResultOk, "arrange(" + describePlacement(rect) + ") answered " + result(arranged));
        void* window = untouched;
        const std::int32_t opened = gdi()->openWindow(frame.handle(), &window);
        report.expect(opened == gmpi::ResultOk, "openWindow answered " + result(opened) + " after arrange(" + describePlacement(rect) + ")");
        report.expect(window != nullptr && window != untouched,
                      "openWindow gave no window handle after arrange(" + describePlacement(rect) + ")");
        if (window == untouched) return nullptr;
        return static_cast<HWND>(window);
    }

    /// The object's release, with the count it answered.
    std::int32_t release() { return object.release(); }

    HostObject host{nullptr};
    HMODULE library = nullptr;  // the plug-in's module, which registers its window class

private:
    HostWindow& frame;
    GuiObject object;
};

std::string point(int x, int y) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d)", x, y);
    return text;
}

LPARAM pointParameter(int x, int y) {
    // Client coordinates travel as signed 16-bit values: negative outside
    // the window, where a captured mouse still reports.
    return static_cast<LPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(x))) |
           static_cast<LPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(y))) << 16;
}

struct MouseStep {
    UINT message;
    int x;
    int y;
};

const char* messageName(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
        case WM_LBUTTONUP: return "WM_LBUTTONUP";
        default: return "WM_MOUSEMOVE";
    }
}

/// Queues a gesture's messages one by one, as the system queues mouse
/// input, delivering each before the next; answers the steps as text.
std::string playGesture(HWND window, const std::vector<MouseStep>& gesture, CheckReport& report) {
    std::string steps;
    bool pressed = false;
    for (const MouseStep& step : gesture) {
        pressed = step.message == WM_LBUTTONDOWN || (pressed && step.message != WM_LBUTTONUP);
        const WPARAM keys = pressed ? MK_LBUTTON : 0;
        steps += (steps.empty() ? "" : ", ") + std::string(messageName(step.message)) +
                 (step.message == WM_MOUSEMOVE ? " to " : " at ") + point(step.x, step.y);
        report.step(steps);
        PostMessageW(window, step.message, keys, pointParameter(step.x, step.y));
        deliverWaitingMessages(false);
    }
    return steps;
}

/// Ends a check: a window the object left standing may still point at the
/// object, so then the object is not let go; the process's end takes both.
void finish(std::unique_ptr<GdiUnderTest>& under, HWND window) {
    if (window != nullptr && IsWindow(window)) static_cast<void>(under.release());
}

}  // namespace

void gdiWindowOpen(HostedPlugin& plugin, CheckReport& report) {
    GdiUnderTest under(plugin, report);
    if (!under.ready()) return;
    const std::vector<HWND> topLevelBefore = threadTopLevelWindows();
    const MpRect rect = under.placement(report);
    HWND window = under.open(rect, report);
    deliverWaitingMessages(false);
    if (window == nullptr) return;
    const std::string after = "after arrange(" + describePlacement(rect) + ") and openWindow";
    report.expect(IsWindow(window) != FALSE, "the handle openWindow gave, " + handleText(window) + ", is no window " + after);
    const std::vector<HWND> children = childWindowsOf(under.parent());
    report.expect(children.size() == 1, "the parent window holds " + std::to_string(children.size()) + " child windows " + after +
                                           " (want exactly one)");
    report.expect(std::find(children.begin(), children.end(), window) != children.end(),
                  "the window openWindow gave, " + handleText(window) + ", is not a child of the parent window " +
                      handleText(under.parent()) + " " + after);
    report.expect(IsWindowVisible(window) != FALSE, "the window " + handleText(window) + " is not visible " + after);
    if (IsWindow(window) && GetParent(window) == under.parent()) {
        const MpRect placed = placementInParent(window);
        report.expect(placed.left == rect.left && placed.top == rect.top && placed.right == rect.right && placed.bottom == rect.bottom,
                      "the window lies at " + describePlacement(placed) + " in its parent " + after + " (want the arranged " +
                          describePlacement(rect) + ")");
    }
    const std::size_t topLevelAfter = threadTopLevelWindows().size();
    report.expect(topLevelAfter == topLevelBefore.size(),
                  "openWindow made " + std::to_string(topLevelAfter - topLevelBefore.size()) + " top-level window(s) besides its child");
    under.gdi()->closeWindow();
}

void gdiWindowPaint(HostedPlugin& plugin, CheckReport& report) {
    GdiUnderTest under(plugin, report);
    if (!under.ready()) return;
    HWND window = under.open(under.placement(report), report);
    if (window == nullptr || !IsWindow(window)) return;
    // The paints a host's window gets: queued after opening, forced at once
    // through the frame, and one asked of the window alone.
    report.step("the paint queued after openWindow");
    deliverWaitingMessages(true);
    report.step("RedrawWindow of the parent and its children (RDW_UPDATENOW)");
    RedrawWindow(under.parent(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    report.step("InvalidateRect and UpdateWindow of the object's window");
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    report.step("a WM_PAINT of the object's window from the message queue");
    InvalidateRect(window, nullptr, FALSE);
    deliverWaitingMessages(true);
    report.expect(IsWindow(window) != FALSE, "the window " + handleText(window) + " is gone after it was painted");
    // A paint that leaves its area invalid is asked for again without end:
    // the host's message loop would never be idle.
    report.expect(IsWindow(window) == FALSE || GetUpdateRect(window, nullptr, FALSE) == FALSE,
                  "after RedrawWindow and UpdateWindow the window still has an area to paint: its WM_PAINT does not "
                  "validate it (BeginPaint and EndPaint)");
    under.gdi()->closeWindow();
}

void gdiWindowMouse(HostedPlugin& plugin, CheckReport& report) {
    GdiUnderTest under(plugin, report);
    if (!under.ready()) return;
    const MpRect rect = under.placement(report);
    HWND window = under.open(rect, report);
    if (window == nullptr || !IsWindow(window)) return;
    deliverWaitingMessages(false);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int middle = height / 2;
    const std::vector<std::vector<MouseStep>> gestures{
        // A press, a drag and a release inside the window.
        {{WM_MOUSEMOVE, width / 4, middle},
         {WM_LBUTTONDOWN, width / 4, middle},
         {WM_MOUSEMOVE, width / 2, middle},
         {WM_MOUSEMOVE, width * 3 / 4, middle},
         {WM_LBUTTONUP, width * 3 / 4, middle}},
        // A press inside, then the mouse leaves while captured and is let go outside.
        {{WM_LBUTTONDOWN, 5, 5}, {WM_MOUSEMOVE, -20, 5}, {WM_LBUTTONUP, -20, 5}},
        // The same past the other corner.
        {{WM_LBUTTONDOWN, width - 2, height - 2}, {WM_MOUSEMOVE, width + 30, height + 30}, {WM_LBUTTONUP, width + 30, height + 30}},
    };
    for (const std::vector<MouseStep>& gesture : gestures) {
        const std::string steps = playGesture(window, gesture, report);
        const HWND captured = GetCapture();
        report.expect(captured == nullptr, "after " + steps + " the window " + handleText(captured) +
                                               (captured == window ? " (the object's)" : "") + " still holds the mouse capture");
        report.expect(IsWindow(window) != FALSE, "the window " + handleText(window) + " is gone after " + steps);
        if (captured != nullptr) ReleaseCapture();
        if (!IsWindow(window)) return;
    }
    under.gdi()->closeWindow();
}

void gdiWindowClose(HostedPlugin& plugin, CheckReport& report) {
    auto under = std::make_unique<GdiUnderTest>(plugin, report);
    if (!under->ready()) return;
    report.step("closeWindow before any openWindow");
    std::int32_t closed = under->gdi()->closeWindow();
    report.expect(closed == gmpi::ResultOk, "closeWindow before any openWindow answered " + result(closed));
    HWND window = under->open(under->placement(report), report);
    deliverWaitingMessages(false);
    if (window == nullptr) return;
    report.step("closeWindow");
    closed = under->gdi()->closeWindow();
    report.expect(closed == gmpi::ResultOk, "closeWindow answered " + result(closed));
    deliverWaitingMessages(false);
    report.expect(IsWindow(window) == FALSE, "after closeWindow the window " + handleText(window) + " still exists" +
                                                 (IsWindowVisible(window) ? "" : ", hidden") + " (want it destroyed)");
    report.expect(childWindowsOf(under->parent()).empty(), "after closeWindow the parent window still holds " +
                                                               std::to_string(childWindowsOf(under->parent()).size()) +
                                                               " child window(s)");
    report.step("a second closeWindow");
    closed = under->gdi()->closeWindow();
    report.expect(closed == gmpi::ResultOk, "a second closeWindow answered " + result(closed));
    deliverWaitingMessages(false);
    finish(under, window);
}

void gdiWindowRounds(HostedPlugin& plugin, CheckReport& report) {
    auto under = std::make_unique<GdiUnderTest>(plugin, report);
    if (!under->ready()) return;
    const MpRect rect = under->placement(report);
    const std::size_t topLevelBefore = threadTopLevelWindows().size();
    std::wstring className;
    HMODULE classModule = nullptr;
    HWND leftOpen = nullptr;
    const auto round = [&](int number) {
        const std::string when = " in round " + std::to_string(number);
        HWND window = under->open(rect, report, when);
        report.step("the paint after openWindow" + when);
        if (window != nullptr && IsWindow(window)) {
            className = classNameOf(window);
            classModule = classModuleOf(window);
            UpdateWindow(window);
        }
        deliverWaitingMessages(true);
        report.step("closeWindow" + when);
        under->gdi()->closeWindow();
        deliverWaitingMessages(true);
        if (window != nullptr && IsWindow(window) && leftOpen == nullptr) {
            leftOpen = window;
            report.expect(false, "in round " + std::to_string(number) + " the window " + handleText(window) +
                                     " still exists after closeWindow");
        }
    };
    // The plug-in's own GDI objects are counted at its calls to GDI32, which
    // works where GetGuiResources does not (Wine).
    std::string notCounted;
    const bool counting = gdiObjectCount::watch(under->library, notCounted);
    // A first round lets the system fill the caches it fills on first use.
    round(0);
    const GuiResourceCount before = guiResourceCount();
    const gdiObjectCount::Counts madeBefore = gdiObjectCount::living();
    for (int number = 1; number <= rounds && report.passed(); ++number) round(number);
    const GuiResourceCount after = guiResourceCount();
    const gdiObjectCount::Counts madeAfter = gdiObjectCount::living();
    const std::string afterRounds = "after " + std::to_string(rounds) + " rounds of arrange, openWindow, a paint and closeWindow";
    if (counting) {
        int grown = 0;
        const std::string grew = gdiObjectCount::growth(madeBefore, madeAfter, grown);
        report.expect(grown <= pluginGdiSlack, afterRounds + " the plug-in holds " + std::to_string(grown) +
                                                   " more GDI objects that it made and never deleted than after the first round: " + grew);
    } else {
        report.note("not measured: the GDI objects the plug-in makes and deletes (" + notCounted + ")");
    }
    report.expect(childWindowsOf(under->parent()).empty(), afterRounds + " the parent window still holds " +
                                                               std::to_string(childWindowsOf(under->parent()).size()) +
                                                               " child window(s)");
    report.expect(threadTopLevelWindows().size() == topLevelBefore,
                  afterRounds + " the thread has " + std::to_string(threadTopLevelWindows().size()) + " top-level windows (" +
                      std::to_string(topLevelBefore) + " before)");
    // A process with a window holds GDI objects: a count of 0 is a system
    // that does not count them (Wine), not a clean process.
    const auto processCount = [&](const char* kind, DWORD countBefore, DWORD countAfter, DWORD slack, const std::string& unmeasured) {
        if (countBefore == 0 && countAfter == 0) {
            report.note("not measured: the process's " + std::string(kind) + " objects (GetGuiResources answers 0 here, as under Wine); " +
                        unmeasured);
            return;
        }
        report.expect(countAfter <= countBefore + slack, afterRounds + " the process holds " + std::to_string(countAfter) + " " + kind +
                                                             " objects (" + std::to_string(countBefore) + " after the first round)");
    };
    processCount("GDI", before.gdi, after.gdi, gdiSlack, "those the plug-in made through its own calls to GDI32 are counted apart");
    processCount("USER", before.user, after.user, userSlack,
                 "of these, windows and window classes left behind are checked, cursors, icons and menus not");
    // The class of the library's windows goes with its last window, so that
    // the library can be unloaded and loaded again.
    std::vector<std::wstring> classes{L"DefaultMpWClass"};
    if (!className.empty() && classModule == under->library && className != classes.front()) classes.push_back(className);
    for (const std::wstring& name : classes)
        report.expect(!classRegistered(under->library, name),
                      afterRounds + " the library's window class \"" + std::string(name.begin(), name.end()) + "\" is still registered");
    finish(under, leftOpen);
}

void gdiReleaseWithWindowOpen(HostedPlugin& plugin, CheckReport& report) {
    auto under = std::make_unique<GdiUnderTest>(plugin, report);
    if (!under->ready()) return;
    HWND window = under->open(under->placement(report), report);
    deliverWaitingMessages(false);
    if (window == nullptr || !IsWindow(window)) return;
    report.step("the last release with the window open");
    const std::int32_t last = under->release();
    report.expect(last == 0, "the last release, with the window open, answered " + result(last) + " (want 0)");
    report.expect(IsWindow(window) == FALSE, "after the last release with its window open, the window " + handleText(window) +
                                                 " still exists: its messages would reach a released object");
    if (IsWindow(window)) {
        finish(under, window);
        return;
    }
    // What the host's frame does next must not reach the released object.
    report.step("a repaint of the parent and a mouse move in it after the last release");
    RedrawWindow(under->parent(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PostMessageW(under->parent(), WM_MOUSEMOVE, 0, pointParameter(30, 20));
    deliverWaitingMessages(true);
    report.expect(childWindowsOf(under->parent()).empty(), "after the last release the parent window still holds " +
                                                               std::to_string(childWindowsOf(under->parent()).size()) + " child window(s)");
}

#else

namespace {

void noWindows(CheckReport& report) {
    report.skip("cannot run here: the class's objects have a GDI window of their own (IMpGraphicsWinGdi), and this build "
                "of corvane-host has no windows; run the Windows build (under Wine where there is no Windows)");
}

}  // namespace

void gdiWindowOpen(HostedPlugin&, CheckReport& report) { noWindows(report); }
void gdiWindowPaint(HostedPlugin&, CheckReport& report) { noWindows(report); }
void gdiWindowMouse(HostedPlugin&, CheckReport& report) { noWindows(report); }
void gdiWindowClose(HostedPlugin&, CheckReport& report) { noWindows(report); }
void gdiWindowRounds(HostedPlugin&, CheckReport& report) { noWindows(report); }
void gdiReleaseWithWindowOpen(HostedPlugin&, CheckReport& report) { noWindows(report); }

#endif
