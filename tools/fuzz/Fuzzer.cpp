#include "tools/fuzz/Fuzzer.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "tools/common/HarnessCommand.h"
#include "tools/session/ContainedSession.h"
#include "tools/common/HostText.h"
#include "tools/fuzz/SessionGenerator.h"

namespace {

/// A hang costs its whole time limit, so while shrinking one a call
/// counts as hanging sooner; the result is confirmed under the full limit.
constexpr double shrinkLimitSeconds = 2;
/// Shrinking stops after this many sessions, keeping the shortest so far.
constexpr int shrinkBudget = 300;

class Shrinker {
public:
    Shrinker(const FuzzOptions& fuzzOptions, SessionVerdict::Kind failure)
        : options(fuzzOptions), kind(failure) {
        contain.strict = true;
        contain.quiet = true;
        contain.locateCrash = false;  // the confirming run looks it up, once
        contain.timeoutSeconds = kind == SessionVerdict::Kind::TimedOut && options.timeoutSeconds > 0
                                     ? std::min(options.timeoutSeconds, shrinkLimitSeconds)
                                     : options.timeoutSeconds;
    }

    /// Fails the same way as the session it shrinks.
    bool fails(std::vector<ScriptEvent> events, SessionVerdict* verdict = nullptr) {
        ++attempts;
        SessionScript script = numbered(std::move(events));
        const SessionVerdict got = playContained(options.plugin, script, script.text(), "session", contain, nullptr);
        if (verdict != nullptr) *verdict = got;
        return got.kind == kind;
    }

    /// Removes chunks of events, halves first, down to single events, for
    /// as long as the session still fails.
    std::vector<ScriptEvent> shrink(std::vector<ScriptEvent> events) {
        for (std::size_t chunk = std::max<std::size_t>(events.size() / 2, 1); chunk >= 1 && attempts < shrinkBudget;) {
            bool removed = false;
            for (std::size_t at = 0; at < events.size() && attempts < shrinkBudget;) {
                std::vector<ScriptEvent> fewer = events;
                fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(at),
                            fewer.begin() + static_cast<std::ptrdiff_t>(std::min(at + chunk, fewer.size())));
                if (!fewer.empty() && fails(fewer)) {
                    events = std::move(fewer);
                    removed = true;
                } else {
                    at += chunk;
                }
            }
            if (!removed) {
                if (chunk == 1) break;
                chunk /= 2;
            }
        }
        // Then shorter texts, halved for as long as the session still fails.
        for (std::size_t i = 0; i < events.size() && attempts < shrinkBudget; ++i) {
            if (events[i].kind != ScriptEvent::Kind::Text) continue;
            for (bool first = true; !events[i].text.empty() && attempts < shrinkBudget; first = false) {
                std::vector<ScriptEvent> simpler = events;
                simpler[i].text = first ? std::u16string() : events[i].text.substr(0, events[i].text.size() / 2);
                if (fails(simpler)) events = std::move(simpler);
                else if (!first) break;
            }
        }
        return events;
    }

    static SessionScript numbered(std::vector<ScriptEvent> events) {
        SessionScript script;
        script.events = std::move(events);
        for (std::size_t i = 0; i < script.events.size(); ++i) script.events[i].line = static_cast<int>(i) + 1;
        return script;
    }

    int attempts = 0;

private:
    const FuzzOptions& options;
    const SessionVerdict::Kind kind;
    ContainOptions contain;
};

const char* failureName(SessionVerdict::Kind kind) {
    switch (kind) {
        case SessionVerdict::Kind::Crashed: return "crash";
        case SessionVerdict::Kind::TimedOut: return "hang";
        default: return "contract break";
    }
}

/// The fault, and where it happened when that is known.
std::string faultWithPlace(const SessionVerdict& verdict) {
    std::string words = verdict.fault;
    if (verdict.where) words.append(" ").append(whereWords(*verdict.where));
    return words;
}

}  // namespace

ExitCode fuzz(const FuzzOptions& options, std::ostream& out) {
    const HostedPlugin plugin(options.plugin);  // the file and its description; loads nothing
    const std::uint64_t seed =
        options.seed.value_or(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000000u);
    out << "fuzz: seed " << seed << ", " << options.sessions << " sessions of up to " << options.steps << " events on "
        << plugin.pins().identifier << " (repeat with --seed " << seed << ")\n";
    out.flush();

    ContainOptions contain;
    contain.strict = true;
    contain.quiet = true;
    contain.timeoutSeconds = options.timeoutSeconds;
    // Session 0, with no events, finds out what the object draws (and may
    // itself fail: in creation, attachment or release).
    ObjectDrawing drawing = ObjectDrawing::None;
    FuzzRandom random(seed);
    for (int session = 0; session <= options.sessions; ++session) {
        const SessionScript script = session == 0 ? SessionScript{} : randomSession(plugin.pins(), random, options.steps, drawing);
        std::string said;
        const SessionVerdict verdict = playContained(options.plugin, script, script.text(), "session", contain,
                                                     [&said](const std::string& line) { said += line + "\n"; });
        if (verdict.code == ExitCode::HarnessFailed) throw HostError(verdict.code, verdict.message);
        if (verdict.kind == SessionVerdict::Kind::Stopped) {
            out << said;
            throw HostError(verdict.code, "session " + std::to_string(std::max(session, 1)) + " stopped before the plug-in was fuzzed" +
                                              (verdict.message.empty() ? "" : ": " + verdict.message));
        }
        if (verdict.whileLoading) {
            // Every session would end there alike: nothing to shrink.
            out << said;
            const bool hung = verdict.kind == SessionVerdict::Kind::TimedOut;
            throw HostError(verdict.code, "session " + std::to_string(std::max(session, 1)) + (hung ? " hung " : " crashed ") +
                                              placeOf(verdict, script, "session") + ": " +
                                              (hung ? "no answer within " + formatNumber(verdict.limitSeconds) + " s" : faultWithPlace(verdict)));
        }
        if (session == 0) {
            const bool window = verdict.object.find(" gdi") != std::string::npos;
            const bool composited = verdict.object.find(" composited") != std::string::npos;
            drawing = window ? ObjectDrawing::Window : composited ? ObjectDrawing::Composited : ObjectDrawing::None;
        }
        if (verdict.kind == SessionVerdict::Kind::Finished) {
            if (session % 25 == 0 && session > 0 && session < options.sessions) {
                out << session << " sessions played, no failure\n";
                out.flush();
            }
            continue;
        }
        out << "session " << session << ": " << verdictLine(verdict, script, "session") << "\n"
            << reportLines(verdict) << "shrinking the " << failureName(verdict.kind) << " (" << script.events.size() << " events)...\n";
        out.flush();
        // Everything after the furthest line played is not needed to fail.
        std::vector<ScriptEvent> events;
        for (const ScriptEvent& event : script.events)
            if (verdict.furthestLine == 0 || event.line <= verdict.furthestLine) events.push_back(event);
        Shrinker shrinker(options, verdict.kind);
        SessionScript found = Shrinker::numbered(shrinker.fails(events) ? shrinker.shrink(events) : script.events);
        SessionVerdict confirmed = playContained(options.plugin, found, found.text(), "session", contain, nullptr);
        if (confirmed.kind != verdict.kind) {
            found = script;
            confirmed = verdict;
        }

        const std::string path = options.outPath.value_or("corvane-fuzz-" + std::to_string(seed) + ".txt");
        std::ofstream file(pathFromUtf8(path), std::ios::binary);
        file << "# corvane-host fuzz --seed " << seed << ", session " << session << ": " << failureName(verdict.kind) << "\n"
             << (confirmed.fault.empty() ? "" : "# " + confirmed.fault + "\n")
             << found.text();
        if (!file.good()) throw HostError(ExitCode::MissingFile, "cannot write " + path);
        out << "shortest failing session: " << found.events.size() << (found.events.size() == 1 ? " event (" : " events (")
            << shrinker.attempts << " sessions tried): " << verdictLine(confirmed, found, "session") << "\n"
            << reportLines(confirmed)
            << "wrote " << path << "; replay with: ";
        // The harness that runs this library: a DLL's is the Windows build, under Wine through its runner.
        std::string replay = " run " + options.plugin.libraryPath + " " + path + " --strict";
        for (const std::string& option : choiceArguments(options.plugin)) replay += " " + option;
        out << harnessCommand() << replay << "\n";
        if (!harnessCommandInSourceTree().empty()) out << "(in the source tree: " << harnessCommandInSourceTree() << replay << ")\n";
        if (drawing == ObjectDrawing::Window) {
            out << "or watch it in a window: " << harnessCommand() << " show " << options.plugin.libraryPath << " " << path << " --strict";
            if (options.plugin.identifier) out << " --class " << *options.plugin.identifier;
            out << "\n";
        }
        return confirmed.code;
    }
    out << options.sessions << " sessions, no failure\n";
    return ExitCode::Ok;
}
