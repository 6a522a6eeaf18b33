// Runs this very program again with other arguments and collects what it
// writes on standard output and how it ended. The validator runs each check
// this way, the session runner each session and the fuzzer each random
// session, so a plug-in that crashes or hangs takes only its child down.
//
// Containment: natively a child leads a process group of its own, and the
// whole group is ended with it, when its time is up and when it ends (so a
// process the plug-in left behind holding the output pipe cannot keep the
// parent waiting); on Windows it runs in a job object that is ended and
// closed when the child is over. A child inherits only its standard handles
// and its control channel.
//
// The control channel: a pipe of its own beside standard output, on which the
// child tells the parent where it is ("loading", "line 4", "exit 0"). The
// plug-in shares standard output with the child, and so cannot forge what
// the child says here by printing a line.
#pragma once

#include <functional>
#include <ostream>
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
    std::string control;    // the control channel's lines, each ended by a line feed, unless onControl took them
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

/// The child's first two arguments when it has a control channel: this
/// option and the channel's number (a descriptor or handle value).
constexpr const char* controlChannelOption = "--control-channel";

/// The child's side: takes the channel named by the option's value and keeps
/// it from this process's own children. False for a value that names none.
bool openParentChannel(const std::string& number);
/// Writes `line` and a line feed on the channel at once; nothing when this
/// process has no channel.
void tellParent(std::string_view line);
/// A stream on the channel (each flush sends what it holds), or null when
/// this process has none.
std::ostream* parentChannel();

/// What the child says on its control channel just before it loads the
/// plug-in library, and once the library's start-up code has run.
constexpr const char* loadingMarker = "loading";
constexpr const char* loadedMarker = "loaded";
/// Held while the plug-in library is loaded: says "loading" and, at its
/// end, "loaded" to a watching parent, which can then tell a crash of the
/// library's start-up code from one later on. (A contained child calls
/// endQuietlyOnCrash first, so that such a crash ends it even where the
/// system's loader would catch it and only fail the load.)
class LoadingLibrary {
public:
    LoadingLibrary();
    ~LoadingLibrary();
    LoadingLibrary(const LoadingLibrary&) = delete;
    LoadingLibrary& operator=(const LoadingLibrary&) = delete;
};

/// True when the child crashed after saying "loading" and before "loaded":
/// the library's start-up code (DllMain, static initialisation) crashed.
bool crashedWhileLoading(const ChildOutcome& outcome);
/// "its start-up code crashed: signal 11 (Segmentation fault)", for such an outcome.
std::string startupCrashWords(const ChildOutcome& outcome);

/// The name of a Windows exception code ("access violation"), or empty.
std::string exceptionName(unsigned long code);
