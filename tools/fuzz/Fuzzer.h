// The "fuzz" command: plays random sessions made from a plug-in's pin
// description, each in a child process under the time limit and with the
// contract checked strictly; on the first crash, hang or contract break it
// shrinks the session to the shortest one it can find that fails the same
// way, writes it as a session script that "run --strict" replays, and
// prints the seed that made it. A first session with no events finds out
// what the object is, so that one with a window gets window lines.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tools/common/HostError.h"
#include "tools/hosting/HostedPlugin.h"

struct FuzzOptions {
    PluginChoice plugin;
    std::optional<std::uint64_t> seed;  // default: taken from the clock, and printed
    int sessions = 100;
    int steps = 40;                     // events per session, at most
    double timeoutSeconds = 30;         // per session, beyond its waits
    std::optional<std::string> outPath; // default: corvane-fuzz-SEED.txt in the current folder
};

/// Ok when no session failed; else the exit status run gives for the
/// written script (TimedOut, Crashed or ContractBroken). Throws HostError
/// when the plug-in cannot be fuzzed at all (missing, no description, ...).
ExitCode fuzz(const FuzzOptions& options, std::ostream& out);
