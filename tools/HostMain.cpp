// corvane-host: loads a plug-in library as a host does, plays session
// scripts to one of its objects and prints what the object sends, and
// validates the library's binary contract. See usage() for the commands.
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "tools/HostError.h"
#include "tools/HostText.h"
#include "tools/Session.h"
#include "tools/ShowCommand.h"
#include "tools/Validator.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

const char* const usageText =
    "usage:\n"
    "  corvane-host run LIBRARY [SCRIPT] [--json] [--class ID] [--kind N] [--pins FILE]\n"
    "      Plays the session script SCRIPT (a file, or - or nothing for standard input)\n"
    "      to a new object of the class and prints every event with its time.\n"
    "  corvane-host validate LIBRARY [--include A,B] [--exclude A,B] [--in-process]\n"
    "                                [--class ID] [--kind N] [--pins FILE]\n"
    "      Runs the contract checks, each in a child process; exit status 0 when all pass.\n"
    "  corvane-host checks\n"
    "      Lists the checks of validate.\n"
    "  corvane-host show LIBRARY [SCRIPT] [--class ID] [--size WxH] [--screenshot FILE.png]\n"
    "      Opens the window of a windowed object in a window of its own, plays SCRIPT's\n"
    "      values, and saves a PNG of it, or keeps it up until it is closed (Windows only).\n"
    "  corvane-host --version\n"
    "      Prints the harness's version, that of the Corvane release it belongs to.\n"
    "The class defaults to the first one in the library's pin description (its\n"
    "PINDESCRIPTION resource on Windows, else LIBRARY.pins.json); --pins reads another.\n"
    "Exit status: 0 ok, 1 checks failed, 2 usage, 3 missing file, 4 not a library,\n"
    "5 no MP_GetFactory, 6 class not registered, 7 bad script line, 8 value too large\n"
    "for its pin, 9 no or bad pin description, 10 the plug-in refused a session step,\n"
    "20 show needs windows (this build has none), 21 no screenshot taken or written.\n";

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
    bool inProcess = false;
    std::vector<std::string> include;
    std::vector<std::string> exclude;
};

/// `forValidate` tells which command's options are taken: an option of the
/// other command is refused rather than silently ignored.
Arguments parseArguments(const std::vector<std::string>& words, std::size_t first, bool forValidate) {
    Arguments parsed;
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool validateOnly = word == "--include" || word == "--exclude" || word == "--in-process";
        if ((validateOnly && !forValidate) || (word == "--json" && forValidate))
            throw HostError(ExitCode::Usage, word + " is not an option of " + (forValidate ? "validate" : "run") + "\n" + usageText);
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= words.size()) throw HostError(ExitCode::Usage, word + " needs a value\n" + usageText);
            return words[++i];
        };
        if (word == "--json") parsed.json = true;
        else if (word == "--in-process") parsed.inProcess = true;
        else if (word == "--class") parsed.plugin.identifier = value();
        else if (word == "--pins") parsed.plugin.pinsFile = value();
        else if (word == "--include") for (auto& name : splitNames(value())) parsed.include.push_back(name);
        else if (word == "--exclude") for (auto& name : splitNames(value())) parsed.exclude.push_back(name);
        else if (word == "--kind") {
            const std::string& text = value();
            std::int32_t kind = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), kind);
            if (ec != std::errc() || end != text.data() + text.size())
                throw HostError(ExitCode::Usage, "--kind needs a 32-bit integer, not " + text);
            parsed.plugin.kind = kind;
        } else if (word.size() > 1 && word[0] == '-') {
            throw HostError(ExitCode::Usage, "unknown option " + word + "\n" + usageText);
        } else {
            parsed.positional.push_back(word);
        }
    }
    if (parsed.positional.empty()) throw HostError(ExitCode::Usage, std::string("no library given\n") + usageText);
    parsed.plugin.libraryPath = parsed.positional[0];
    return parsed;
}

int run(const std::vector<std::string>& words) {
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
        const Arguments arguments = parseArguments(words, 2, true);
        return runCheckInChild(arguments.plugin, words[1], std::cout);
    }
    if (command == "run") {
        const Arguments arguments = parseArguments(words, 1, false);
        if (arguments.positional.size() > 2) throw HostError(ExitCode::Usage, "run takes one library and one script\n" + std::string(usageText));
        SessionOptions options;
        options.plugin = arguments.plugin;
        if (arguments.positional.size() == 2) options.scriptPath = arguments.positional[1];
        options.json = arguments.json;
        runSession(options, std::cout);
        return 0;
    }
    if (command == "show") {
        runShow(parseShowArguments(words, usageText), std::cout);
        return 0;
    }
    if (command == "validate") {
        const Arguments arguments = parseArguments(words, 1, true);
        if (arguments.positional.size() > 1) throw HostError(ExitCode::Usage, "validate takes one library\n" + std::string(usageText));
        ValidateOptions options;
        options.plugin = arguments.plugin;
        options.include = arguments.include;
        options.exclude = arguments.exclude;
        options.inProcess = arguments.inProcess;
        return static_cast<int>(validate(options, std::cout));
    }
    throw HostError(ExitCode::Usage, (command.empty() ? std::string("no command given\n") : "unknown command " + command + "\n") + usageText);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Byte-exact output and input: no CR inserted before each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    try {
        return run(commandLine(argc, argv));
    } catch (const HostError& error) {
        std::cout.flush();
        std::cerr << "corvane-host: " << error.what() << "\n";
        return static_cast<int>(error.code);
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "corvane-host: " << error.what() << "\n";
        return static_cast<int>(ExitCode::PluginFailed);
    }
}
