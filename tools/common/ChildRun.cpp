#include "tools/common/ChildRun.h"

#include "tools/common/SanitizerReports.h"

namespace {

/// How much of a sanitizer's report the outputs show: what went wrong, where,
/// and the first frames of the stack.
constexpr std::size_t reportLineCount = 8;

}  // namespace

std::string harnessTroubleWords(const ChildOutcome& outcome) {
    if (!outcome.watchError.empty())
        return "the harness lost track of its child process: " + outcome.watchError + "; the child was ended";
    return "the harness cannot start a child process (" + outcome.startError +
           "): the system is short of processes, file descriptors or memory; close other programs or raise the "
           "limits (ulimit -u, ulimit -n) and run again";
}

ChildEnding judgeChild(const ChildOutcome& outcome, const ControlRecord& control) {
    ChildEnding ending;
    ending.whileLoading = control.loading();
    if (!outcome.started || !outcome.watchError.empty()) {
        ending.kind = ChildEnding::Kind::HarnessTrouble;
        ending.fault = harnessTroubleWords(outcome);
        ending.whileLoading = false;
    } else if (!control.report().empty() && !outcome.timedOut) {
        ending.kind = ChildEnding::Kind::Crashed;
        ending.report = control.report();
        ending.fault = ending.report.front();
        ending.faultNumber = outcome.exited ? 0 : outcome.fault;
        ending.faultName = outcome.exited ? "" : outcome.faultName;
    } else if (outcome.timedOut) {
        ending.kind = ChildEnding::Kind::TimedOut;
    } else if (!outcome.exited) {
        ending.kind = ChildEnding::Kind::Crashed;
        ending.fault = ending.whileLoading ? "its start-up code crashed: " + outcome.ending : outcome.ending;
        ending.faultNumber = outcome.fault;
        ending.faultName = outcome.faultName;
    } else if (control.finished() != outcome.exitCode) {
        ending.kind = ChildEnding::Kind::EndedByPlugin;
        ending.fault = "the plug-in ended the process (exit status " + std::to_string(outcome.exitCode) + ")";
    } else {
        ending.kind = ChildEnding::Kind::Finished;
        ending.status = outcome.exitCode;
    }
    return ending;
}

std::string placeWords(const ChildEnding& ending, const ControlRecord& control) {
    if (ending.whileLoading) return "while loading the library";
    if (!control.lastStep().empty()) return "during " + control.lastStep();
    return {};
}

ChildRun runChild(const std::vector<std::string>& arguments, ChildOptions options) {
    ChildRun run;
    options.controlChannel = true;
    const auto forward = std::move(options.onControl);
    options.onControl = [&](std::string_view line) {
        run.control.take(line);
        if (forward) forward(line);
    };
    // With a sanitizer runtime in the harness, the child's report comes back here.
    const SanitizerReportCapture reports;
    run.outcome = runSelf(arguments, options);
    if (run.outcome.started && !run.outcome.timedOut) {
        std::vector<std::string> report = reports.firstLines(reportLineCount);
        if (!report.empty()) run.control.addReport(std::move(report));
    }
    run.ending = judgeChild(run.outcome, run.control);
    return run;
}
