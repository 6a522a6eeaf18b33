#include "tools/session/WindowSteps.h"

#include <algorithm>

#include "tools/common/HostError.h"
#include "tools/common/HostText.h"
#include "tools/hosting/MessagePump.h"

#ifdef _WIN32
#include "tools/common/PngWriter.h"
#include "tools/hosting/HostWindow.h"
#endif

namespace {

std::string sizeText(MpSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

std::string rectText(const MpRect& rect) {
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) + " " +
           std::to_string(rect.bottom - rect.top);
}

std::string callJson(const std::string& call, std::int32_t result) {
    return "\"event\":\"call\",\"call\":\"" + call + "\",\"result\":" + std::to_string(result);
}

}  // namespace

std::optional<ScriptError> windowLinesProblem(const SessionScript& script, const ObjectProfile& profile) {
    for (const ScriptEvent& event : script.events) {
        if (!isWindowEvent(event) || profile.winGdi) continue;
        const std::string keyword = describeEvent(event).substr(0, describeEvent(event).find(' '));
        if (event.kind == ScriptEvent::Kind::Arrange && profile.composited) continue;
        const std::string wanted = event.kind == ScriptEvent::Kind::Arrange
                                       ? "an object that draws (IMpGraphicsWinGdi or IZuGraphicsComposited)"
                                       : "an object with a window of its own (IMpGraphicsWinGdi)";
        return ScriptError{event.line, keyword + " needs " + wanted + "; this class makes " + profile.describe() +
                                           (profile.composited ? ", which takes arrange only" : "")};
    }
    return std::nullopt;
}

const ScriptEvent* lineNeedingWindows(const SessionScript& script, const ObjectProfile& profile) {
#ifdef _WIN32
    (void)script;
    (void)profile;
#else
    for (const ScriptEvent& event : script.events)
        if (isWindowEvent(event) && profile.winGdi && !(event.kind == ScriptEvent::Kind::Arrange && profile.composited)) return &event;
#endif
    return nullptr;
}

#ifdef _WIN32
struct WindowSteps::Frame {
    Frame(const wchar_t* title, MpSize size, bool onScreen) : window(title, size, onScreen) {}
    HostWindow window;
};
#else
struct WindowSteps::Frame {};
#endif

WindowSteps::WindowSteps(GuiObject& hosted, Transcript& out, Guard guarded)
    : object(hosted), transcript(out), guard(std::move(guarded)) {}

WindowSteps::~WindowSteps() = default;

void WindowSteps::call(const std::string& what, std::int32_t result, const std::string& after) {
    const std::string text = what + " -> " + std::to_string(result) + after;
    transcript.line("> " + text, callJson(what.substr(0, what.find(' ')), result) + ",\"said\":" +
                                     quoteUtf16(utf8ToUtf16(text).value_or(u"?")));
}

void WindowSteps::arrangeDrawing(const ScriptEvent& event) {
    IZuGraphicsComposited* const drawing = object.composited();
    if (drawing == nullptr) return;
    const MpRect rect{event.y, event.y + event.height, event.x, event.x + event.width};
    MpSize wanted{};
    const MpSize proposed{event.width, event.height};
    const std::int32_t measured = guard("measure", [&] { return drawing->measure(proposed, &wanted); });
    call("measure " + sizeText(proposed), measured, ", wants " + sizeText(wanted));
    call("arrange " + rectText(rect), guard("arrange", [&] { return drawing->arrange(&rect); }));
}

void WindowSteps::play(const ScriptEvent& event) {
    if (event.kind == ScriptEvent::Kind::Arrange) return arrange(event);
#ifndef _WIN32
    // The session player refuses such a script before it starts.
    throw HostError(ExitCode::NeedsWindows, describeEvent(event) + " needs windows");
#else
    switch (event.kind) {
        case ScriptEvent::Kind::Open:
            transcript.windowStep(event);
            open(!arranged);
            break;
        case ScriptEvent::Kind::Close:
            transcript.windowStep(event);
            close();
            break;
        case ScriptEvent::Kind::Paint: paint(event); break;
        default: mouse(event); break;
    }
#endif
}

#ifndef _WIN32

void WindowSteps::arrange(const ScriptEvent& event) {
    transcript.windowStep(event);
    arrangeDrawing(event);
}

void WindowSteps::open(bool) {}
void WindowSteps::close() {}
void WindowSteps::paint(const ScriptEvent&) {}
void WindowSteps::mouse(const ScriptEvent&) {}
void WindowSteps::showOpen(MpSize, const std::string&) {
    throw HostError(ExitCode::NeedsWindows, "show needs windows, and this corvane-host was built without them");
}
void WindowSteps::showEnd(const std::optional<std::string>&) {}
void WindowSteps::closeBeforeRelease() {}
void WindowSteps::afterRelease() {}

#else

namespace {

/// Window sides the harness offers and accepts, in pixels.
constexpr std::int32_t largestSide = 8192;
/// What the host proposes to measure when a script opens a window it never arranged.
constexpr MpSize proposedSize{320, 240};
/// run's and fuzz's frame: larger than most windows a script arranges.
constexpr MpSize sessionFrameSize{1024, 768};

/// `window` or one of the windows inside it.
bool isOrInside(HWND window, HWND candidate) {
    return candidate != nullptr && window != nullptr && (candidate == window || IsChild(window, candidate));
}

}  // namespace

void WindowSteps::arrange(const ScriptEvent& event) {
    transcript.windowStep(event);
    if (object.gdi() == nullptr) return arrangeDrawing(event);
    const MpRect rect{event.y, event.y + event.height, event.x, event.x + event.width};
    // A host moves or resizes a plug-in's window by opening it anew at the new place.
    const bool reopen = isOpen;
    if (reopen) close();
    IMpGraphicsWinGdi* const gdi = object.gdi();
    placement = rect;
    arranged = true;
    call("arrange " + rectText(rect), guard("arrange", [&] { return gdi->arrange(&rect); }));
    if (reopen) open(false);
}

void WindowSteps::open(bool measureFirst) {
    if (isOpen) close();  // one window at a time, as a host keeps it
    IMpGraphicsWinGdi* const gdi = object.gdi();
    if (!frame) frame.reset(new Frame(L"corvane-host session", sessionFrameSize, false));
    if (measureFirst) {
        MpSize wanted{};
        const std::int32_t measured = guard("measure", [&] { return gdi->measure(proposedSize, &wanted); });
        call("measure " + sizeText(proposedSize), measured, ", wants " + sizeText(wanted));
        placement = {0, std::clamp(wanted.height, 1, largestSide), 0, std::clamp(wanted.width, 1, largestSide)};
        call("arrange " + rectText(placement), guard("arrange", [&] { return gdi->arrange(&placement); }));
        arranged = true;
    }
    window = nullptr;
    const std::int32_t answer = guard("openWindow", [&] { return gdi->openWindow(frame->window.handle(), &window); });
    isOpen = true;
    call("openWindow", answer);
    const HWND opened = static_cast<HWND>(window);
    if (opened == nullptr) transcript.broken("openWindow answered " + std::to_string(answer) + " and gave no window");
    else if (!IsWindow(opened)) transcript.broken("the handle openWindow gave is no window");
    else if (GetAncestor(opened, GA_PARENT) != frame->window.handle())
        transcript.broken("the window openWindow gave is not a child of the host's window");
    guard("the window's message procedure", [] {
        pumpMessagesFor(0);
        return 0;
    });
}

void WindowSteps::close() {
    IMpGraphicsWinGdi* const gdi = object.gdi();
    call("closeWindow", guard("closeWindow", [&] { return gdi->closeWindow(); }));
    const HWND closed = static_cast<HWND>(window);
    if (closed != nullptr && IsWindow(closed)) {
        transcript.broken("closeWindow left its window behind (the handle is still a window)");
        DestroyWindow(closed);  // so the next steps start clean
    }
    window = nullptr;
    isOpen = false;
}

void WindowSteps::paint(const ScriptEvent& event) {
    const HWND painted = static_cast<HWND>(window);
    if (painted == nullptr || !IsWindow(painted)) return transcript.windowStep(event, "no window is open");
    transcript.windowStep(event);
    guard("the window's paint", [&] {
        RedrawWindow(painted, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        pumpMessagesFor(0);
        return 0;
    });
}

void WindowSteps::mouse(const ScriptEvent& event) {
    if (!frame) frame.reset(new Frame(L"corvane-host session", sessionFrameSize, false));
    HostWindow& host = frame->window;
    const HWND plugin = static_cast<HWND>(window);
    const POINT point{placement.left + event.x, placement.top + event.y};
    // Keys and the wheel go to the window with the keyboard focus, wherever the mouse is.
    const bool toFocus = isKeyEvent(event) || event.kind == ScriptEvent::Kind::Wheel;
    const HWND target = toFocus ? host.keyTarget() : host.mouseTarget(point);
    const std::string owner = isOrInside(plugin, target) ? "to the plug-in's window" : "to the host's window";
    const std::string note = target == nullptr ? (toFocus ? "no window has the keyboard focus: nothing delivered"
                                                          : "outside the host's window: nothing delivered")
                             : toFocus              ? owner + ", which has the keyboard focus"
                             : GetCapture() == target ? owner + ", which holds the capture"
                                                      : owner;
    transcript.windowStep(event, note);
    using Button = HostWindow::MouseButton;
    guard(isKeyEvent(event) ? "the window's key message" : "the window's mouse message", [&] {
        switch (event.kind) {
            case ScriptEvent::Kind::Press: host.mouse(point, Button::Down); break;
            case ScriptEvent::Kind::ReleaseMouse: host.mouse(point, Button::Up); break;
            case ScriptEvent::Kind::RightPress: host.mouse(point, Button::RightDown); break;
            case ScriptEvent::Kind::RightRelease: host.mouse(point, Button::RightUp); break;
            case ScriptEvent::Kind::DoubleClick: host.mouse(point, Button::DoubleClick); break;
            case ScriptEvent::Kind::Wheel: host.wheel(point, event.delta); break;
            case ScriptEvent::Kind::Key: host.key(event.key, true); break;
            case ScriptEvent::Kind::KeyUp: host.key(event.key, false); break;
            default: host.mouse(point, Button::None); break;
        }
        return 0;
    });
    const bool released = event.kind == ScriptEvent::Kind::ReleaseMouse || event.kind == ScriptEvent::Kind::RightRelease ||
                          event.kind == ScriptEvent::Kind::DoubleClick;
    if (released && !host.buttonHeld() && isOrInside(plugin, GetCapture())) {
        transcript.broken("the plug-in's window still holds the mouse capture after the button was released");
        ReleaseCapture();
    }
}

void WindowSteps::showOpen(MpSize proposed, const std::string& title) {
    IMpGraphicsWinGdi* const gdi = object.gdi();
    MpSize wanted{};
    const std::int32_t measured = guard("measure", [&] { return gdi->measure(proposed, &wanted); });
    call("measure " + sizeText(proposed), measured, ", wants " + sizeText(wanted));
    const auto inRange = [](std::int32_t side) { return side >= 1 && side <= largestSide; };
    if (!inRange(wanted.width) || !inRange(wanted.height))
        throw HostError(ExitCode::PluginFailed, "the object asked for a window of " + sizeText(wanted) + " pixels; show opens 1 to " +
                                                    std::to_string(largestSide) + " a side");
    const auto units = utf8ToUtf16(title).value_or(u"corvane-host show");
    frame.reset(new Frame(reinterpret_cast<const wchar_t*>(units.c_str()), wanted, true));
    shown = wanted;
    placement = {0, wanted.height, 0, wanted.width};
    arranged = true;
    call("arrange " + rectText(placement), guard("arrange", [&] { return gdi->arrange(&placement); }));
    window = nullptr;
    const std::int32_t answer = guard("openWindow", [&] { return gdi->openWindow(frame->window.handle(), &window); });
    isOpen = true;
    call("openWindow", answer);
    if (window == nullptr) throw HostError(ExitCode::PluginFailed, "the object opened no window");
    guard("the window's paint", [&] {
        frame->window.paintNow();
        return 0;
    });
}

void WindowSteps::showEnd(const std::optional<std::string>& screenshot) {
    guard("the window's paint", [&] {
        frame->window.paintNow();
        return 0;
    });
    if (screenshot) {
        if (!writePngFile(*screenshot, frame->window.capture(shown)))
            throw HostError(ExitCode::NoScreenshot, "cannot write the screenshot file " + *screenshot);
        transcript.line("> screenshot " + sizeText(shown) + " " + *screenshot,
                        "\"event\":\"screenshot\",\"file\":" + quoteUtf16(utf8ToUtf16(*screenshot).value_or(u"?")));
    } else {
        transcript.line("> showing the window until it is closed", "\"event\":\"showing\"");
        guard("the window's message procedure", [&] {
            frame->window.runUntilClosed();
            return 0;
        });
    }
}

void WindowSteps::closeBeforeRelease() {
    if (isOpen && object.gdi() != nullptr) close();
}

void WindowSteps::afterRelease() {
    const HWND left = static_cast<HWND>(window);
    if (left != nullptr && IsWindow(left)) {
        transcript.broken("the object's last release left its window behind");
        DestroyWindow(left);
    }
    window = nullptr;
    isOpen = false;
}

#endif
