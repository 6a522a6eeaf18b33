// What the POSIX and the Windows child runners (PosixChildRunner.cpp,
// WindowsChildRunner.cpp) share: retrying a start the system refuses for
// the moment, keeping output within its bound, cutting the control channel
// into lines. Only the runners include this.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tools/common/ChildProcess.h"

namespace childrunner {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

/// "error 2: No such file or directory", as a start failure is reported.
std::string systemMessage(unsigned long error);

/// Calls `attempt` until it answers 0 (started) or an error that no later
/// try mends (`mayStartLater` false), a few times in all, waiting 25, 50,
/// 100 ... ms in between (3.2 s in all: long enough for a busy machine to
/// catch up, short next to a check's time limit). Answers the last error.
template <typename Attempt, typename Later>
unsigned long startWithRetries(Attempt attempt, Later mayStartLater) {
    constexpr int attempts = 8;
    constexpr unsigned firstWaitMs = 25;
    for (int tried = 1;; ++tried) {
        const unsigned long error = attempt();
        if (error == 0 || tried == attempts || !mayStartLater(error)) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(firstWaitMs << (tried - 1)));
    }
}

/// Hands output to the caller's listener or keeps it in the outcome, up to
/// the options' limit; past it, says once that the output was cut.
class OutputKeeper {
public:
    OutputKeeper(ChildOutcome& childOutcome, const ChildOptions& childOptions) : outcome(childOutcome), options(childOptions) {}
    void take(const char* bytes, std::size_t size);

private:
    void hand(const char* bytes, std::size_t size);
    ChildOutcome& outcome;
    const ChildOptions& options;
    std::size_t taken = 0;
};

/// Cuts the control channel's bytes into lines for the caller's listener or the outcome.
class ControlLines {
public:
    ControlLines(ChildOutcome& childOutcome, const ChildOptions& childOptions) : outcome(childOutcome), options(childOptions) {}
    void take(const char* bytes, std::size_t size);
    /// A last line without its line feed still counts.
    void end();

private:
    void finish();
    ChildOutcome& outcome;
    const ChildOptions& options;
    std::string pending;
};

/// The arguments with the control channel's option in front.
std::vector<std::string> withChannel(const std::vector<std::string>& arguments, const std::string& number);

/// How long a child's output is still read once it has ended: what it wrote
/// before its end is in the pipe already; a process it left behind that
/// escaped every containment may hold the pipe open for good.
constexpr auto drainTime = std::chrono::milliseconds(500);

}  // namespace childrunner
