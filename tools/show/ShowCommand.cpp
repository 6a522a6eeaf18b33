#include "tools/show/ShowCommand.h"

#include <charconv>

#include "tools/common/HostError.h"

#ifdef _WIN32
#include "interfaces/IMpGraphicsWinGdi.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/InterfaceIds.h"
#include "tools/hosting/HostObject.h"
#include "tools/common/HostText.h"
#include "tools/hosting/HostWindow.h"
#include "tools/common/PngWriter.h"
#include "tools/session/ScriptPlayer.h"
#include "tools/session/Session.h"
#include "tools/session/Transcript.h"
#endif

namespace {

/// Window sides the harness offers and accepts, in pixels.
constexpr std::int32_t largestSide = 8192;

bool sideInRange(std::int32_t side) { return side >= 1 && side <= largestSide; }

/// "WxH" with both sides whole pixels in range, or nullopt.
std::optional<MpSize> parseSize(const std::string& text) {
    MpSize size{};
    const char* const end = text.data() + text.size();
    const auto [afterWidth, widthError] = std::from_chars(text.data(), end, size.width);
    if (widthError != std::errc() || afterWidth == end || *afterWidth != 'x') return std::nullopt;
    const auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, size.height);
    if (heightError != std::errc() || afterHeight != end) return std::nullopt;
    if (!sideInRange(size.width) || !sideInRange(size.height)) return std::nullopt;
    return size;
}

}  // namespace

ShowOptions parseShowArguments(const std::vector<std::string>& words, const std::string& usage) {
    ShowOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= words.size()) throw HostError(ExitCode::Usage, word + " needs a value\n" + usage);
            return words[++i];
        };
        if (word == "--class") {
            options.plugin.identifier = value();
        } else if (word == "--screenshot") {
            options.screenshot = value();
        } else if (word == "--size") {
            const std::string& text = value();
            const auto size = parseSize(text);
            if (!size)
                throw HostError(ExitCode::Usage, "--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(largestSide) +
                                                     " pixels, not " + text);
            options.proposed = *size;
        } else if (word.size() > 1 && word[0] == '-') {
            throw HostError(ExitCode::Usage, word + " is not an option of show\n" + usage);
        } else {
            positional.push_back(word);
        }
    }
    if (positional.empty()) throw HostError(ExitCode::Usage, "no library given\n" + usage);
    if (positional.size() > 2) throw HostError(ExitCode::Usage, "show takes one library and one script\n" + usage);
    options.plugin.libraryPath = positional[0];
    if (positional.size() == 2) options.scriptPath = positional[1];
    return options;
}

#ifndef _WIN32

void runShow(const ShowOptions&, std::ostream&) {
    throw HostError(ExitCode::NeedsWindows,
                    "show needs windows, and this corvane-host was built without them: run the Windows build "
                    "(build/win64/corvane-host.exe) under Wine, with xvfb-run where there is no display");
}

#else

namespace {

std::string sizeText(MpSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

/// The references show holds on the object, given back in reverse order
/// however the command ends; the window is closed before them.
class HostedWindowObject {
public:
    HostedWindowObject(gmpi::IMpUnknown* created, const std::string& name) : object(created) {
        void* view = nullptr;
        object->queryInterface(gmpi::IID_IMpUserInterface, &view);
        gui = static_cast<gmpi::IMpUserInterface*>(view);
        view = nullptr;
        object->queryInterface(gmpi::IID_IMpGraphicsWinGdi, &view);
        graphics = static_cast<IMpGraphicsWinGdi*>(view);
        if (gui == nullptr) {
            releaseAll();
            throw HostError(ExitCode::PluginFailed,
                            name + " is no legacy GUI object (it does not answer IMpUserInterface); show hosts those only");
        }
        if (graphics == nullptr) {
            releaseAll();
            throw HostError(ExitCode::PluginFailed, name + " has no window (it does not answer IMpGraphicsWinGdi)");
        }
    }
    HostedWindowObject(const HostedWindowObject&) = delete;
    HostedWindowObject& operator=(const HostedWindowObject&) = delete;
    ~HostedWindowObject() {
        if (windowOpen) graphics->closeWindow();
        releaseAll();
    }

    gmpi::IMpUserInterface& ui() { return *gui; }
    IMpGraphicsWinGdi& gdi() { return *graphics; }
    void opened() { windowOpen = true; }
    std::int32_t close() {
        windowOpen = false;
        return graphics->closeWindow();
    }
    /// Gives back every reference and answers what the last release answered.
    std::int32_t releaseAll() {
        if (graphics != nullptr) graphics->release();
        if (gui != nullptr) gui->release();
        graphics = nullptr;
        gui = nullptr;
        const std::int32_t count = object != nullptr ? object->release() : 0;
        object = nullptr;
        return count;
    }

private:
    gmpi::IMpUnknown* object;
    gmpi::IMpUserInterface* gui = nullptr;
    IMpGraphicsWinGdi* graphics = nullptr;
    bool windowOpen = false;
};

}  // namespace

void runShow(const ShowOptions& options, std::ostream& out) {
    HostedPlugin plugin(options.plugin);
    const SessionScript script = options.scriptPath ? loadScript(*options.scriptPath, plugin.pins()) : SessionScript{};
    for (const ScriptEvent& event : script.events) {
        if (event.kind != ScriptEvent::Kind::Release) continue;
        const std::string source = *options.scriptPath == "-" ? "<stdin>" : *options.scriptPath;
        throw HostError(ExitCode::BadScriptLine,
                        source + ":" + std::to_string(event.line) + ": show releases the object itself, after its window closes");
    }
    plugin.open();

    Transcript transcript(out, false, plugin.pins());
    HostObject host([&transcript](const SentValue& value) { transcript.sent(value); });
    const std::string name = plugin.pins().identifier;
    HostedWindowObject object(plugin.createWithHost(host.unknown()), name);
    transcript.created();

    MpSize wanted{};
    const std::int32_t measured = object.gdi().measure(options.proposed, &wanted);
    transcript.line("> measure " + sizeText(options.proposed) + " -> " + std::to_string(measured) + ", wants " + sizeText(wanted), {});
    if (!sideInRange(wanted.width) || !sideInRange(wanted.height))
        throw HostError(ExitCode::PluginFailed, name + " asked for a window of " + sizeText(wanted) + " pixels; show opens 1 to " +
                                                    std::to_string(largestSide) + " a side");

    const std::u16string title = u"corvane-host show: " + utf8ToUtf16(name).value_or(u"?");
    HostWindow window(reinterpret_cast<const wchar_t*>(title.c_str()), wanted);
    const MpRect placement{0, wanted.height, 0, wanted.width};
    object.gdi().arrange(&placement);
    void* childWindow = nullptr;
    const std::int32_t opened = object.gdi().openWindow(window.handle(), &childWindow);
    object.opened();
    transcript.line("> openWindow -> " + std::to_string(opened), {});
    if (childWindow == nullptr) throw HostError(ExitCode::PluginFailed, name + " opened no window");
    window.paintNow();

    for (const ScriptEvent& event : script.events) playEvent(object.ui(), event, transcript);
    window.paintNow();

    if (options.screenshot) {
        if (!writePngFile(*options.screenshot, window.capture(wanted)))
            throw HostError(ExitCode::NoScreenshot, "cannot write the screenshot file " + *options.screenshot);
        transcript.line("> screenshot " + sizeText(wanted) + " " + *options.screenshot, {});
    } else {
        transcript.line("> showing the window until it is closed", {});
        window.runUntilClosed();
    }
    transcript.line("> closeWindow -> " + std::to_string(object.close()), {});
    transcript.released(object.releaseAll(), true);
}

#endif
