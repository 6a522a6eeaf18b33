#include "tools/session/ContainedSession.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "tools/common/ChildProcess.h"
#include "tools/common/HostText.h"
#include "tools/common/SanitizerReports.h"
#include "tools/session/Session.h"

namespace {

std::vector<std::string> childArguments(const PluginChoice& choice, const std::string& source, const ContainOptions& options) {
    std::vector<std::string> arguments{childSessionOption, choice.libraryPath, "--source", source};
    if (options.json) arguments.push_back("--json");
    if (options.strict) arguments.push_back("--strict");
    if (options.quiet) arguments.push_back("--quiet");
    for (std::string& option : choiceArguments(choice)) arguments.push_back(std::move(option));
    arguments.insert(arguments.end(), options.childOptions.begin(), options.childOptions.end());
    return arguments;
}

const ScriptEvent* eventAt(const SessionScript& script, int line) {
    for (const ScriptEvent& event : script.events)
        if (event.line == line) return &event;
    return nullptr;
}

/// How much of a sanitizer's report the outputs show: what went wrong, where,
/// and the first frames of the stack.
constexpr std::size_t reportLineCount = 8;

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

SessionVerdict playContained(const PluginChoice& plugin, const SessionScript& script, const std::string& scriptText,
                             const std::string& source, const ContainOptions& options,
                             const std::function<void(const std::string&)>& onLine) {
    SessionVerdict verdict;
    double waits = 0;
    for (const ScriptEvent& event : script.events)
        if (event.kind == ScriptEvent::Kind::Wait) waits += event.waitMs / 1000.0;
    verdict.limitSeconds = options.timeoutSeconds;

    std::string pending;
    std::string threw;
    std::string firstBreak;
    int breakLine = 0;
    int exitMarker = -1;
    bool loading = false;
    // Everything on standard output is transcript, whatever the plug-in
    // printed there too; only the control channel carries markers.
    const auto transcriptLine = [&](const std::string& line) {
        ++verdict.events;
        if (onLine) onLine(line);
    };
    const auto markerLine = [&](std::string_view marker) {
        if (!marker.empty() && marker[0] == sessionMarker) marker.remove_prefix(1);
        const auto number = [&](std::size_t from) {
            int value = 0;
            std::from_chars(marker.data() + from, marker.data() + marker.size(), value);
            return value;
        };
        if (marker == loadingMarker) {
            loading = true;
        } else if (marker == loadedMarker) {
            loading = false;
        } else if (marker.rfind("line ", 0) == 0) {
            verdict.line = number(5);
            verdict.furthestLine = std::max(verdict.furthestLine, verdict.line);
        } else if (marker.rfind("threw ", 0) == 0 && threw.empty()) {
            threw = marker.substr(6);
        } else if (marker.rfind("broken ", 0) == 0 && firstBreak.empty()) {
            firstBreak = marker.substr(7);
            breakLine = verdict.line;
        } else if (marker.rfind("object ", 0) == 0) {
            verdict.object = marker.substr(7);
        } else if (marker.rfind("exit ", 0) == 0) {
            exitMarker = number(5);
        } else if (marker.rfind("error ", 0) == 0) {
            if (!verdict.message.empty()) verdict.message += '\n';
            verdict.message.append(marker.substr(6));
        }
    };
    ChildOptions child;
    child.timeoutSeconds = options.timeoutSeconds > 0 ? options.timeoutSeconds + waits : 0;
    child.giveInput = true;
    child.input = scriptText;
    // The fuzzer's children talk to nobody: what they write on standard error goes with the rest.
    child.withErrors = options.quiet;
    child.controlChannel = true;
    child.onControl = markerLine;
    child.onOutput = [&](std::string_view piece) {
        for (char c : piece) {
            if (c != '\n') {
                pending += c;
                continue;
            }
            transcriptLine(pending);
            pending.clear();
        }
    };
    // With a sanitizer runtime in the harness, the child's report comes back here.
    const SanitizerReportCapture reports;
    const ChildOutcome outcome = runSelf(childArguments(plugin, source, options), child);
    if (!pending.empty()) transcriptLine(pending);
    verdict.seconds = outcome.seconds;

    if (!outcome.started) {
        verdict.kind = SessionVerdict::Kind::Stopped;
        verdict.code = ExitCode::PluginFailed;
        verdict.fault = "cannot start a child process for the session: " + outcome.startError;
    } else if (outcome.timedOut) {
        verdict.kind = SessionVerdict::Kind::TimedOut;
        verdict.code = ExitCode::TimedOut;
    } else if (!outcome.exited || exitMarker != outcome.exitCode || !threw.empty()) {
        // Ended by a fault, by the plug-in (no exit marker of ours), or by an exception out of it.
        verdict.kind = SessionVerdict::Kind::Crashed;
        verdict.code = ExitCode::Crashed;
        if (!threw.empty()) {
            verdict.thrown = true;
            verdict.fault = threw;
            verdict.faultName = threw;
        } else if (!outcome.exited) {
            verdict.whileLoading = loading;
            verdict.fault = loading ? startupCrashWords(outcome) : outcome.ending;
            verdict.faultNumber = outcome.fault;
            verdict.faultName = outcome.faultName;
        } else {
            verdict.fault = "the process ended with exit status " + std::to_string(outcome.exitCode) +
                            " before the session finished (exit or abort inside the plug-in)";
        }
    } else if (outcome.exitCode == static_cast<int>(ExitCode::ContractBroken)) {
        verdict.kind = SessionVerdict::Kind::ContractBroken;
        verdict.code = ExitCode::ContractBroken;
        verdict.fault = firstBreak;
        verdict.line = breakLine;
    } else if (outcome.exitCode != 0) {
        verdict.kind = SessionVerdict::Kind::Stopped;
        verdict.code = static_cast<ExitCode>(outcome.exitCode);
    }
    // A sanitizer's report is a crash of the session, whatever the process did after it.
    if (outcome.started && !outcome.timedOut) {
        std::vector<std::string> report = reports.firstLines(reportLineCount);
        if (!report.empty()) {
            verdict.kind = SessionVerdict::Kind::Crashed;
            verdict.code = ExitCode::Crashed;
            verdict.thrown = false;
            verdict.whileLoading = false;
            verdict.fault = report.front();
            verdict.faultNumber = outcome.exited ? 0 : outcome.fault;
            verdict.faultName = outcome.exited ? "" : outcome.faultName;
            verdict.report = std::move(report);
        }
    }
    return verdict;
}

std::string placeOf(const SessionVerdict& verdict, const SessionScript& script, const std::string& source) {
    if (verdict.whileLoading) return "while loading the library";
    if (verdict.line == 0) return "while creating and attaching the object";
    const ScriptEvent* event = eventAt(script, verdict.line);
    if (event == nullptr) return "in the release at the end of " + source;
    return "at " + source + ":" + std::to_string(verdict.line) + " (" + scriptLine(*event) + ")";
}

std::string verdictLine(const SessionVerdict& verdict, const SessionScript& script, const std::string& source) {
    const std::string place = placeOf(verdict, script, source);
    const std::string recorded = verdict.events == 0 ? "" : "; " + std::to_string(verdict.events) + " events recorded before it";
    switch (verdict.kind) {
        case SessionVerdict::Kind::Crashed: return "CRASH " + place + ": " + verdict.fault + recorded;
        case SessionVerdict::Kind::TimedOut:
            return "TIMEOUT " + place + ": no answer within " + seconds(verdict.limitSeconds) +
                   " s (beyond the script's waits); its process was ended" + recorded;
        case SessionVerdict::Kind::ContractBroken: return "CONTRACT " + place + ": " + verdict.fault;
        default: return {};
    }
}

std::string verdictJson(const SessionVerdict& verdict, const SessionScript& script) {
    const auto quoted = [](const std::string& text) { return quoteUtf16(utf8ToUtf16(text).value_or(u"?")); };
    const ScriptEvent* event = eventAt(script, verdict.line);
    std::string members = std::string("\"event\":\"") +
                          (verdict.kind == SessionVerdict::Kind::Crashed    ? "crash"
                           : verdict.kind == SessionVerdict::Kind::TimedOut ? "timeout"
                                                                            : "contract") +
                          "\",\"line\":" + std::to_string(verdict.line);
    if (event != nullptr) members += ",\"at\":" + quoted(scriptLine(*event));
    if (verdict.kind == SessionVerdict::Kind::Crashed) {
        if (verdict.thrown) {
            members += ",\"exception\":" + quoted(verdict.fault);
        } else if (verdict.faultNumber != 0) {
#ifdef _WIN32
            char code[16];
            std::snprintf(code, sizeof code, "0x%08lX", verdict.faultNumber);
            members += ",\"code\":\"" + std::string(code) + "\"";
#else
            members += ",\"signal\":" + std::to_string(verdict.faultNumber);
#endif
            members += ",\"name\":" + quoted(verdict.faultName);
        }
        members += ",\"fault\":" + quoted(verdict.fault);
        if (!verdict.report.empty()) {
            members += ",\"report\":[";
            for (std::size_t i = 0; i < verdict.report.size(); ++i) members += (i == 0 ? "" : ",") + quoted(verdict.report[i]);
            members += "]";
        }
    } else if (verdict.kind == SessionVerdict::Kind::TimedOut) {
        members += ",\"limit\":" + seconds(verdict.limitSeconds);
    } else {
        members += ",\"problem\":" + quoted(verdict.fault);
    }
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.3f", verdict.seconds * 1000);
    return "{\"ms\":" + std::string(ms) + "," + members + ",\"events\":" + std::to_string(verdict.events) + "}";
}

std::string reportLines(const SessionVerdict& verdict) {
    std::string text;
    // The first is the verdict line's fault already.
    for (std::size_t i = 1; i < verdict.report.size(); ++i) text += "    " + verdict.report[i] + "\n";
    return text;
}
