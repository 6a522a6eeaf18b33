#include "tools/session/Session.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>
#include <type_traits>

#include "tools/common/HostError.h"
#include "tools/hosting/HostObject.h"
#include "tools/hosting/MessagePump.h"
#include "tools/hosting/PluginDebugOutput.h"
#include "tools/common/HostText.h"
#include "tools/session/Transcript.h"
#include "tools/session/WindowSteps.h"

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

/// The "object" marker: the family, then what the object draws with.
std::string objectMarker(const ObjectProfile& profile) {
    const char* family = profile.family == GuiFamily::Version2 ? "version-2" : profile.family == GuiFamily::Legacy ? "legacy" : "none";
    return std::string("object ") + family + (profile.winGdi ? " gdi" : "") + (profile.composited ? " composited" : "");
}

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
        host.describedBy(hosted.pins());
        host.onOverRelease([this] { transcript.broken("the object released the host more often than it referenced it"); });
        host.onRequest([this](const std::string& what) { transcript.requested(what); });
    }

    void play(const SessionScript& script) {
        attach(script);
        if (options.show) windows->showOpen(options.show->proposed, "corvane-host show: " + plugin.pins().identifier);
        for (const ScriptEvent& event : script.events) {
            mark("line " + std::to_string(event.line));
            current = event.line;
            if (event.onSend) {
                transcript.armed(event);
                armedEvents.push_back(&event);
            } else if (event.kind == ScriptEvent::Kind::Wait) {
                transcript.waiting(event);
                pumpMessagesFor(event.waitMs);
            } else if (!object.held()) {
                transcript.skipped(event);  // released from inside a send
            } else if (event.kind == ScriptEvent::Kind::Release) {
                release(false);
            } else if (isWindowEvent(event)) {
                windows->play(event);
            } else {
                deliver(event, false);
            }
            checkReleasedWindow();
            reportNewProblems();
            if (!nestedFailure.empty()) throw PluginThrew(nestedFailure);
            heardBetweenCalls();
        }
        if (options.show && object.held()) windows->showEnd(options.show->screenshot);
        if (object.held()) {
            mark("line " + std::to_string(script.events.empty() ? 1 : script.events.back().line + 1));
            if (windows) windows->closeBeforeRelease();
            release(true);
            checkReleasedWindow();
            reportNewProblems();
        }
        if (options.strict && !transcript.problems().empty())
            throw HostError(ExitCode::ContractBroken, "the plug-in broke the contract " + std::to_string(transcript.problems().size()) +
                                                          " time(s); the first " + firstProblem);
    }

private:
    /// Finds out what the class's objects are from one made by createObject2,
    /// refuses a script with window lines it has no window for, and attaches
    /// the object as its family is attached.
    void attach(const SessionScript& script) {
        GuiObject first = guarded("createObject2", [&] { return plugin.createDetached(); });
        const ObjectProfile profile = first.profile();
        mark(objectMarker(profile));
        const std::string name = plugin.pins().identifier;
        if (profile.family == GuiFamily::None)
            throw HostError(ExitCode::PluginFailed,
                            name + " is no GUI object: it answers neither IMpUserInterface2B nor IMpUserInterface");
        if (options.show && profile.family != GuiFamily::Legacy)
            throw HostError(ExitCode::PluginFailed,
                            name + " is no legacy GUI object (it does not answer IMpUserInterface); show hosts those only");
        if (options.show && !profile.winGdi)
            throw HostError(ExitCode::PluginFailed, name + " has no window (it does not answer IMpGraphicsWinGdi)");
        if (const auto error = windowLinesProblem(script, profile))
            throw HostError(ExitCode::BadScriptLine, options.source + ":" + std::to_string(error->line) + ": " + error->message);
        if (const ScriptEvent* event = lineNeedingWindows(script, profile))
            throw HostError(ExitCode::NeedsWindows, options.source + ":" + std::to_string(event->line) + ": " + describeEvent(*event) +
                                                        " needs windows, and this corvane-host was built without them: run the "
                                                        "Windows build under Wine");

        std::int32_t attached = ResultOk;
        if (profile.family == GuiFamily::Version2) {
            object = std::move(first);
            transcript.created();
            attached = guarded("setHost", [&] { return object.setHost(host.unknown()); });
            transcript.attached(attached);
        } else {
            // A legacy object is attached by the factory's createObject, which calls its setHost.
            guarded("release", [&] { return first.release(); });
            object = GuiObject(guarded("createObject", [&] { return plugin.createWithHost(host); }));
            transcript.createdAttached(object.profile());
        }
        if (object.gdi() != nullptr || object.composited() != nullptr)
            windows = std::make_unique<WindowSteps>(
                object, transcript, [this](const char* what, const std::function<std::int32_t()>& body) { return guarded(what, body); });
        reportNewProblems();
        if (attached != ResultOk) {
            release(false);
            throw HostError(ExitCode::PluginFailed, "the object refused the host: setHost answered " + std::to_string(attached));
        }
    }

    /// The window of an object released from inside one of its calls is
    /// looked for once that call has returned.
    void checkReleasedWindow() {
        if (!releasedWithWindows || callDepth > 0) return;
        releasedWithWindows = false;
        windows->afterRelease();
        if (host.captureHeld())
            transcript.broken("the object's last release left the host's mouse capture held (setCapture without releaseCapture)");
    }

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
            auto answer = call();
            heardAfter(what, answer);
            return answer;
        } catch (const HostError&) {
            // A creation that failed because the framework caught an
            // exception is said in the framework's words.
            heardBetweenCalls();
            throw;
        } catch (const std::exception& error) {
            threw(std::string("an exception came out of ") + what + ": " + error.what());
        } catch (...) {
            threw(std::string("an exception of unknown type came out of ") + what);
        }
    }

    /// An exception the framework caught at its boundary and said on the
    /// debug-output channel during `what` fails the session as one that came
    /// out of the plug-in would, in the framework's words and with the answer
    /// the call gave.
    template <typename Answer>
    void heardAfter(const char* what, const Answer& answer) {
        std::vector<std::string> lines = pluginDebugOutput::take();
        if (lines.empty()) return;
        if constexpr (std::is_same_v<Answer, std::int32_t>)
            for (std::string& line : lines) line = pluginDebugOutput::afterCall(line, what, answer);
        threw(joined(lines));
    }

    /// What was said between calls (a timer tick, a window message).
    void heardBetweenCalls() {
        const std::vector<std::string> lines = pluginDebugOutput::take();
        if (!lines.empty()) threw(joined(lines));
    }

    static std::string joined(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
        return text;
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
                answer = guarded("setPin", [&] { return object.setPin(event.pin, 0, bytes, event.text.data()); });
                break;
            }
            case ScriptEvent::Kind::Float: {
                const float value = static_cast<float>(event.number);
                answer = guarded("setPin", [&] { return object.setPin(event.pin, 0, sizeof value, &value); });
                break;
            }
            default: answer = guarded("notifyPin", [&] { return object.notifyPin(event.pin, 0); }); break;
        }
        transcript.answered(event, answer);
    }

    void release(bool atEnd, bool reentrant = false) {
        // GuiObject lets go of the object before its first call.
        transcript.released(guarded("release", [&] { return object.release(); }), atEnd, reentrant);
        releasedWithWindows = windows != nullptr;
    }

    /// The host's sendPinValue: records, then plays the next armed event
    /// from inside the call while the object is still held. A send while
    /// the host is in none of the object's calls, after its release, is a
    /// stray one; during a call the object may still be finishing it.
    void received(const SentValue& value) {
        transcript.sent(value, !object.held() && callDepth == 0);
        if (!object.held() || armedEvents.empty()) return;
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
    GuiObject object;
    std::unique_ptr<WindowSteps> windows;  // for objects that draw
    bool releasedWithWindows = false;
    std::deque<const ScriptEvent*> armedEvents;
    int current = 0;
    int callDepth = 0;  // calls into the plug-in in progress
    std::size_t reported = 0;
    std::string firstProblem;
    std::string nestedFailure;
};

}  // namespace

std::string readScriptText(const std::string& path) {
    if (path == "-") {
        std::ostringstream text;
        text << std::cin.rdbuf();
        return text.str();
    }
    // A folder opens as a stream on some systems and then reads as an empty script.
    std::error_code ignored;
    std::ifstream in;
    if (!std::filesystem::is_directory(pathFromUtf8(path), ignored)) in.open(pathFromUtf8(path), std::ios::binary);
    if (!in.is_open()) throw HostError(ExitCode::MissingFile, "cannot read the script file " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}


void playSession(HostedPlugin& plugin, const SessionScript& script, const PlayOptions& options, std::ostream& out) {
    if (const auto error = script.check(plugin.pins()))
        throw HostError(error->valueTooLarge ? ExitCode::ValueTooLarge : ExitCode::BadScriptLine,
                        options.source + ":" + std::to_string(error->line) + ": " + error->message);
    plugin.open();
    Player player(plugin, options, out);
    player.play(script);
}
