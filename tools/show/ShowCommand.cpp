#include "tools/show/ShowCommand.h"

#include <charconv>

#include "tools/common/HostError.h"

namespace {

bool sideInRange(std::int32_t side) { return side >= 1 && side <= largestWindowSide; }

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

void requireWindows() {
#ifndef _WIN32
    throw HostError(ExitCode::NeedsWindows,
                    "show needs windows, and this corvane-host was built without them: run the Windows build "
                    "(build/win64/corvane-host.exe) under Wine, with xvfb-run where there is no display");
#endif
}

std::vector<std::string> showChildOptions(const ShowOptions& options) {
    std::vector<std::string> arguments{"--show", "--size",
                                       std::to_string(options.proposed.width) + "x" + std::to_string(options.proposed.height)};
    if (options.screenshot) arguments.insert(arguments.end(), {"--screenshot", *options.screenshot});
    return arguments;
}
