// The harness's show command: hosts a windowed plug-in object (the legacy GUI
// interface with a GDI graphics base) in a real top-level window, plays a
// session script's values to it, lets it paint, and saves a PNG of what it
// drew. Windows only; elsewhere the command says so. Called by main.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "interfaces/GraphicsTypes.h"
#include "tools/hosting/HostedPlugin.h"

struct ShowOptions {
    PluginChoice plugin;
    std::optional<std::string> scriptPath;  // "-" for standard input; none plays nothing
    MpSize proposed{320, 240};              // what the host offers to measure
    std::optional<std::string> screenshot;  // PNG file; none keeps the window up until it is closed
};

/// Reads "show LIBRARY [SCRIPT] [--class ID] [--size WxH] [--screenshot FILE]"
/// from words[1] on. Throws HostError (Usage), adding `usage` to the message.
ShowOptions parseShowArguments(const std::vector<std::string>& words, const std::string& usage);

/// Loads the library, creates the object attached to the window host, asks
/// it for its size, opens its window in a new frame, plays the script, paints,
/// saves the screenshot, closes and releases. Prints each step as run's
/// transcript does. Throws HostError: the loader's and script's codes,
/// PluginFailed when the object has no window or refuses a step,
/// NoScreenshot, and NeedsWindows in a build without windows.
void runShow(const ShowOptions& options, std::ostream& out);
