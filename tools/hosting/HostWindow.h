// The top-level window a session hosts a plug-in's window in (Windows only):
// a frame whose client area holds the plug-in's window, as a host's editor
// would; the mouse and the keyboard as the system delivers them; and the
// screenshot of the area. The show command's frame is on screen; run's and
// fuzz's lies off screen, shown (so that it paints) but out of the way.
// Made, used and destroyed on the harness's one thread, which pumps its
// messages.
#pragma once

#include <windows.h>

#include "interfaces/GraphicsTypes.h"
#include "tools/common/PngWriter.h"

class HostWindow {
public:
    /// Makes the frame, visible, with a client area of at least `clientSize`
    /// (a caption may ask for a wider one); `onScreen` false places it off
    /// the screen and out of the task bar. Throws HostError when the system
    /// cannot make it.
    HostWindow(const wchar_t* title, MpSize clientSize, bool onScreen = true);
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    /// Destroys the frame, and with it a plug-in window still inside.
    ~HostWindow();

    HWND handle() const { return frame; }
    /// Dispatches every waiting message, then paints at once what is left
    /// invalid in the frame and the windows inside it.
    void paintNow();
    /// The pixels of the client area from its top-left corner, `size` large,
    /// as the frame shows them, the plug-in's window included.
    RgbImage capture(MpSize size) const;
    /// Runs the message loop until the frame is closed (by its user).
    void runUntilClosed();

    enum class MouseButton { None, Down, Up, RightDown, RightUp, DoubleClick };
    /// Moves the mouse to `point` (client coordinates of the frame) and, with
    /// Down or Up, presses or releases the left button there, with RightDown
    /// or RightUp the right one; DoubleClick presses and releases the left
    /// button twice, the second press a WM_LBUTTONDBLCLK where the window's
    /// class asks for double clicks (CS_DBLCLKS), else a second
    /// WM_LBUTTONDOWN. Each message goes, as the system sends it, to the
    /// window holding the capture, else to the innermost window under the
    /// point (nothing for a point outside the frame), in that window's
    /// coordinates, with the buttons and the keys (shift, control) held, and
    /// is dispatched. Answers which window was sent the last message, or null.
    HWND mouse(POINT point, MouseButton button);
    /// The window a mouse message at `point` goes to now, or null.
    HWND mouseTarget(POINT point) const;
    /// Moves the mouse to `point`, then turns the wheel by `delta` (120 a
    /// notch away from the user): WM_MOUSEWHEEL goes to keyTarget, the point
    /// in screen coordinates. Answers the window sent it, or null.
    HWND wheel(POINT point, int delta);
    /// Presses (`down`) or releases the key `virtualKey`, as the keyboard
    /// does: the thread's key state follows, WM_KEYDOWN or WM_KEYUP goes to
    /// the window with the keyboard focus and a press is translated into its
    /// WM_CHAR; with no focus, WM_SYSKEYDOWN or WM_SYSKEYUP goes to the
    /// active window. Answers the window sent it, or null.
    HWND key(int virtualKey, bool down);
    /// The window that keys and the wheel go to now (the focus, else the
    /// active window), or null.
    HWND keyTarget() const;
    /// True while a mouse button is held.
    bool buttonHeld() const { return leftDown || rightDown; }

private:
    static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    /// Posts the message to `target` and dispatches what waits, translating keys.
    void deliver(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
    /// A mouse message's wParam: the buttons and keys held now.
    WPARAM mouseKeys() const;

    HWND frame = nullptr;
    POINT lastMouse{-1, -1};
    bool leftDown = false;
    bool rightDown = false;
};
