#include "tools/session/Session.h"

#include <chrono>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "tools/common/HostError.h"
#include "tools/hosting/HostObject.h"
#include "tools/common/HostText.h"
#include "tools/session/Transcript.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace gmpi;

namespace {

/// An exception that came out of a plug-in call, as text for the report.
class PluginThrew : public HostError {
public:
    explicit PluginThrew(const std::string& what) : HostError(ExitCode::Crashed, what) {}
};

/// Plays one session: the object, its host, the transcript, the markers
/// and the events armed to be played from inside sendPinValue.
class Player {
public:
    Player(HostedPlugin& hosted, const PlayOptions& playOptions, std::ostream& output)
        : plugin(hosted),
          options(playOptions),
          out(output),
          transcript(output, playOptions.json, hosted.pins(), playOptions.quiet),
          host([this](const SentValue& value) { received(value); }) {
        host.onOverRelease([this] { transcript.broken("the object released the host more often than it referenced it"); });
    }

    void play(const SessionScript& script) {
        object = guarded("createObject2", [&] { return plugin.create(); });
        transcript.created();
        const std::int32_t attached = guarded("setHost", [&] { return object->setHost(host.unknown()); });
        transcript.attached(attached);
        reportNewProblems();
        if (attached != ResultOk) {
            release(false);
            throw HostError(ExitCode::PluginFailed, "the object refused the host: setHost answered " + std::to_string(attached));
        }
        for (const ScriptEvent& event : script.events) {
            mark("line " + std::to_string(event.line));
            current = event.line;
            if (event.onSend) {
                transcript.armed(event);
                armedEvents.push_back(&event);
            } else if (event.kind == ScriptEvent::Kind::Wait) {
                transcript.waiting(event);
                pumpMessagesFor(event.waitMs);
            } else if (object == nullptr) {
                transcript.skipped(event);  // released from inside a send
            } else if (event.kind == ScriptEvent::Kind::Release) {
                release(false);
            } else {
                deliver(event, false);
            }
            reportNewProblems();
            if (!nestedFailure.empty()) throw PluginThrew(nestedFailure);
        }
        if (object != nullptr) {
            mark("line " + std::to_string(script.events.empty() ? 1 : script.events.back().line + 1));
            release(true);
            reportNewProblems();
        }
        if (options.strict && !transcript.problems().empty())
            throw HostError(ExitCode::ContractBroken, "the plug-in broke the contract " + std::to_string(transcript.problems().size()) +
                                                          " time(s); the first " + firstProblem);
    }

private:
    template <typename Call>
    auto guarded(const char* what, Call call) -> decltype(call()) {
        // The plug-in's exceptions are its own fault, not the harness's:
        // reported as a crash of the session; the harness's own errors pass.
        struct InCall {
            int& depth;
            explicit InCall(int& counter) : depth(counter) { ++depth; }
            ~InCall() { --depth; }
        } inCall(callDepth);
        try {
            return call();
        } catch (const HostError&) {
            throw;
        } catch (const std::exception& error) {
            threw(std::string("an exception came out of ") + what + ": " + error.what());
        } catch (...) {
            threw(std::string("an exception of unknown type came out of ") + what);
        }
    }

    [[noreturn]] void threw(const std::string& what) {
        mark("threw " + what);
        throw PluginThrew(what);
    }

    void deliver(const ScriptEvent& event, bool reentrant) {
        transcript.delivering(event, reentrant);
        std::int32_t answer = 0;
        switch (event.kind) {
            case ScriptEvent::Kind::Text: {
                const auto bytes = static_cast<std::int32_t>(event.text.size() * sizeof(char16_t));
                answer = guarded("setPin", [&] { return object->setPin(event.pin, 0, bytes, event.text.data()); });
                break;
            }
            case ScriptEvent::Kind::Float: {
                const float value = static_cast<float>(event.number);
                answer = guarded("setPin", [&] { return object->setPin(event.pin, 0, sizeof value, &value); });
                break;
            }
            default: answer = guarded("notifyPin", [&] { return object->notifyPin(event.pin, 0); }); break;
        }
        transcript.answered(event, answer);
    }

    void release(bool atEnd, bool reentrant = false) {
        IMpUserInterface2B* releasing = object;
        object = nullptr;
        transcript.released(guarded("release", [&] { return releasing->release(); }), atEnd, reentrant);
    }

    /// The host's sendPinValue: records, then plays the next armed event
    /// from inside the call while the object is still held. A send while
    /// the host is in none of the object's calls, after its release, is a
    /// stray one; during a call the object may still be finishing it.
    void received(const SentValue& value) {
        transcript.sent(value, object == nullptr && callDepth == 0);
        if (object == nullptr || armedEvents.empty()) return;
        const ScriptEvent* event = armedEvents.front();
        armedEvents.pop_front();
        const int outer = current;
        mark("line " + std::to_string(event->line));
        current = event->line;
        // Nothing may unwind through the plug-in's frames: an exception from
        // the nested call is reported when the outer call has returned.
        try {
            if (event->kind == ScriptEvent::Kind::Release) release(false, true);
            else deliver(*event, true);
        } catch (const HostError& error) {
            if (nestedFailure.empty()) nestedFailure = error.what();
            return;
        }
        mark("line " + std::to_string(outer));
        current = outer;
    }

    void mark(const std::string& text) {
        if (!options.markers) return;
        std::ostream& to = options.markerOut != nullptr ? *options.markerOut : out;
        to << sessionMarker << text << "\n";
        to.flush();
    }

    void reportNewProblems() {
        const auto& problems = transcript.problems();
        for (; reported < problems.size(); ++reported) {
            if (firstProblem.empty())
                firstProblem = (current == 0 ? std::string("while creating and attaching the object")
                                             : "at " + options.source + ":" + std::to_string(current)) +
                               ": " + problems[reported];
            mark("broken " + problems[reported]);
        }
    }

    HostedPlugin& plugin;
    const PlayOptions& options;
    std::ostream& out;
    Transcript transcript;
    HostObject host;
    IMpUserInterface2B* object = nullptr;
    std::deque<const ScriptEvent*> armedEvents;
    int current = 0;
    int callDepth = 0;  // calls into the plug-in in progress
    std::size_t reported = 0;
    std::string firstProblem;
    std::string nestedFailure;
};

}  // namespace

SessionScript loadScript(const std::string& path, const ClassPins& pins) {
    // A folder opens as a stream on some systems and then reads as an empty script.
    std::error_code ignored;
    std::ifstream in;
    if (path != "-" && !std::filesystem::is_directory(pathFromUtf8(path), ignored))
        in.open(pathFromUtf8(path), std::ios::binary);
    if (path != "-" && !in.is_open()) throw HostError(ExitCode::MissingFile, "cannot read the script file " + path);
    const std::string source = path == "-" ? "<stdin>" : path;
    SessionScript script = SessionScript::read(path == "-" ? std::cin : in, source);
    if (const auto error = script.check(pins))
        throw HostError(error->valueTooLarge ? ExitCode::ValueTooLarge : ExitCode::BadScriptLine,
                        source + ":" + std::to_string(error->line) + ": " + error->message);
    return script;
}

void pumpMessagesFor(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
#ifdef _WIN32
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    }
#else
    std::this_thread::sleep_until(deadline);
#endif
}

void playSession(HostedPlugin& plugin, const SessionScript& script, const PlayOptions& options, std::ostream& out) {
    if (const auto error = script.check(plugin.pins()))
        throw HostError(error->valueTooLarge ? ExitCode::ValueTooLarge : ExitCode::BadScriptLine,
                        options.source + ":" + std::to_string(error->line) + ": " + error->message);
    plugin.open();
    Player player(plugin, options, out);
    player.play(script);
}
