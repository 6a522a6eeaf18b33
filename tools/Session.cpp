#include "tools/Session.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "tools/HostError.h"
#include "tools/HostObject.h"
#include "tools/HostText.h"
#include "tools/ScriptPlayer.h"
#include "tools/SessionScript.h"
#include "tools/Transcript.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace gmpi;

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

void runSession(const SessionOptions& options, std::ostream& out) {
    HostedPlugin plugin(options.plugin);
    // The whole script is read and checked before the plug-in sees any of it.
    const SessionScript script = loadScript(options.scriptPath, plugin.pins());
    plugin.open();

    Transcript transcript(out, options.json, plugin.pins());
    HostObject host([&transcript](const SentValue& value) { transcript.sent(value); });
    IMpUserInterface2B* object = plugin.create();
    transcript.created();
    const std::int32_t attached = object->setHost(&host);
    transcript.attached(attached);
    if (attached != ResultOk) {
        object->release();
        throw HostError(ExitCode::PluginFailed, "the object refused the host: setHost answered " + std::to_string(attached));
    }

    bool released = false;
    for (const ScriptEvent& event : script.events) {
        if (event.kind != ScriptEvent::Kind::Release) {
            playEvent(*object, event, transcript);
            continue;
        }
        transcript.released(object->release(), false);
        released = true;
    }
    if (!released) transcript.released(object->release(), true);
}
