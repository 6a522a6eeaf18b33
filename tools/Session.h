// Plays a session script to one object of a plug-in and prints the
// transcript. Called by the host harness's "run" command.
#pragma once

#include <ostream>
#include <string>

#include "tools/HostedPlugin.h"
#include "tools/SessionScript.h"

struct SessionOptions {
    PluginChoice plugin;
    std::string scriptPath = "-";  // "-" for standard input
    bool json = false;
};

/// Reads the script at `path` ("-" for standard input) and checks it against
/// the class's pins. Throws HostError: MissingFile, BadScriptLine, ValueTooLarge.
SessionScript loadScript(const std::string& path, const ClassPins& pins);

/// Loads, creates, attaches, plays every event, releases. Throws HostError
/// for anything that stops the session; answers normally otherwise.
void runSession(const SessionOptions& options, std::ostream& out);

/// Waits `ms` milliseconds. On Windows it dispatches the calling thread's
/// messages meanwhile, so the plug-in's thread timers fire; elsewhere there
/// is no message loop to pump and it only sleeps.
void pumpMessagesFor(int ms);
