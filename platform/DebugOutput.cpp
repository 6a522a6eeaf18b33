#include "platform/DebugOutput.h"

#include <array>
#include <cstddef>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#endif

namespace {

/// Messages are cut to this many bytes: a pipe takes a write up to its atomic
/// size whole, so lines from several threads never interleave.
constexpr std::size_t longest = 1000;

}  // namespace

#ifdef _WIN32

void sayOnDebugOutput(std::string_view text) noexcept {
    // Converted by hand to stay allocation-free: UTF-8 to UTF-16 through the
    // system, into a buffer on the stack.
    std::array<wchar_t, longest + 2> wide{};
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size() < longest ? text.size() : longest),
                                          wide.data(), static_cast<int>(longest));
    const std::size_t end = units > 0 ? static_cast<std::size_t>(units) : 0;
    for (std::size_t i = 0; i < end; ++i)
        if (wide[i] == L'\n' || wide[i] == L'\r') wide[i] = L' ';
    wide[end] = L'\n';
    wide[end + 1] = L'\0';
    OutputDebugStringW(wide.data());
}

#else

void sayOnDebugOutput(std::string_view text) noexcept {
    const char* named = std::getenv(debugOutputVariable);
    if (named == nullptr || *named == '\0') return;
    char* end = nullptr;
    const long descriptor = std::strtol(named, &end, 10);
    if (*end != '\0' || descriptor < 0 || descriptor > 1 << 20) return;
    std::array<char, longest + 1> line{};
    std::size_t size = 0;
    for (; size < text.size() && size < longest; ++size) line[size] = text[size] == '\n' || text[size] == '\r' ? ' ' : text[size];
    line[size++] = '\n';
    // One write, so the line stays whole; a full or closed channel loses it.
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = write(static_cast<int>(descriptor), line.data(), size);
    errno = saved;
}

#endif
