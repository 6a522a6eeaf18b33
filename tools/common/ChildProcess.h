// Runs this very program again with other arguments and collects what it
// writes on standard output and how it ended. The validator runs each check
// this way, the session runner each session and the fuzzer each random
// session, so a plug-in that crashes or hangs takes only its child down.
// ChildRun.h adds the control channel's record and the one rule for how the
// child ended; this is the process part.
//
// Containment: a child and everything it starts end with it, when its time
// is up and when it ends, wherever they moved. Natively the child leads a
// process group of its own; the child itself, its group and every process
// descended from it are ended (ProcessContainment.h: the harness adopts the
// orphans of its descendants, and takes them all with it when it is ended
// by a signal). On Windows it runs in a job object that is ended and closed
// when the child is over. A child inherits only its standard handles and
// its control channel (ControlChannel.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/ControlChannel.h"
#include "tools/common/CrashNames.h"

struct ChildOptions {
    bool withErrors = false;     // standard error into the output as well; else shared with this process
    double timeoutSeconds = 0;   // ended after this long; 0 waits as long as it takes
    bool giveInput = false;      // standard input is `input`, then closed; else shared with this process
    std::string input;
    /// Each piece of output as it arrives, instead of collecting it in `output`.
    std::function<void(std::string_view)> onOutput;
    /// Output beyond this many bytes is read and dropped, and a line says so.
    std::size_t outputLimit = std::size_t{64} << 20;
    /// Gives the child a control channel: the arguments start with
    /// controlChannelOption and the channel's number.
    bool controlChannel = false;
    /// Each line the child writes on its control channel (without the line
    /// feed), instead of collecting them in ChildOutcome::control.
    std::function<void(std::string_view)> onControl;
};

struct ChildOutcome {
    bool started = false;
    std::string startError;  // why it did not start, as the system says it; empty once started
    bool exited = false;    // ended through exit with `exitCode`; false for a crash or a time-out
    bool timedOut = false;  // ended by us when its time was up
    int exitCode = 0;
    std::string ending;     // how a crash ended: "signal 11 (Segmentation fault)", "exception 0xC0000005 (access violation)"
    unsigned long fault = 0;  // the signal number or exception code of a crash
    std::string faultName;    // its name ("Segmentation fault", "access violation"), or empty
    std::string output;     // everything written on standard output, unless ChildOptions::onOutput took it
    bool outputCut = false; // more than ChildOptions::outputLimit was written; the rest was dropped
    std::string control;    // the control channel's lines, each ended by a line feed, unless onControl took them
    /// Watching the child failed (poll or wait): it was ended, and this says
    /// why in the system's words. The harness's trouble, not the child's.
    std::string watchError;
    double seconds = 0;     // from start to end
};

/// Starts `program` (a UTF-8 path) with `arguments` (without the program
/// name), waits for it (at most options.timeoutSeconds) and answers how it went.
/// A start refused for want of resources (a loaded machine, Wine's server
/// busy with other starts) is tried again a few times, a little later each
/// time; a missing or unrunnable program is reported at once.
ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options);
ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors = false);

/// runProgram on the running program itself.
ChildOutcome runSelf(const std::vector<std::string>& arguments, const ChildOptions& options = {});

/// True when the child crashed after saying "loading" and before "loaded":
/// the library's start-up code (DllMain, static initialisation) crashed.
bool crashedWhileLoading(const ChildOutcome& outcome);
/// "its start-up code crashed: signal 11 (Segmentation fault)", for such an outcome.
std::string startupCrashWords(const ChildOutcome& outcome);
