// The top-level window a session hosts a plug-in's window in (Windows only):
// a frame whose client area holds the plug-in's window, as a host's editor
// would; the mouse as the system delivers it; and the screenshot of the
// area. The show command's frame is on screen; run's and fuzz's lies off
// screen, shown (so that it paints) but out of the way. Made, used and
// destroyed on the harness's one thread, which pumps its messages.
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

    enum class MouseButton { None, Down, Up };
    /// Moves the mouse to `point` (client coordinates of the frame) and, with
    /// Down or Up, presses or releases the left button there: each message
    /// goes, as the system sends it, to the window holding the capture, else
    /// to the innermost window under the point (nothing for a point outside
    /// the frame), in that window's coordinates, and is dispatched. Answers
    /// which window was sent the last message, or null.
    HWND mouse(POINT point, MouseButton button);
    /// The window a mouse message at `point` goes to now, or null.
    HWND mouseTarget(POINT point) const;

private:
    static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND frame = nullptr;
    POINT lastMouse{-1, -1};
    bool buttonDown = false;
};
