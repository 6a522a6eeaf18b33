#include "tools/hosting/PluginDebugOutput.h"

#include <algorithm>
#include <mutex>

#include "interfaces/InterfaceId.h"
#include "platform/DebugOutput.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace pluginDebugOutput {

namespace {

/// Lines longer than this are cut: a flood from a plug-in stays bounded.
constexpr std::size_t lineLimit = 4000;
constexpr std::size_t keptLimit = 1000;

/// What was heard and not yet taken. Process-wide like the channel itself:
/// a vectored handler has no other place to put what it hears.
struct Heard {
    std::mutex lock;
    std::vector<std::string> lines;
    std::string partial;  // natively, a line still arriving
    bool listening = false;
#ifndef _WIN32
    int readEnd = -1;
#endif
};

Heard& heard() {
    static Heard instance;
    return instance;
}

/// Splits `text` into lines and keeps them; the caller holds the lock.
void keep(Heard& state, const std::string& text) {
    state.partial += text;
    for (std::size_t end; (end = state.partial.find('\n')) != std::string::npos;) {
        std::string line = state.partial.substr(0, end);
        state.partial.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > lineLimit) line.resize(lineLimit);
        if (state.lines.size() < keptLimit) state.lines.push_back(std::move(line));
    }
    if (state.partial.size() > lineLimit) state.partial.resize(lineLimit);
}

#ifdef _WIN32

// The codes the system raises for OutputDebugStringA and, since Windows 10,
// OutputDebugStringW; a debugger, or a handler like this one, takes them.
constexpr DWORD printException = 0x40010006;
constexpr DWORD widePrintException = 0x4001000A;

std::string utf8(const wchar_t* text, std::size_t units) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), out.data(), bytes, nullptr, nullptr);
    return out;
}

LONG WINAPI hear(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    const DWORD code = record.ExceptionCode;
    if ((code != printException && code != widePrintException) || record.NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    // The length counts the terminator; the text is read no further.
    const std::size_t length = static_cast<std::size_t>(record.ExceptionInformation[0]);
    const void* text = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
    try {
        std::string said;
        if (text != nullptr && length > 0) {
            const std::size_t units = std::min<std::size_t>(length - 1, lineLimit);
            said = code == widePrintException ? utf8(static_cast<const wchar_t*>(text), units)
                                              : std::string(static_cast<const char*>(text), units);
        }
        if (said.empty() || said.back() != '\n') said += '\n';
        Heard& state = heard();
        const std::lock_guard<std::mutex> held(state.lock);
        keep(state, said);
    } catch (...) {
        // Out of memory: the message is lost, the plug-in goes on.
    }
    // Taken, as a debugger takes it: the wide form is then not raised again
    // as the narrow one.
    return EXCEPTION_CONTINUE_EXECUTION;
}

#endif

}  // namespace

void listen() {
    Heard& state = heard();
    const std::lock_guard<std::mutex> held(state.lock);
    if (state.listening) return;
#ifdef _WIN32
    // First in line, ahead of the crash handler, which lets these codes pass anyway.
    if (AddVectoredExceptionHandler(1, hear) == nullptr) return;
#else
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    state.readEnd = ends[0];
    // The descriptor the framework writes to is named in the environment it reads.
    if (setenv(debugOutputVariable, std::to_string(ends[1]).c_str(), 1) != 0) {
        close(ends[0]);
        close(ends[1]);
        state.readEnd = -1;
        return;
    }
#endif
    state.listening = true;
}

std::vector<std::string> take() {
    Heard& state = heard();
    const std::lock_guard<std::mutex> held(state.lock);
#ifndef _WIN32
    if (state.readEnd >= 0) {
        char buffer[4096];
        for (ssize_t got; (got = read(state.readEnd, buffer, sizeof buffer)) > 0;)
            keep(state, std::string(buffer, static_cast<std::size_t>(got)));
    }
#endif
    std::vector<std::string> lines;
    lines.swap(state.lines);
    return lines;
}

std::string afterCall(const std::string& line, const std::string& call, std::int32_t answer) {
    // The framework names the call with its pin or index: "notifyPin(3): ...".
    if (call.empty() || line.rfind(call, 0) != 0) return line;
    std::size_t end = call.size();
    if (end < line.size() && line[end] == '(') end = line.find(')', end);
    if (end == std::string::npos || line.compare(end + (line[end] == ')' ? 1 : 0), 2, ": ") != 0) return line;
    if (line[end] == ')') ++end;
    const std::string answered = answer == gmpi::ResultOk          ? "ResultOk"
                                 : answer == gmpi::ResultFail        ? "ResultFail"
                                 : answer == gmpi::ResultNoInterface ? "ResultNoInterface"
                                                                     : std::to_string(answer);
    return line.substr(0, end) + " answered " + answered + line.substr(end);
}

}  // namespace pluginDebugOutput
