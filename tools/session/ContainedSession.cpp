#include "tools/session/ContainedSession.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "tools/common/ChildRun.h"
#include "tools/common/HostText.h"
#include "tools/common/SymbolReader.h"
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
    int line = 0;
    // Everything on standard output is transcript, whatever the plug-in
    // printed there too; only the control channel carries markers. The
    // session's own ones are read here, in order; the rest by runChild.
    const auto transcriptLine = [&](const std::string& text) {
        ++verdict.events;
        if (onLine) onLine(text);
    };
    const auto markerLine = [&](std::string_view marker) {
        if (!marker.empty() && marker[0] == sessionMarker) marker.remove_prefix(1);
        if (marker.rfind("line ", 0) == 0) {
            std::from_chars(marker.data() + 5, marker.data() + marker.size(), line);
        } else if (marker.rfind("threw ", 0) == 0 && threw.empty()) {
            threw = marker.substr(6);
        } else if (marker.rfind("broken ", 0) == 0 && firstBreak.empty()) {
            firstBreak = marker.substr(7);
            breakLine = line;
        } else if (marker.rfind("object ", 0) == 0) {
            verdict.object = marker.substr(7);
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
    const ChildRun run = runChild(childArguments(plugin, source, options), child);
    if (!pending.empty()) transcriptLine(pending);
    verdict.seconds = run.outcome.seconds;
    verdict.line = run.control.line();
    verdict.furthestLine = run.control.furthestLine();
    const ChildEnding& ending = run.ending;
    verdict.whileLoading = ending.whileLoading;

    switch (ending.kind) {
        case ChildEnding::Kind::HarnessTrouble:
            verdict.kind = SessionVerdict::Kind::Stopped;
            verdict.code = ExitCode::HarnessFailed;
            verdict.fault = ending.fault;
            verdict.message = ending.fault;
            break;
        case ChildEnding::Kind::TimedOut:
            verdict.kind = SessionVerdict::Kind::TimedOut;
            verdict.code = ExitCode::TimedOut;
            break;
        case ChildEnding::Kind::Crashed:
        case ChildEnding::Kind::EndedByPlugin:
            verdict.kind = SessionVerdict::Kind::Crashed;
            verdict.code = ExitCode::Crashed;
            verdict.fault = ending.fault;
            verdict.faultNumber = ending.faultNumber;
            verdict.faultName = ending.faultName;
            verdict.report = ending.report;
            if (ending.kind == ChildEnding::Kind::Crashed && options.locateCrash) verdict.where = locateCrash(run.control.crashFrames());
            break;
        case ChildEnding::Kind::Finished:
            if (!threw.empty()) {
                // An exception out of the plug-in, caught by the child and reported with its place.
                verdict.kind = SessionVerdict::Kind::Crashed;
                verdict.code = ExitCode::Crashed;
                verdict.thrown = true;
                verdict.fault = threw;
                verdict.faultName = threw;
            } else if (ending.status == static_cast<int>(ExitCode::ContractBroken)) {
                verdict.kind = SessionVerdict::Kind::ContractBroken;
                verdict.code = ExitCode::ContractBroken;
                verdict.fault = firstBreak;
                verdict.line = breakLine;
            } else if (ending.status != 0) {
                verdict.kind = SessionVerdict::Kind::Stopped;
                verdict.code = static_cast<ExitCode>(ending.status);
            }
            break;
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
        case SessionVerdict::Kind::Crashed: {
            std::string line = "CRASH " + place + ": " + verdict.fault;
            if (verdict.where) line.append(" ").append(whereWords(*verdict.where));
            return line.append(recorded);
        }
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
        if (verdict.where) members += ",\"where\":" + whereJson(*verdict.where);
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
