// Plays a session script to one object of a plug-in and prints the
// transcript. Runs in the child process that the "run" and "fuzz" commands
// start (ContainedSession), which watches it through the marker lines it
// writes on its control channel, apart from the transcript.
#pragma once

#include <ostream>
#include <string>

#include "tools/hosting/HostedPlugin.h"
#include "tools/session/SessionScript.h"

struct PlayOptions {
    bool json = false;
    bool strict = false;   // a contract break ends the session with ExitCode::ContractBroken
    bool quiet = false;    // no transcript; markers only
    bool markers = false;  // write marker lines for a watching parent
    std::ostream* markerOut = nullptr;  // where the marker lines go; null: with the transcript
    std::string source = "<stdin>";  // the script's name in messages
};

/// Reads the script at `path` ("-" for standard input) and checks it against
/// the class's pins. Throws HostError: MissingFile, BadScriptLine, ValueTooLarge.
SessionScript loadScript(const std::string& path, const ClassPins& pins);

/// Marker lines start with this byte (the parent reads them on a channel of
/// their own, so a plug-in's printed line is never taken for one). Each
/// is one of "line N" (the script line played from now on), "threw TEXT"
/// (an exception came out of the plug-in), "broken TEXT" (a contract break),
/// "error TEXT" (a line of the message the session ended with) and "exit N"
/// (the session's process ends on its own with status N).
constexpr char sessionMarker = '\x1e';

/// Loads, creates, attaches, plays every event, releases. Throws HostError
/// for anything that stops the session, also for an exception out of the
/// plug-in (ExitCode::Crashed) and, with `strict`, a contract break.
void playSession(HostedPlugin& plugin, const SessionScript& script, const PlayOptions& options, std::ostream& out);

/// Waits `ms` milliseconds. On Windows it dispatches the calling thread's
/// messages meanwhile, so the plug-in's thread timers fire; elsewhere there
/// is no message loop to pump and it only sleeps.
void pumpMessagesFor(int ms);
