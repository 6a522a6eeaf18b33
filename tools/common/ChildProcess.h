// Runs this very program again with other arguments and collects what it
// writes on standard output and how it ended. The validator runs each check
// this way, the session runner each session and the fuzzer each random
// session, so a plug-in that crashes or hangs takes only its child down.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ChildOptions {
    bool withErrors = false;     // standard error into the output as well; else shared with this process
    double timeoutSeconds = 0;   // ended after this long; 0 waits as long as it takes
    bool giveInput = false;      // standard input is `input`, then closed; else shared with this process
    std::string input;
    /// Each piece of output as it arrives, instead of collecting it in `output`.
    std::function<void(std::string_view)> onOutput;
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

/// Makes a crash of this process end it at once with the fault as its
/// status, without a debugger, error dialog or crash dump (Windows); nothing elsewhere.
void endQuietlyOnCrash();

/// The name of a Windows exception code ("access violation"), or empty.
std::string exceptionName(unsigned long code);
