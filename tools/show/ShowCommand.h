// The harness's show command: hosts a windowed plug-in object (the legacy GUI
// interface with a GDI graphics base) in a real top-level window, plays a
// session script to it (values and window lines), lets it paint, and saves a
// PNG of what it drew, or keeps the window up until its user closes it. Like
// run it plays in a child process (ContainedSession) under a time limit, so
// a crash or hang of the plug-in is reported as run reports it. Windows
// only; elsewhere the command says so. Called by main, which plays it.
#pragma once

#include <cstdint>
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

/// Throws HostError (NeedsWindows) in a build without windows, saying how to
/// run the one with them. main reads show's options with every command's.
void requireWindows();

/// Window sides the harness offers and accepts, in pixels.
constexpr std::int32_t largestWindowSide = 8192;

/// "WxH" with both sides whole pixels from 1 to largestWindowSide, or nullopt.
std::optional<MpSize> parseWindowSize(const std::string& text);

/// The options that make a session's child process play it as show does.
std::vector<std::string> showChildOptions(const ShowOptions& options);
