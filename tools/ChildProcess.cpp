#include "tools/ChildProcess.h"

#include <cstdio>

#include "tools/HostText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#ifdef _WIN32

namespace {

// Quotes one argument so that the child's command-line parser reads it back
// unchanged: backslashes double only before a quote.
std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

std::wstring wide(const std::string& text) {
    const auto units = utf8ToUtf16(text).value_or(u"?");
    return std::wstring(units.begin(), units.end());
}

LONG WINAPI endProcess(EXCEPTION_POINTERS* fault) {
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

ChildOutcome runSelf(const std::vector<std::string>& arguments) {
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    if (length == 0 || length >= 32768) return {};
    return runProgram(utf16ToUtf8(std::u16string(self, self + length)), arguments);
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors) {
    ChildOutcome outcome;
    const std::wstring path = wide(program);
    std::wstring commandLine = quoteArgument(path);
    for (const std::string& argument : arguments) commandLine += L" " + quoteArgument(wide(argument));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = withErrors ? writeEnd : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    outcome.started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                     &process) != 0;
    CloseHandle(writeEnd);
    if (outcome.started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) outcome.output.append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Exception codes have the two top bits set; exit statuses never do.
        outcome.exited = (code & 0xC0000000u) != 0xC0000000u;
        outcome.exitCode = static_cast<int>(code);
        if (!outcome.exited) {
            char text[32];
            std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
            outcome.ending = text;
        }
    }
    CloseHandle(readEnd);
    return outcome;
}

void endQuietlyOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endProcess);
}

#else

ChildOutcome runSelf(const std::vector<std::string>& arguments) {
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return {};
    return runProgram(self, arguments);
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors) {
    ChildOutcome outcome;
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return outcome;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (withErrors) posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    pid_t child = 0;
    outcome.started = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (outcome.started) {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
            if (got > 0) outcome.output.append(buffer, static_cast<std::size_t>(got));
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.exited = WIFEXITED(status);
        outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : 0;
        if (WIFSIGNALED(status))
            outcome.ending = "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    }
    close(pipeEnds[0]);
    return outcome;
}

void endQuietlyOnCrash() {}

#endif
