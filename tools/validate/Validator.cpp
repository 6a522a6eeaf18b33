#include "tools/validate/Validator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "tools/common/ChildProcess.h"
#include "tools/common/ChildRun.h"
#include "tools/common/CrashPlace.h"
#include "tools/common/SymbolReader.h"
#include "tools/hosting/PinValue.h"
#include "tools/hosting/PluginDebugOutput.h"
#include "tools/validate/ContractChecks.h"
#include "tools/common/HostText.h"

namespace {

const ContractCheck* findCheck(const std::string& name) {
    for (const ContractCheck& check : contractChecks())
        if (name == check.name) return &check;
    return nullptr;
}

std::vector<const ContractCheck*> chosenChecks(const ValidateOptions& options) {
    for (const auto* names : {&options.include, &options.exclude}) {
        for (const std::string& name : *names) {
            if (findCheck(name) == nullptr) {
                std::string known;
                for (const ContractCheck& check : contractChecks()) known += std::string(" ") + check.name;
                throw HostError(ExitCode::Usage, "no check called " + name + "; the checks are:" + known);
            }
        }
    }
    const auto listed = [](const std::vector<std::string>& names, const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<const ContractCheck*> chosen;
    for (const ContractCheck& check : contractChecks()) {
        if (!options.include.empty() && !listed(options.include, check.name)) continue;
        if (listed(options.exclude, check.name)) continue;
        chosen.push_back(&check);
    }
    // Passing on no check at all would tell the caller the library is sound.
    if (chosen.empty()) throw HostError(ExitCode::Usage, "no check left to run after --include and --exclude");
    return chosen;
}

/// Runs one check here; a HostError or exception from the plug-in counts
/// as a failure of the check, not of the validator. A check that does not
/// apply to the class's objects runs not at all: `skipped` says why.
CheckReport runHere(const PluginChoice& choice, const ContractCheck& check, std::string& skipped,
                    std::function<void(const std::string&)> stepListener = nullptr) {
    CheckReport report;
    report.onStep(std::move(stepListener));
    // Whatever the check is about, every value sent to any of its hosts is
    // held against the pin description; the first few breaks are named.
    constexpr int namedBreaks = 5;
    int breaks = 0;
    try {
        HostedPlugin plugin(choice);
        plugin.onContractBreak([&report, &breaks, &pins = plugin.pins()](const SentValue& value) {
            if (++breaks > namedBreaks) return;
            const DecodedValue decoded = decodeValue(value, pins);
            const std::string& step = report.currentStep();
            report.expect(false, "sent on pin " + std::to_string(value.pin) + " (" + decoded.type + " " + decoded.text.substr(0, 60) + ")" +
                                     (step.empty() ? "" : " during " + step) + ": " + value.problem);
        });
        if (!(check.covers & Covers::Library)) {
            plugin.open();
            const ObjectProfile& profile = plugin.profile();
            if (!applies(check, profile)) {
                skipped = skipReason(check, profile);
                return report;
            }
        }
        check.run(plugin, report);
        if (!report.skipReason().empty()) skipped = report.skipReason();
    } catch (const HostError& error) {
        // The harness's own environment failed it, not the plug-in.
        if (error.code == ExitCode::NoDisplay) throw;
        report.expect(false, error.what());
    } catch (const std::exception& error) {
        report.expect(false, error.what());
    } catch (...) {
        report.expect(false, "an exception of unknown type came out of the plug-in");
    }
    // What the framework said of exceptions it caught in the last step.
    report.heardDuringLastStep();
    if (breaks > namedBreaks)
        report.expect(false, std::to_string(breaks - namedBreaks) + " more values broke the pin description");
    return report;
}

std::vector<std::string> childArguments(const PluginChoice& choice, const std::string& name) {
    std::vector<std::string> arguments{childCheckOption, name, choice.libraryPath};
    for (std::string& option : choiceArguments(choice)) arguments.push_back(std::move(option));
    return arguments;
}

void printDetails(std::ostream& out, const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) out << "      " << line << "\n";
}

/// A sanitizer report's lines after its first (which the message holds), each on a line.
std::string sanitizerReportText(const ChildEnding& ending) {
    std::string text;
    for (std::size_t i = 1; i < ending.report.size(); ++i) text += ending.report[i] + "\n";
    return text;
}

struct CheckResult {
    std::string name;
    std::string result;  // "pass", "fail", "crash", "timeout", "skip"; "harness": not run, the harness's own trouble
    double seconds = 0;
    std::string message;  // what went wrong, one line per finding
    std::string where;    // a crash's place as a JSON object, when known
};

CheckResult runOne(const ValidateOptions& options, const ContractCheck& check) {
    CheckResult result{check.name, "pass", 0, {}, {}};
    if (options.inProcess) {
        const auto start = std::chrono::steady_clock::now();
        std::string skipped;
        const CheckReport report = runHere(options.plugin, check, skipped);
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!report.passed()) result.result = "fail";
        if (!skipped.empty()) result.result = "skip";
        result.message = skipped.empty() ? "" : skipped + "\n";
        for (const std::string& message : report.messages()) result.message += message + "\n";
        for (const std::string& note : report.notesTaken()) result.message += note + "\n";
        return result;
    }
    ChildOptions child;
    child.timeoutSeconds = options.timeoutSeconds;
    const ChildRun run = runChild(childArguments(options.plugin, check.name), child);
    const ChildEnding& ending = run.ending;
    result.seconds = run.outcome.seconds;
    result.message = run.outcome.output;
    const std::string place = placeWords(ending, run.control);
    const std::string at = place.empty() ? "" : " " + place;
    const std::string report = sanitizerReportText(ending);
    switch (ending.kind) {
        case ChildEnding::Kind::HarnessTrouble:
            // Not the plug-in's failure: validate stops and says so once.
            throw HostError(ExitCode::HarnessFailed, "check " + std::string(check.name) + ": " + ending.fault);
        case ChildEnding::Kind::TimedOut:
            result.result = "timeout";
            result.message = "no answer within " + formatNumber(options.timeoutSeconds) + " s" + at + "; its process was ended\n" + result.message;
            break;
        case ChildEnding::Kind::Crashed:
        case ChildEnding::Kind::EndedByPlugin: {
            result.result = "crash";
            // "the check's process ended with signal 11 (...) during setPin(2)",
            // "the plug-in ended the process (exit status 0) during setPin(1)",
            // a sanitizer's first line with its place, its next lines below.
            const bool bySignal = ending.kind == ChildEnding::Kind::Crashed && ending.report.empty();
            const std::optional<CrashWhere> where = bySignal ? locateCrash(run.control.crashFrames()) : std::nullopt;
            const std::string whereText = where ? std::string(" ").append(whereWords(*where)) : std::string();
            if (where) result.where = whereJson(*where);
            const std::string what = ending.whileLoading ? "the library could not be loaded: " + ending.fault + whereText
                                     : bySignal          ? "the check's process ended with " + ending.fault + at + whereText
                                                         : ending.fault + at;
            result.message = what + "\n" + report + result.message;
            break;
        }
        case ChildEnding::Kind::Finished:
            if (ending.status == childCheckFailed) {
                result.result = "fail";
            } else if (ending.status == childCheckSkipped) {
                result.result = "skip";
            } else if (ending.status != 0) {
                // The child's own refusal (no display, a library it cannot open): the harness's, said once.
                std::string said = run.outcome.output;
                while (!said.empty() && said.back() == '\n') said.pop_back();
                throw HostError(static_cast<ExitCode>(ending.status),
                                said.empty() ? "check " + std::string(check.name) + "'s process exited with status " +
                                                   std::to_string(ending.status)
                                             : said);
            }
            break;
    }
    return result;
}

std::string milliseconds(double seconds) { return std::to_string(static_cast<long long>(seconds * 1000 + 0.5)) + " ms"; }

/// Seconds to the millisecond, as JSON and JUnit write durations.
std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

/// `text` when it is valid UTF-8; else with every byte above ASCII as '?'
/// (a check's output holds whatever the plug-in printed).
std::string validUtf8(const std::string& text) {
    if (utf8ToUtf16(text)) return text;
    std::string ascii = text;
    for (char& c : ascii)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    return ascii;
}

std::string jsonString(const std::string& text) { return quoteUtf16(*utf8ToUtf16(validUtf8(text))); }

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : validUtf8(text)) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default:
                // XML 1.0 has no place for other control characters.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') out += ' ';
                else out += c;
        }
    }
    return out;
}

void writeJunit(const std::string& path, const std::string& library, const std::vector<CheckResult>& results) {
    int failures = 0;
    int errors = 0;
    int skipped = 0;
    double total = 0;
    for (const CheckResult& result : results) {
        skipped += result.result == "skip";
        failures += result.result == "fail";
        errors += result.result == "crash" || result.result == "timeout" || result.result == "harness";
        total += result.seconds;
    }
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuites tests=\"" << results.size() << "\" failures=\"" << failures << "\" errors=\"" << errors
        << "\" skipped=\"" << skipped << "\" time=\"" << secondsText(total) << "\">\n"
        << "  <testsuite name=\"corvane-host validate " << xmlEscaped(library) << "\" tests=\"" << results.size()
        << "\" failures=\"" << failures << "\" errors=\"" << errors << "\" skipped=\"" << skipped << "\" time=\""
        << secondsText(total) << "\">\n";
    for (const CheckResult& result : results) {
        xml << "    <testcase classname=\"corvane-host.validate\" name=\"" << xmlEscaped(result.name) << "\" time=\""
            << secondsText(result.seconds) << "\"";
        if (result.result == "pass") {
            xml << "/>\n";
            continue;
        }
        const std::string firstLine = result.message.substr(0, result.message.find('\n'));
        if (result.result == "skip") {
            xml << ">\n      <skipped message=\"" << xmlEscaped(firstLine) << "\"/>\n    </testcase>\n";
            continue;
        }
        const char* element = result.result == "fail" ? "failure" : "error";
        xml << ">\n      <" << element << " type=\"" << result.result << "\" message=\"" << xmlEscaped(firstLine) << "\">"
            << xmlEscaped(result.message) << "</" << element << ">\n    </testcase>\n";
    }
    xml << "  </testsuite>\n</testsuites>\n";
    std::ofstream file(pathFromUtf8(path), std::ios::binary);
    file << xml.str();
    if (!file.good()) throw HostError(ExitCode::MissingFile, "cannot write the JUnit file " + path);
}

/// The first look at the library, in a child process: loads it and gets its
/// factory there, so that a library whose start-up code crashes or hangs
/// takes only the child down. Throws HostError as opening it here would.
void openInChild(const ValidateOptions& options) {
    std::vector<std::string> arguments{childOpenOption, options.plugin.libraryPath};
    for (std::string& option : choiceArguments(options.plugin)) arguments.push_back(std::move(option));
    ChildOptions child;
    child.timeoutSeconds = options.timeoutSeconds;
    const ChildRun run = runChild(arguments, child);
    const ChildEnding& ending = run.ending;
    const std::string& path = options.plugin.libraryPath;
    std::string said = run.outcome.output;
    while (!said.empty() && said.back() == '\n') said.pop_back();
    const std::string place = ending.whileLoading ? " while it was loaded" : " in MP_GetFactory, the factory's query or creating the class";
    switch (ending.kind) {
        case ChildEnding::Kind::HarnessTrouble: throw HostError(ExitCode::HarnessFailed, ending.fault);
        case ChildEnding::Kind::TimedOut:
            throw HostError(ExitCode::TimedOut, path + " was not loaded within " + formatNumber(options.timeoutSeconds) +
                                                    (ending.whileLoading ? " s (its start-up code does not return)"
                                                                         : " s (MP_GetFactory, the factory's query or creating the class does not return)"));
        case ChildEnding::Kind::Crashed: {
            const std::optional<CrashWhere> where = ending.report.empty() ? locateCrash(run.control.crashFrames()) : std::nullopt;
            std::string fault = ending.fault;
            if (where) fault.append(" ").append(whereWords(*where));
            if (ending.whileLoading) throw HostError(ExitCode::Crashed, path + " could not be loaded: " + fault);
            throw HostError(ExitCode::Crashed, path + " crashed" + place + ": " + fault + "\n" + sanitizerReportText(ending));
        }
        case ChildEnding::Kind::EndedByPlugin: throw HostError(ExitCode::Crashed, path + ": " + ending.fault + place);
        case ChildEnding::Kind::Finished: break;
    }
    // The harness's own refusals (not a library, no entry point, no factory)
    // come back with their status and words; any other ending is the library's doing.
    if (ending.status == 0) return;
    const bool refused = ending.status >= static_cast<int>(ExitCode::MissingFile) &&
                         ending.status <= static_cast<int>(ExitCode::PluginFailed) && !said.empty();
    if (refused) throw HostError(static_cast<ExitCode>(ending.status), said);
    throw HostError(ExitCode::Crashed, path + " ended its loading with exit status " + std::to_string(ending.status) +
                                           (said.empty() ? "" : ": " + said));
}

}  // namespace

int openLibraryInChild(const PluginChoice& plugin, std::ostream& out) {
    endQuietlyOnCrash();
    try {
        HostedPlugin hosted(plugin);
        hosted.open();
        // A class the library does not have is said once here, not by every check.
        static_cast<void>(hosted.profile());
    } catch (const HostError& error) {
        out << error.what() << "\n";
        // Why, when the framework caught an exception on the way (a class's constructor that threw).
        for (const std::string& line : pluginDebugOutput::take()) out << line << "\n";
        out.flush();
        return static_cast<int>(error.code);
    } catch (const std::exception& error) {
        // As the harness's main reports an exception out of the plug-in.
        out << error.what() << "\n";
        out.flush();
        return static_cast<int>(ExitCode::PluginFailed);
    }
    return 0;
}

int runCheckInChild(const PluginChoice& plugin, const std::string& name, std::ostream& out) {
    const ContractCheck* check = findCheck(name);
    if (check == nullptr) throw HostError(ExitCode::Usage, "no check called " + name);
    endQuietlyOnCrash();
    std::string skipped;
    CheckReport report;
    try {
        report = runHere(plugin, *check, skipped, [](const std::string& step) { tellParentStep(step); });
    } catch (const HostError& error) {
        // Said once, by the parent, which stops there.
        out << error.what() << "\n";
        out.flush();
        return static_cast<int>(error.code);
    }
    if (!skipped.empty()) out << skipped << "\n";
    for (const std::string& message : report.messages()) out << message << "\n";
    for (const std::string& note : report.notesTaken()) out << note << "\n";
    out.flush();
    return !report.passed() ? childCheckFailed : !skipped.empty() ? childCheckSkipped : 0;
}

ExitCode validate(const ValidateOptions& options, std::ostream& out) {
    const std::vector<const ContractCheck*> checks = chosenChecks(options);
    {
        // Fails early, with the harness's own exit codes, for a file that is
        // no plug-in at all; the checks then look at its behaviour.
        HostedPlugin plugin(options.plugin);  // the file, its description and class: loads nothing yet
        if (options.inProcess) {
            plugin.open();
            static_cast<void>(plugin.profile());
        }
    }
    if (!options.inProcess) openInChild(options);
    std::vector<CheckResult> results;
    int passed = 0;
    int skipped = 0;
    bool hung = false;
    for (const ContractCheck* check : checks) {
        CheckResult result;
        try {
            result = runOne(options, *check);
        } catch (const HostError& error) {
            // The harness stops here (no display, a child it cannot start): a
            // CI job reading the JUnit file still finds what ran, and why the
            // rest did not, as an error of the harness rather than a failure.
            if (options.junitPath) {
                results.push_back({check->name, "harness", 0, error.what(), {}});
                writeJunit(*options.junitPath, options.plugin.libraryPath, results);
            }
            throw;
        }
        results.push_back(result);
        passed += result.result == "pass";
        skipped += result.result == "skip";
        hung = hung || result.result == "timeout";
        if (options.json) {
            std::string message = result.message;
            while (!message.empty() && message.back() == '\n') message.pop_back();
            out << "{\"name\":" << jsonString(result.name) << ",\"result\":\"" << result.result
                << "\",\"duration\":" << secondsText(result.seconds) << ",\"message\":" << jsonString(message)
                << (result.where.empty() ? "" : ",\"where\":" + result.where) << "}\n";
        } else {
            const char* verdict = result.result == "pass"    ? "PASS "
                                  : result.result == "skip"  ? "SKIP "
                                  : result.result == "fail"  ? "FAIL "
                                  : result.result == "crash" ? "CRASH"
                                                             : "TIMEOUT";
            out << verdict << " " << result.name << " (" << milliseconds(result.seconds) << ")\n";
            printDetails(out, result.message);
        }
        out.flush();
    }
    const int failed = static_cast<int>(results.size()) - passed - skipped;
    if (!options.json) {
        // The last line stays "N passed, M failed" for scripts that read it.
        if (skipped > 0) out << skipped << " skipped (the reasons are above)\n";
        out << passed << " passed, " << failed << " failed\n";
    }
    if (options.junitPath) writeJunit(*options.junitPath, options.plugin.libraryPath, results);
    // Only a selection can skip them all (the library checks apply to any
    // library); exit 0 would tell the caller the library is sound.
    if (skipped == static_cast<int>(results.size()))
        throw HostError(ExitCode::Usage,
                        "none of the checks chosen with --include and --exclude applies to this class's objects, so nothing "
                        "was checked; `corvane-host checks` says which objects each check covers");
    return failed == 0 ? ExitCode::Ok : hung ? ExitCode::TimedOut : ExitCode::ChecksFailed;
}

void listChecks(std::ostream& out) {
    for (const ContractCheck& check : contractChecks()) {
        const std::string name = check.name;
        std::string families = "[";
        families.append(coveredFamilies(check)).append("]");
        out << name << std::string(name.size() < 28 ? 28 - name.size() : 1, ' ') << families
            << std::string(families.size() < 22 ? 22 - families.size() : 1, ' ') << check.summary << "\n";
    }
}
