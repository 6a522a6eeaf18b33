// Plays a session script to one object of a plug-in and prints the
// transcript. Runs in the child process that the "run", "show" and "fuzz" commands
// start (ContainedSession), which watches it through the marker lines it
// writes on its control channel, apart from the transcript.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "interfaces/GraphicsTypes.h"

#include "tools/hosting/HostedPlugin.h"
#include "tools/session/SessionScript.h"

/// The show command's window: opened before the script is played, on screen,
/// the size the object wants for `proposed`; then a screenshot, or the
/// window kept up until its user closes it.
struct ShownWindow {
    MpSize proposed{320, 240};
    std::optional<std::string> screenshot;
};

struct PlayOptions {
    bool json = false;
    bool strict = false;   // a contract break ends the session with ExitCode::ContractBroken
    bool quiet = false;    // no transcript; markers only
    bool markers = false;  // write marker lines for a watching parent
    std::ostream* markerOut = nullptr;  // where the marker lines go; null: with the transcript
    std::string source = "<stdin>";  // the script's name in messages
    std::optional<ShownWindow> show;  // show's child: objects with a GDI window only
};

/// The text of the script at `path` ("-" for standard input). Throws
/// HostError (MissingFile) when it cannot be read.
std::string readScriptText(const std::string& path);

/// Marker lines start with this byte (the parent reads them on a channel of
/// their own, so a plug-in's printed line is never taken for one). Each
/// is one of "line N" (the script line played from now on), "threw TEXT"
/// (an exception came out of the plug-in), "broken TEXT" (a contract break),
/// "error TEXT" (a line of the message the session ended with), "object
/// FAMILY [gdi] [composited]" (what the object is, once it is made) and
/// "exit N" (the session's process ends on its own with status N).
constexpr char sessionMarker = '\x1e';

/// Loads, creates and attaches the object as its family is attached
/// (version-2: createObject2 and setHost; legacy: createObject), plays every
/// event (window lines in a frame of the harness's), releases. Throws HostError
/// for anything that stops the session, also for an exception out of the
/// plug-in (ExitCode::Crashed) and, with `strict`, a contract break.
void playSession(HostedPlugin& plugin, const SessionScript& script, const PlayOptions& options, std::ostream& out);

