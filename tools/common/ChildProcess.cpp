// The parts of running a child that do not depend on the system: outcome
// bookkeeping, output bounds, control lines, start retries' words.
#include "tools/common/ChildProcess.h"

#include "tools/common/ChildRunner.h"
#include "tools/common/SystemError.h"

namespace childrunner {

std::string systemMessage(unsigned long error) {
    const std::string words = systemErrorWords(error);
    return "error " + std::to_string(error) + (words.empty() ? "" : ": " + words);
}

void OutputKeeper::hand(const char* bytes, std::size_t size) {
    if (options.onOutput) options.onOutput(std::string_view(bytes, size));
    else outcome.output.append(bytes, size);
}

void OutputKeeper::take(const char* bytes, std::size_t size) {
    if (outcome.outputCut) return;  // read and dropped, so the child never waits on a full pipe
    const std::size_t room = options.outputLimit - taken;
    if (size <= room) {
        taken += size;
        hand(bytes, size);
        return;
    }
    hand(bytes, room);
    taken = options.outputLimit;
    outcome.outputCut = true;
    const std::string note = "\ncorvane-host: output cut after " +
                             (options.outputLimit >= (1u << 20) ? std::to_string(options.outputLimit >> 20) + " MiB"
                                                                : std::to_string(options.outputLimit) + " bytes") +
                             "; the rest was read and dropped\n";
    hand(note.data(), note.size());
}

void ControlLines::take(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != '\n') pending += bytes[i];
        else finish();
    }
}

void ControlLines::end() {
    if (!pending.empty()) finish();
}

void ControlLines::finish() {
    if (options.onControl) options.onControl(pending);
    else outcome.control.append(pending).append(1, '\n');
    pending.clear();
}

std::vector<std::string> withChannel(const std::vector<std::string>& arguments, const std::string& number) {
    std::vector<std::string> all{controlChannelOption, number};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

}  // namespace childrunner

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors) {
    ChildOptions options;
    options.withErrors = withErrors;
    return runProgram(program, arguments, options);
}

bool crashedWhileLoading(const ChildOutcome& outcome) {
    return outcome.started && !outcome.exited && !outcome.timedOut && ControlRecord::of(outcome.control).loading();
}

std::string startupCrashWords(const ChildOutcome& outcome) { return "its start-up code crashed: " + outcome.ending; }
