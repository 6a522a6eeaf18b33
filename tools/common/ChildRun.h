// The one rule for how a child of the harness ended, used by run, show,
// validate and fuzz alike. A child (a check, a session, the first look at a
// library) runs with a control channel (ControlChannel.h) and says "exit N"
// as the last thing before it exits with N. So:
//   - not started, or not watched to its end: the harness's own trouble;
//   - a sanitizer's report: a crash, with the report, whatever came after;
//   - its time up: a hang;
//   - ended by a signal or exception: a crash;
//   - exited without its final marker, or with another status than it said,
//     whatever the status (0 included): the plug-in ended the process;
//   - else finished, with its status.
// Each is placed "while loading the library" when the child was loading it
// (its start-up code), else at the child's last step or line.
#pragma once

#include <string>
#include <vector>

#include "tools/common/ChildProcess.h"
#include "tools/common/ControlChannel.h"

struct ChildEnding {
    enum class Kind { Finished, HarnessTrouble, TimedOut, Crashed, EndedByPlugin };
    Kind kind = Kind::Finished;
    int status = 0;              // Finished: the exit status the child said and exited with
    bool whileLoading = false;   // the library's start-up code was running
    /// Crashed: "signal 11 (Segmentation fault)", "its start-up code crashed: ...",
    /// a sanitizer report's first line; EndedByPlugin: "the plug-in ended the
    /// process (exit status 0)"; HarnessTrouble: what went wrong and what to do.
    std::string fault;
    unsigned long faultNumber = 0;  // the signal or exception code of a crash, else 0
    std::string faultName;
    std::vector<std::string> report;  // a sanitizer's report, its first lines
};

struct ChildRun {
    ChildOutcome outcome;
    ControlRecord control;
    ChildEnding ending;
};

/// Runs this program with `arguments` and a control channel (`options`'
/// onControl, if any, still sees every line) under a sanitizer report
/// capture, and judges how it ended.
ChildRun runChild(const std::vector<std::string>& arguments, ChildOptions options);

/// The judgement on its own, for a child run some other way.
ChildEnding judgeChild(const ChildOutcome& outcome, const ControlRecord& control);

/// "while loading the library", "during setPin(1)", or empty.
std::string placeWords(const ChildEnding& ending, const ControlRecord& control);

/// What a child that cannot start or be watched needs from its user.
std::string harnessTroubleWords(const ChildOutcome& outcome);
