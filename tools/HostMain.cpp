// corvane-host: loads a plug-in library as a host does, plays session
// scripts to one of its objects and prints what the object sends, and
// validates the library's binary contract. See usage() for the commands.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/ChildProcess.h"
#include "tools/common/ProcessContainment.h"
#include "tools/session/ContainedSession.h"
#include "tools/fuzz/Fuzzer.h"
#include "tools/common/HostError.h"
#include "tools/common/HostText.h"
#include "tools/hosting/SanitizerRuntime.h"
#include "tools/session/Session.h"
#include "tools/show/ShowCommand.h"
#include "tools/validate/Validator.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

const char* const usageText =
    "usage:\n"
    "  corvane-host run LIBRARY [SCRIPT] [--json] [--strict] [--timeout S] [--class ID] [--kind N] [--pins FILE]\n"
    "      Plays the session script SCRIPT (a file, or - or nothing for standard input)\n"
    "      to a new object of the class, in a child process, and prints every event\n"
    "      with its time. --strict: a contract break fails the run.\n"
    "  corvane-host validate LIBRARY [--include A,B] [--exclude A,B] [--in-process] [--timeout S]\n"
    "                                [--json] [--junit FILE] [--class ID] [--kind N] [--pins FILE]\n"
    "      Runs the contract checks, each in a child process; exit status 0 when all pass.\n"
    "  corvane-host fuzz LIBRARY [--seed N] [--sessions N] [--steps N] [--timeout S] [--out FILE]\n"
    "                            [--class ID] [--kind N] [--pins FILE]\n"
    "      Plays random sessions made from the pin description; writes the shortest\n"
    "      failing one it finds as a script that run replays.\n"
    "  corvane-host checks\n"
    "      Lists the checks of validate.\n"
    "  corvane-host show LIBRARY [SCRIPT] [--size WxH] [--screenshot FILE.png] [--strict] [--timeout S]\n"
    "                        [--class ID] [--kind N] [--pins FILE]\n"
    "      Opens the window of a windowed object in a window of its own, plays SCRIPT\n"
    "      to it in a child process as run does, and saves a PNG of it, or keeps it up\n"
    "      until it is closed (Windows only; no time limit then).\n"
    "  corvane-host --version\n"
    "      Prints the harness's version, that of the Corvane release it belongs to.\n"
    "The class defaults to the first one in the library's pin description (its\n"
    "PINDESCRIPTION resource on Windows, else LIBRARY.pins.json); --pins reads another.\n"
    "--timeout S: seconds each check or session may take (default 30; a session's\n"
    "waits come on top; 0: no limit).\n"
    "Exit status: 0 ok, 1 checks failed, 2 usage, 3 missing file, 4 not a library,\n"
    "5 no MP_GetFactory, 6 class not registered, 7 bad script line, 8 value too large\n"
    "for its pin, 9 no or bad pin description, 10 the plug-in refused a session step,\n"
    "11 time limit passed (hang), 12 crash or exception in the plug-in, 13 contract\n"
    "broken (run and show --strict, fuzz), 14 the harness could not start or watch a\n"
    "child process (its own trouble), 20 show needs windows (this build has none),\n"
    "21 no screenshot taken or written, 22 no display to make windows on.\n";

std::vector<std::string> commandLine(int argc, char** argv) {
#ifdef _WIN32
    // The wide command line, so that paths outside the code page survive.
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(utf16ToUtf8(std::u16string(wide[i], wide[i] + wcslen(wide[i]))));
    LocalFree(wide);
    return arguments;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

std::vector<std::string> splitNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

struct Arguments {
    std::vector<std::string> positional;
    PluginChoice plugin;
    bool json = false;
    bool strict = false;
    bool quiet = false;
    bool inProcess = false;
    double timeoutSeconds = 30;
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    std::optional<std::string> junit;
    std::optional<std::string> source;
    std::optional<std::string> out;
    std::optional<std::uint64_t> seed;
    std::optional<int> sessions;
    std::optional<int> steps;
    bool show = false;  // a session's child: show's window
    std::optional<MpSize> windowSize;
    std::optional<std::string> screenshot;
};

/// The options each command takes beyond --class, --kind and --pins: any
/// other is refused rather than silently ignored.
bool takes(const std::string& command, const std::string& option) {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> options{
        {"run", {"--json", "--strict", "--timeout"}},
        {"validate", {"--include", "--exclude", "--in-process", "--timeout", "--json", "--junit"}},
        {"fuzz", {"--seed", "--sessions", "--steps", "--timeout", "--out"}},
        {"show", {"--strict", "--timeout", "--size", "--screenshot"}},
        {childSessionOption, {"--json", "--strict", "--quiet", "--source", "--show", "--size", "--screenshot"}},
        {childCheckOption, {}},
        {childOpenOption, {}},
    };
    if (option == "--class" || option == "--kind" || option == "--pins") return true;
    for (const auto& [name, list] : options)
        if (name == command) return std::find(list.begin(), list.end(), option) != list.end();
    return false;
}

bool knownOption(const std::string& option) {
    for (const char* command : {"run", "validate", "fuzz", "show"})
        if (takes(command, option)) return true;
    return false;
}

template <typename Number>
Number numberOption(const std::string& option, const std::string& text, Number least, Number most, const char* what) {
    Number number{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || !(number >= least && number <= most))
        throw HostError(ExitCode::Usage, option + " needs " + what + ", not " + text);
    return number;
}

Arguments parseArguments(const std::vector<std::string>& words, std::size_t first, const std::string& command) {
    Arguments parsed;
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool option = word.size() > 1 && word[0] == '-';
        if (option && !takes(command, word)) {
            if (knownOption(word)) throw HostError(ExitCode::Usage, word + " is not an option of " + command + "\n" + usageText);
            throw HostError(ExitCode::Usage, "unknown option " + word + "\n" + usageText);
        }
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= words.size()) throw HostError(ExitCode::Usage, word + " needs a value\n" + usageText);
            return words[++i];
        };
        if (word == "--json") parsed.json = true;
        else if (word == "--strict") parsed.strict = true;
        else if (word == "--quiet") parsed.quiet = true;
        else if (word == "--in-process") parsed.inProcess = true;
        else if (word == "--show") parsed.show = true;
        else if (word == "--screenshot") parsed.screenshot = value();
        else if (word == "--size") {
            const std::string& text = value();
            parsed.windowSize = parseWindowSize(text);
            if (!parsed.windowSize)
                throw HostError(ExitCode::Usage, "--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(largestWindowSide) +
                                                     " pixels, not " + text);
        }
        else if (word == "--class") parsed.plugin.identifier = value();
        else if (word == "--pins") parsed.plugin.pinsFile = value();
        else if (word == "--junit") parsed.junit = value();
        else if (word == "--source") parsed.source = value();
        else if (word == "--out") parsed.out = value();
        else if (word == "--include") for (auto& name : splitNames(value())) parsed.include.push_back(name);
        else if (word == "--exclude") for (auto& name : splitNames(value())) parsed.exclude.push_back(name);
        else if (word == "--kind") parsed.plugin.kind = numberOption<std::int32_t>(word, value(), INT32_MIN, INT32_MAX, "a 32-bit integer");
        else if (word == "--timeout") parsed.timeoutSeconds = numberOption<double>(word, value(), 0.0, 1e6, "seconds (0 to 1000000)");
        else if (word == "--seed") parsed.seed = numberOption<std::uint64_t>(word, value(), 0, UINT64_MAX, "a whole number");
        else if (word == "--sessions") parsed.sessions = numberOption<int>(word, value(), 1, 1000000, "a count from 1 to 1000000");
        else if (word == "--steps") parsed.steps = numberOption<int>(word, value(), 1, 1000000, "a count from 1 to 1000000");
        else parsed.positional.push_back(word);
    }
    if (parsed.positional.empty()) throw HostError(ExitCode::Usage, std::string("no library given\n") + usageText);
    parsed.plugin.libraryPath = parsed.positional[0];
    return parsed;
}

/// Plays the script at `path` ("-": standard input; empty: no script) in a
/// child process whose transcript is passed on line by line, after reading
/// and checking it here; `vet` may refuse more of it. Run and show.
int playScriptContained(const PluginChoice& choice, const std::string& path, const ContainOptions& options,
                        const std::function<void(const SessionScript&, const std::string&)>& vet = {}) {
    const HostedPlugin plugin(choice);  // the file and its description; loads nothing
    const std::string source = path == "-" ? "<stdin>" : path;
    const std::string text = path.empty() ? std::string() : readScriptText(path);
    std::istringstream in(text);
    const SessionScript script = SessionScript::read(in, source);
    if (const auto error = script.check(plugin.pins()))
        throw HostError(error->valueTooLarge ? ExitCode::ValueTooLarge : ExitCode::BadScriptLine,
                        source + ":" + std::to_string(error->line) + ": " + error->message);
    if (vet) vet(script, source);
    const SessionVerdict verdict = playContained(choice, script, text, source, options, [](const std::string& line) {
        std::cout << line << "\n";
        std::cout.flush();
    });
    if (verdict.kind == SessionVerdict::Kind::Crashed || verdict.kind == SessionVerdict::Kind::TimedOut) {
        if (options.json) std::cout << verdictJson(verdict, script) << "\n";
        std::cout.flush();
        std::cerr << "corvane-host: " + verdictLine(verdict, script, source) + "\n" + reportLines(verdict);
    }
    // Said after the transcript, so the two never interleave.
    if (!verdict.message.empty()) std::cerr << "corvane-host: " + verdict.message + "\n";
    return static_cast<int>(verdict.code);
}

/// The run command: the script is read and checked here, then played in a child process.
int runCommand(const Arguments& arguments) {
    ContainOptions options;
    options.json = arguments.json;
    options.strict = arguments.strict;
    options.timeoutSeconds = arguments.timeoutSeconds;
    return playScriptContained(arguments.plugin, arguments.positional.size() == 2 ? arguments.positional[1] : "-", options);
}

/// The show command: as run, with the window opened and shown in the child.
int showCommand(const ShowOptions& show) {
    ContainOptions options;
    options.strict = show.strict;
    // Without a screenshot the window waits for its user, for as long as it takes.
    options.timeoutSeconds = show.screenshot ? show.timeoutSeconds : 0;
    options.childOptions = showChildOptions(show);
    return playScriptContained(show.plugin, show.scriptPath.value_or(""), options,
                               [](const SessionScript& script, const std::string& source) {
                                   for (const ScriptEvent& event : script.events)
                                       if (event.kind == ScriptEvent::Kind::Release)
                                           throw HostError(ExitCode::BadScriptLine,
                                                           source + ":" + std::to_string(event.line) +
                                                               ": show releases the object itself, after its window closes");
                               });
}

/// The child side of run, show and fuzz: plays the script on standard input;
/// main ends it with the final marker on the control channel, so the parent
/// tells its own ending from one the plug-in forced (exit or abort inside it).
int playChildSession(const Arguments& arguments) {
    endQuietlyOnCrash();
    // Markers on the control channel, where the plug-in's prints cannot reach;
    // with the transcript only when started by hand.
    std::ostream& markers = parentChannel() != nullptr ? *parentChannel() : std::cout;
    int code = 0;
    try {
        PlayOptions options;
        options.json = arguments.json;
        options.strict = arguments.strict;
        options.quiet = arguments.quiet;
        options.markers = true;
        options.markerOut = &markers;
        options.source = arguments.source.value_or("<stdin>");
        if (arguments.show) options.show = ShownWindow{arguments.windowSize.value_or(MpSize{320, 240}), arguments.screenshot};
        HostedPlugin plugin(arguments.plugin);
        const SessionScript script = SessionScript::read(std::cin, options.source);
        playSession(plugin, script, options, std::cout);
    } catch (const HostError& error) {
        code = static_cast<int>(error.code);
        // The parent says why, after the transcript; an exception out of the
        // plug-in it reports itself, with its place.
        if (error.code != ExitCode::Crashed) {
            std::istringstream lines(error.what());
            for (std::string line; std::getline(lines, line);) markers << sessionMarker << "error " << line << "\n";
        }
    }
    std::cout.flush();
    markers.flush();
    return code;
}

/// The library the command works on (run, validate, fuzz, show), read as
/// the command reads its arguments; none for another command or a command
/// line that the command itself will refuse.
std::optional<std::string> libraryOf(const std::vector<std::string>& words) {
    if (words.empty()) return std::nullopt;
    const std::string& command = words[0];
    if (command != "run" && command != "validate" && command != "fuzz" && command != "show") return std::nullopt;
    try {
        return parseArguments(words, 1, command).plugin.libraryPath;
    } catch (const HostError&) {
        return std::nullopt;
    }
}

int run(std::vector<std::string> words) {
    // A child of this program's own: its control channel comes first.
    if (words.size() >= 2 && words[0] == controlChannelOption) {
        if (!openParentChannel(words[1])) throw HostError(ExitCode::Usage, "no control channel " + words[1]);
        words.erase(words.begin(), words.begin() + 2);
    }
    const std::string command = words.empty() ? "" : words[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usageText;
        return 0;
    }
    if (command == "--version") {
        std::cout << "corvane-host " << CORVANE_VERSION << "\n";
        return 0;
    }
    if (command == "checks") {
        listChecks(std::cout);
        return 0;
    }
    if (command == childCheckOption) {
        if (words.size() < 2) throw HostError(ExitCode::Usage, "no check named");
        const Arguments arguments = parseArguments(words, 2, command);
        return runCheckInChild(arguments.plugin, words[1], std::cout);
    }
    if (command == childOpenOption) return openLibraryInChild(parseArguments(words, 1, command).plugin, std::cout);
    if (command == childSessionOption) return playChildSession(parseArguments(words, 1, command));
    if (command == "run") {
        const Arguments arguments = parseArguments(words, 1, command);
        if (arguments.positional.size() > 2) throw HostError(ExitCode::Usage, "run takes one library and one script\n" + std::string(usageText));
        return runCommand(arguments);
    }
    if (command == "show") {
        const Arguments arguments = parseArguments(words, 1, command);
        if (arguments.positional.size() > 2) throw HostError(ExitCode::Usage, "show takes one library and one script\n" + std::string(usageText));
        requireWindows();
        ShowOptions options;
        options.plugin = arguments.plugin;
        if (arguments.positional.size() == 2) options.scriptPath = arguments.positional[1];
        if (arguments.windowSize) options.proposed = *arguments.windowSize;
        options.screenshot = arguments.screenshot;
        options.strict = arguments.strict;
        options.timeoutSeconds = arguments.timeoutSeconds;
        return showCommand(options);
    }
    if (command == "validate") {
        const Arguments arguments = parseArguments(words, 1, command);
        if (arguments.positional.size() > 1) throw HostError(ExitCode::Usage, "validate takes one library\n" + std::string(usageText));
        ValidateOptions options;
        options.plugin = arguments.plugin;
        options.include = arguments.include;
        options.exclude = arguments.exclude;
        options.inProcess = arguments.inProcess;
        options.timeoutSeconds = arguments.timeoutSeconds;
        options.json = arguments.json;
        options.junitPath = arguments.junit;
        return static_cast<int>(validate(options, std::cout));
    }
    if (command == "fuzz") {
        const Arguments arguments = parseArguments(words, 1, command);
        if (arguments.positional.size() > 1) throw HostError(ExitCode::Usage, "fuzz takes one library\n" + std::string(usageText));
        FuzzOptions options;
        options.plugin = arguments.plugin;
        if (arguments.seed) options.seed = *arguments.seed;
        if (arguments.sessions) options.sessions = *arguments.sessions;
        if (arguments.steps) options.steps = *arguments.steps;
        options.timeoutSeconds = arguments.timeoutSeconds;
        options.outPath = arguments.out;
        return static_cast<int>(fuzz(options, std::cout));
    }
    throw HostError(ExitCode::Usage, (command.empty() ? std::string("no command given\n") : "unknown command " + command + "\n") + usageText);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Byte-exact output, messages and input: no CR inserted before each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    int code = 0;
    try {
        std::vector<std::string> words = commandLine(argc, argv);
        const bool child = words.size() >= 2 && words[0] == controlChannelOption;
        // The top-level harness holds every process its children start, and
        // takes them with it when it is ended.
        if (!child) containChildProcesses();
        // A module built with sanitizers needs their runtime before it loads:
        // this may start the program again with it (and not return).
        if (const auto library = libraryOf(words)) provideSanitizerRuntime(*library, argv);
        code = run(std::move(words));
    } catch (const HostError& error) {
        std::cout.flush();
        std::cerr << "corvane-host: " + std::string(error.what()) + "\n";
        code = static_cast<int>(error.code);
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "corvane-host: " + std::string(error.what()) + "\n";
        code = static_cast<int>(ExitCode::PluginFailed);
    }
    std::cout.flush();
    // A child's last word to its parent: it ended here, of its own accord.
    tellParentFinished(code);
    return code;
}
