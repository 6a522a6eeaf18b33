// The window side of a session: plays a script's window lines to an object
// that draws (open, close, arrange, paint and the mouse to a GDI window of
// its own, hosted in a frame of the harness's; arrange to composited
// drawing), prints each host call as a transcript line, and marks what
// breaks the window's contract: no window from openWindow or one outside the
// host's frame, a window left behind by closeWindow or by the last release,
// the mouse capture kept after the button is up. Also opens and shows the
// window for the show command. Used by the session player, in the child
// process of run, fuzz and show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "interfaces/GraphicsTypes.h"
#include "tools/hosting/GuiObject.h"
#include "tools/session/SessionScript.h"
#include "tools/session/Transcript.h"

/// The first window line `script` holds that an object like `profile` has no
/// window for, as the error of its line; nullopt when every one applies.
std::optional<ScriptError> windowLinesProblem(const SessionScript& script, const ObjectProfile& profile);

/// In a build without windows: the first window line that needs a real
/// window (every one for a GDI object, but arrange for composited drawing),
/// or nullptr; always nullptr where there are windows.
const ScriptEvent* lineNeedingWindows(const SessionScript& script, const ObjectProfile& profile);

class WindowSteps {
public:
    /// Runs one call into the plug-in named `call`, reporting what escapes it.
    using Guard = std::function<std::int32_t(const char* call, const std::function<std::int32_t()>& body)>;

    WindowSteps(GuiObject& object, Transcript& transcript, Guard guard);
    WindowSteps(const WindowSteps&) = delete;
    WindowSteps& operator=(const WindowSteps&) = delete;
    /// Destroys the host's frame.
    ~WindowSteps();

    /// Plays one window line (isWindowEvent).
    void play(const ScriptEvent& event);
    /// show: measures `proposed`, makes a frame on screen of the size the
    /// object wants, arranges and opens the window there and paints it.
    /// Throws HostError (PluginFailed) for a size out of range or no window.
    void showOpen(MpSize proposed, const std::string& title);
    /// show: paints, then saves the screenshot (NoScreenshot when it cannot)
    /// or, with no file, keeps the frame up until its user closes it.
    void showEnd(const std::optional<std::string>& screenshot);
    /// Before the host's release at the end of the session: closes an open window.
    void closeBeforeRelease();
    /// After the object's last release: a window it still had must be gone.
    void afterRelease();

private:
    struct Frame;
    void open(bool measureFirst);
    void close();
    void arrange(const ScriptEvent& event);
    /// arrange for composited drawing: measure at the size, then arrange.
    void arrangeDrawing(const ScriptEvent& event);
    void paint(const ScriptEvent& event);
    void mouse(const ScriptEvent& event);
    void call(const std::string& what, std::int32_t result, const std::string& after = {});

    GuiObject& object;
    Transcript& transcript;
    Guard guard;
    std::unique_ptr<Frame> frame;
    MpRect placement{0, 0, 0, 0};
    bool arranged = false;
    bool isOpen = false;
    void* window = nullptr;  // the object's window, as openWindow gave it
    MpSize shown{0, 0};      // show: the frame's size
};
