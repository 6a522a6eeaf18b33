#include "tools/common/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/common/HostText.h"
#include "tools/common/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A start the system refuses for the moment is tried this often, waiting
// 25, 50, 100 ... ms in between (3.2 s in all): long enough for a busy
// machine to catch up, short next to a check's time limit.
constexpr int startAttempts = 8;
constexpr unsigned startRetryMs = 25;

/// "error 2: No such file or directory", as a start failure is reported.
std::string systemMessage(unsigned long error) {
    const std::string words = systemErrorWords(error);
    return "error " + std::to_string(error) + (words.empty() ? "" : ": " + words);
}

/// Hands output to the caller's listener or keeps it in the outcome.
void take(ChildOutcome& outcome, const ChildOptions& options, const char* bytes, std::size_t size) {
    if (options.onOutput) options.onOutput(std::string_view(bytes, size));
    else outcome.output.append(bytes, size);
}

}  // namespace

std::string exceptionName(unsigned long code) {
    switch (code) {
        case 0xC0000005: return "access violation";
        case 0xC00000FD: return "stack overflow";
        case 0xC0000094: return "integer division by zero";
        case 0xC0000095: return "integer overflow";
        case 0xC000001D: return "illegal instruction";
        case 0xC0000096: return "privileged instruction";
        case 0xC000008C: return "array bounds exceeded";
        case 0xC000008E: return "floating-point division by zero";
        case 0xC0000090: return "invalid floating-point operation";
        case 0xC0000006: return "in-page error";
        case 0xC0000374: return "heap corruption";
        case 0xC0000409: return "stack buffer overrun or fast fail";
        case 0xC0000417: return "invalid parameter to a C runtime function";
        case 0x80000003: return "breakpoint";
        case 0x80000002: return "misaligned data";
        case 0xE06D7363: return "C++ exception (Microsoft runtime)";
        case 0x20474343: return "C++ exception (GCC runtime)";
        default: return {};
    }
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors) {
    ChildOptions options;
    options.withErrors = withErrors;
    return runProgram(program, arguments, options);
}

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

// The status a child gets when its time is up; reported as a time-out, never read.
constexpr UINT timedOutStatus = 0xC0DE0011;

/// False for the errors that say the program itself cannot run, which no
/// second try mends; any other refusal may be the machine's state of the moment.
bool mayStartLater(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_EXE_MACHINE_TYPE_MISMATCH:
            return false;
        default:
            return true;
    }
}

}  // namespace

ChildOutcome runSelf(const std::vector<std::string>& arguments, const ChildOptions& options) {
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    if (length == 0 || length >= 32768) {
        ChildOutcome outcome;
        outcome.startError = "this program's own path is unknown (" + systemMessage(GetLastError()) + ")";
        return outcome;
    }
    return runProgram(utf16ToUtf8(std::u16string(self, self + length)), arguments, options);
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildOutcome outcome;
    const auto start = Clock::now();
    const std::wstring path = wide(program);
    std::wstring commandLine = quoteArgument(path);
    for (const std::string& argument : arguments) commandLine += L" " + quoteArgument(wide(argument));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        outcome.startError = "no pipe for its output (" + systemMessage(GetLastError()) + ")";
        return outcome;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    // The input pipe holds the whole input, so writing it never waits for the child.
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    if (options.giveInput) {
        if (!CreatePipe(&inputRead, &inputWrite, &inheritable, static_cast<DWORD>(options.input.size() + 4096))) {
            outcome.startError = "no pipe for its input (" + systemMessage(GetLastError()) + ")";
            CloseHandle(readEnd);
            CloseHandle(writeEnd);
            return outcome;
        }
        SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = options.giveInput ? inputRead : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = options.withErrors ? writeEnd : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    for (int attempt = 0;; ++attempt) {
        outcome.started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                         &startup, &process) != 0;
        if (outcome.started) break;
        const DWORD error = GetLastError();
        if (attempt + 1 == startAttempts || !mayStartLater(error)) {
            outcome.startError = systemMessage(error);
            break;
        }
        Sleep(startRetryMs << attempt);
    }
    CloseHandle(writeEnd);
    if (inputRead != nullptr) CloseHandle(inputRead);
    if (inputWrite != nullptr) {
        DWORD written = 0;
        if (outcome.started && !options.input.empty())
            WriteFile(inputWrite, options.input.data(), static_cast<DWORD>(options.input.size()), &written, nullptr);
        CloseHandle(inputWrite);
    }
    if (outcome.started) {
        // Polls rather than blocks on the pipe, so the time limit holds even
        // when the child writes nothing.
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        char buffer[4096];
        for (bool ended = false;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;  // the child's end is closed
            if (available > 0) {
                DWORD got = 0;
                if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
                take(outcome, options, buffer, got);
                continue;
            }
            if (ended) break;  // drained after the end
            if (options.timeoutSeconds > 0 && Clock::now() >= deadline) {
                outcome.timedOut = true;
                TerminateProcess(process.hProcess, timedOutStatus);
                WaitForSingleObject(process.hProcess, INFINITE);
                ended = true;
                continue;
            }
            ended = WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Exception codes have the top bit set (errors and warnings); exit
        // statuses never do. GCC's C++ exception code, "GCC " in ASCII, has not.
        constexpr DWORD gccException = 0x20474343;
        outcome.exited = !outcome.timedOut && (code & 0x80000000u) == 0 && code != gccException;
        outcome.exitCode = static_cast<int>(code);
        if (!outcome.exited && !outcome.timedOut) {
            char text[32];
            std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
            outcome.ending = text;
            outcome.fault = code;
            outcome.faultName = exceptionName(code);
            if (!outcome.faultName.empty()) outcome.ending += " (" + outcome.faultName + ")";
        }
    }
    CloseHandle(readEnd);
    outcome.seconds = secondsSince(start);
    return outcome;
}

void endQuietlyOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endProcess);
    // 64-bit Windows and Wine swallow a fault raised in a window procedure
    // that DispatchMessage or a system callback called: the unhandled filter
    // never sees it and the process goes on half-done. A hardware fault is
    // caught here first, before any handler, and ends the process as above.
    // Exceptions a program raises itself (C++ ones among them) are left to
    // the handlers that may catch them.
    struct Fatal {
        static LONG WINAPI first(EXCEPTION_POINTERS* fault) {
            switch (fault->ExceptionRecord->ExceptionCode) {
                case EXCEPTION_ACCESS_VIOLATION:
                case EXCEPTION_ILLEGAL_INSTRUCTION:
                case EXCEPTION_INT_DIVIDE_BY_ZERO:
                case EXCEPTION_STACK_OVERFLOW:
                case EXCEPTION_PRIV_INSTRUCTION:
                case EXCEPTION_IN_PAGE_ERROR:
                case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
                case EXCEPTION_DATATYPE_MISALIGNMENT:
                    return endProcess(fault);
                default:
                    return EXCEPTION_CONTINUE_SEARCH;
            }
        }
    };
    AddVectoredExceptionHandler(1, Fatal::first);
}

#else

ChildOutcome runSelf(const std::vector<std::string>& arguments, const ChildOptions& options) {
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        ChildOutcome outcome;
        outcome.startError = "this program's own path is unknown (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        return outcome;
    }
    return runProgram(self, arguments, options);
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildOutcome outcome;
    const auto start = Clock::now();
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int outputEnds[2];
    if (pipe2(outputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its output (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        return outcome;
    }
    int inputEnds[2] = {-1, -1};
    if (options.giveInput && pipe2(inputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its input (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        close(outputEnds[0]);
        close(outputEnds[1]);
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
    if (options.withErrors) posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDERR_FILENO);
    if (options.giveInput) posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    // A write to a child that has died must not end this process: SIGPIPE is
    // ignored here and restored to its default in the child.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    if (options.giveInput) std::signal(SIGPIPE, SIG_IGN);
    pid_t child = 0;
    for (int attempt = 0;; ++attempt) {
        const int error = posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
        outcome.started = error == 0;
        if (outcome.started) break;
        if (attempt + 1 == startAttempts || (error != EAGAIN && error != ENOMEM)) {
            outcome.startError = systemMessage(static_cast<unsigned long>(error));
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(startRetryMs << attempt));
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(outputEnds[1]);
    if (options.giveInput) close(inputEnds[0]);
    int inputFd = options.giveInput ? inputEnds[1] : -1;
    if (inputFd >= 0) fcntl(inputFd, F_SETFL, O_NONBLOCK);
    std::size_t inputSent = 0;
    if (outcome.started) {
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        char buffer[4096];
        bool killed = false;
        for (;;) {
            if (inputFd >= 0 && inputSent == options.input.size()) {
                close(inputFd);
                inputFd = -1;
            }
            pollfd watched[2] = {{outputEnds[0], POLLIN, 0}, {inputFd, POLLOUT, 0}};
            int waitMs = -1;
            if (options.timeoutSeconds > 0 && !killed) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                waitMs = left > 0 ? static_cast<int>(std::min<long long>(left, 60000)) : 0;
            }
            const int ready = poll(watched, inputFd >= 0 ? 2 : 1, waitMs);
            if (ready < 0 && errno != EINTR) break;
            if (ready == 0 && options.timeoutSeconds > 0 && !killed && Clock::now() >= deadline) {
                // Its output pipe closes when it dies; the loop then drains it.
                kill(child, SIGKILL);
                killed = outcome.timedOut = true;
                continue;
            }
            if (inputFd >= 0 && (watched[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
                const ssize_t wrote = write(inputFd, options.input.data() + inputSent, options.input.size() - inputSent);
                if (wrote > 0) inputSent += static_cast<std::size_t>(wrote);
                else if (wrote < 0 && errno != EAGAIN && errno != EINTR) inputSent = options.input.size();  // the child closed it
            }
            if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t got = read(outputEnds[0], buffer, sizeof buffer);
                if (got > 0) take(outcome, options, buffer, static_cast<std::size_t>(got));
                else if (got == 0 || errno != EINTR) break;
            }
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.exited = !outcome.timedOut && WIFEXITED(status);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        if (WIFSIGNALED(status) && !outcome.timedOut) {
            outcome.fault = static_cast<unsigned long>(WTERMSIG(status));
            outcome.faultName = strsignal(WTERMSIG(status));
            outcome.ending = "signal " + std::to_string(WTERMSIG(status)) + " (" + outcome.faultName + ")";
        }
    }
    if (inputFd >= 0) close(inputFd);
    close(outputEnds[0]);
    outcome.seconds = secondsSince(start);
    return outcome;
}

void endQuietlyOnCrash() {}

#endif
