#include "tools/show/ShowCommand.h"

#include <charconv>

#include "tools/common/HostError.h"

namespace {

/// Window sides the harness offers and accepts, in pixels.
constexpr std::int32_t largestSide = 8192;

bool sideInRange(std::int32_t side) { return side >= 1 && side <= largestSide; }

}  // namespace

std::optional<MpSize> parseWindowSize(const std::string& text) {
    MpSize size{};
    const char* const end = text.data() + text.size();
    const auto [afterWidth, widthError] = std::from_chars(text.data(), end, size.width);
    if (widthError != std::errc() || afterWidth == end || *afterWidth != 'x') return std::nullopt;
    const auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, size.height);
    if (heightError != std::errc() || afterHeight != end) return std::nullopt;
    if (!sideInRange(size.width) || !sideInRange(size.height)) return std::nullopt;
    return size;
}

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
        } else if (word == "--strict") {
            options.strict = true;
        } else if (word == "--size") {
            const std::string& text = value();
            const auto size = parseWindowSize(text);
            if (!size)
                throw HostError(ExitCode::Usage, "--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(largestSide) +
                                                     " pixels, not " + text);
            options.proposed = *size;
        } else if (word == "--timeout") {
            const std::string& text = value();
            double seconds = -1;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
            if (ec != std::errc() || end != text.data() + text.size() || !(seconds >= 0 && seconds <= 1e6))
                throw HostError(ExitCode::Usage, "--timeout needs seconds (0 to 1000000), not " + text);
            options.timeoutSeconds = seconds;
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
#ifndef _WIN32
    throw HostError(ExitCode::NeedsWindows,
                    "show needs windows, and this corvane-host was built without them: run the Windows build "
                    "(build/win64/corvane-host.exe) under Wine, with xvfb-run where there is no display");
#else
    return options;
#endif
}

std::vector<std::string> showChildOptions(const ShowOptions& options) {
    std::vector<std::string> arguments{"--show", "--size",
                                       std::to_string(options.proposed.width) + "x" + std::to_string(options.proposed.height)};
    if (options.screenshot) arguments.insert(arguments.end(), {"--screenshot", *options.screenshot});
    return arguments;
}
