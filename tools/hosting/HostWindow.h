// The show command's top-level window (Windows only): a frame whose client
// area holds one plug-in window at its top-left corner, as a host's editor
// would, and the screenshot of that area. Made, used and destroyed on the
// harness's one thread, which pumps its messages.
#pragma once

#include <windows.h>

#include "interfaces/GraphicsTypes.h"
#include "tools/common/PngWriter.h"

class HostWindow {
public:
    /// Makes the frame, visible, with a client area of at least `clientSize`
    /// (a caption may ask for a wider one). Throws HostError when the system
    /// cannot make it.
    HostWindow(const wchar_t* title, MpSize clientSize);
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

private:
    static LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND frame = nullptr;
};
