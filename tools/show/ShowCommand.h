// The harness's show command: hosts a windowed plug-in object (the legacy GUI
// interface with a GDI graphics base) in a real top-level window, plays a
// session script to it (values and window lines), lets it paint, and saves a
// PNG of what it drew, or keeps the window up until its user closes it. Like
// run it plays in a child process (ContainedSession) under a time limit, so
// a crash or hang of the plug-in is reported as run reports it. Windows
// only; elsewhere the command says so. Called by main, which plays it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "interfaces/GraphicsTypes.h"
#include "tools/hosting/HostedPlugin.h"

struct ShowOptions {
    PluginChoice plugin;
    std::optional<std::string> scriptPath;  // "-" for standard input; none plays nothing
    MpSize proposed{320, 240};              // what the host offers to measure
    std::optional<std::string> screenshot;  // PNG file; none keeps the window up until it is closed
    bool strict = false;                    // a contract break fails the command
    double timeoutSeconds = 30;             // up to the screenshot; none while the window waits for its user
};

/// Reads "show LIBRARY [SCRIPT] [--class ID] [--size WxH] [--screenshot FILE]
/// [--strict] [--timeout S]" from words[1] on. Throws HostError (Usage),
/// adding `usage` to the message; NeedsWindows in a build without windows.
ShowOptions parseShowArguments(const std::vector<std::string>& words, const std::string& usage);

/// "WxH" with both sides whole pixels from 1 to 8192, or nullopt.
std::optional<MpSize> parseWindowSize(const std::string& text);

/// The options that make a session's child process play it as show does.
std::vector<std::string> showChildOptions(const ShowOptions& options);
