// Plays a session script in a child process of its own, under a time limit,
// and tells how it ended: finished, stopped by an error, crashed (with the
// script line being played and the fault), hung, or broke the contract.
// How the child ended is judged by the one rule for every child (ChildRun.h);
// this adds the session's own markers (the object, a break, an exception out
// of the plug-in). All the child writes on standard output, the plug-in's own
// prints too, is transcript.
// The "run" and "show" commands forward the child's transcript through it; the fuzzer
// plays every random session and every shrinking attempt through it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/common/CrashPlace.h"
#include "tools/common/HostError.h"
#include "tools/hosting/HostedPlugin.h"
#include "tools/session/SessionScript.h"

struct ContainOptions {
    bool json = false;
    bool strict = false;
    bool quiet = false;             // the child prints no transcript
    double timeoutSeconds = 30;     // beyond the waits the script asks for
    std::vector<std::string> childOptions;  // more options for the child (show's window)
    bool locateCrash = true;        // a crash's function and line looked up (the fuzzer's shrinking needs none)
};

struct SessionVerdict {
    enum class Kind { Finished, Stopped, Crashed, TimedOut, ContractBroken };
    Kind kind = Kind::Finished;
    ExitCode code = ExitCode::Ok;  // what the run command exits with
    int line = 0;                  // the script line being played at the end (at the first break for
                                   // ContractBroken); 0 before the first
    int furthestLine = 0;          // the furthest line the session reached
    std::string fault;             // Crashed: the signal or exception; ContractBroken: the first break
    unsigned long faultNumber = 0; // the signal number or exception code; 0 for an exception out of the plug-in
    std::string faultName;         // its name, or the exception's text
    bool thrown = false;           // Crashed by an exception that came out of the plug-in
    bool whileLoading = false;     // ended (crash, exit, hang) in the library's start-up code, as it was loaded
    int events = 0;                // transcript lines the child wrote
    std::vector<std::string> report; // Crashed by a sanitizer's report: its first lines (fault holds the first)
    std::optional<CrashWhere> where; // Crashed by a signal or exception: where, as far as known
    std::string message;           // Stopped, ContractBroken: why, as the child's error said it
    std::string object;            // what the object is, once made: "version-2", "legacy gdi", ...
    double limitSeconds = 0;       // the time limit it had
    double seconds = 0;
};

/// Plays `script` (whose text is `scriptText`, named `source` in messages)
/// in a child process; hands each transcript line to `onLine` as it comes.
SessionVerdict playContained(const PluginChoice& plugin, const SessionScript& script, const std::string& scriptText,
                             const std::string& source, const ContainOptions& options,
                             const std::function<void(const std::string&)>& onLine);

/// Where the verdict happened, for people: "demo.txt:4 (notify 0)".
std::string placeOf(const SessionVerdict& verdict, const SessionScript& script, const std::string& source);

/// The one line that reports a crash, hang or contract break, without a
/// trailing newline; and its JSON event for --json.
std::string verdictLine(const SessionVerdict& verdict, const SessionScript& script, const std::string& source);
std::string verdictJson(const SessionVerdict& verdict, const SessionScript& script);
/// A sanitizer report's first lines after the one the verdict line holds,
/// each indented and ended by a line feed, to follow the verdict line; empty
/// for any other verdict.
std::string reportLines(const SessionVerdict& verdict);

/// The child's side: reads the script from standard input and plays it with
/// markers. Arguments after the option as for run, plus --source NAME.
constexpr const char* childSessionOption = "--play-session";
