#include "tools/common/ChildProcess.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
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
#include <sys/syscall.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
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

/// Cuts the control channel's bytes into lines for the caller's listener or the outcome.
class ControlLines {
public:
    ControlLines(ChildOutcome& childOutcome, const ChildOptions& childOptions) : outcome(childOutcome), options(childOptions) {}

    void take(const char* bytes, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            if (bytes[i] != '\n') pending += bytes[i];
            else finish();
        }
    }
    /// A last line without its line feed still counts.
    void end() {
        if (!pending.empty()) finish();
    }

private:
    void finish() {
        if (options.onControl) options.onControl(pending);
        else outcome.control.append(pending).append(1, '\n');
        pending.clear();
    }

    ChildOutcome& outcome;
    const ChildOptions& options;
    std::string pending;
};

/// The arguments with the control channel's option in front.
std::vector<std::string> withChannel(const std::vector<std::string>& arguments, const std::string& number) {
    std::vector<std::string> all{controlChannelOption, number};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

/// How long a child's output is still read once it has ended: what it wrote
/// before its end is in the pipe already; a process it left behind that
/// escaped its group or job may hold the pipe open for good.
constexpr auto drainTime = std::chrono::milliseconds(500);

/// The stream a child writes its control lines on: each flush is one write.
class ChannelBuffer : public std::streambuf {
protected:
    int overflow(int c) override {
        if (c != traits_type::eof()) held += static_cast<char>(c);
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        held.append(bytes, static_cast<std::size_t>(count));
        return count;
    }
    int sync() override;

public:
    std::string held;
};

bool channelOpen = false;
ChannelBuffer channelBuffer;
std::ostream channelStream(&channelBuffer);

void writeChannel(const char* bytes, std::size_t size);

int ChannelBuffer::sync() {
    writeChannel(held.data(), held.size());
    held.clear();
    return 0;
}

}  // namespace

void tellParent(std::string_view line) {
    if (!channelOpen) return;
    std::string text(line);
    text += '\n';
    writeChannel(text.data(), text.size());
}

std::ostream* parentChannel() { return channelOpen ? &channelStream : nullptr; }

LoadingLibrary::LoadingLibrary() { tellParent(loadingMarker); }

LoadingLibrary::~LoadingLibrary() { tellParent(loadedMarker); }

bool crashedWhileLoading(const ChildOutcome& outcome) {
    if (!outcome.started || outcome.exited || outcome.timedOut) return false;
    bool loading = false;
    std::size_t start = 0;
    while (start < outcome.control.size()) {
        const std::size_t end = std::min(outcome.control.find('\n', start), outcome.control.size());
        const std::string_view line(outcome.control.data() + start, end - start);
        if (line == loadingMarker) loading = true;
        else if (line == loadedMarker) loading = false;
        start = end + 1;
    }
    return loading;
}

std::string startupCrashWords(const ChildOutcome& outcome) { return "its start-up code crashed: " + outcome.ending; }

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

namespace {

HANDLE channelHandle = nullptr;

void writeChannel(const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD wrote = 0;
        if (!WriteFile(channelHandle, bytes, static_cast<DWORD>(size), &wrote, nullptr) || wrote == 0) return;
        bytes += wrote;
        size -= wrote;
    }
}

/// A job that ends every process in it when its last handle closes: the
/// child and whatever it starts.
HANDLE makeJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

/// The handles a child may inherit, as a start-up attribute list; false when
/// the system cannot make one (the child then inherits every inheritable handle).
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : list(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage.resize(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
        if (size == 0 || !InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return;
        initialised = true;
        ready = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, list.data(),
                                          list.size() * sizeof(HANDLE), nullptr, nullptr) != 0;
    }
    ~InheritedHandles() {
        if (initialised) DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data()));
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST attributes() { return ready ? reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data()) : nullptr; }

private:
    std::vector<HANDLE> list;
    std::vector<unsigned char> storage;
    bool initialised = false;
    bool ready = false;
};

/// True for a handle a child can be given: one that exists and may be inherited.
bool mayInherit(HANDLE handle) {
    DWORD flags = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetHandleInformation(handle, &flags) &&
           (flags & HANDLE_FLAG_INHERIT) != 0;
}

/// Reads what the pipe holds now without waiting; false once its every writer is gone.
bool readAvailable(HANDLE pipe, const std::function<void(const char*, std::size_t)>& take, bool& gotSome) {
    char buffer[4096];
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return false;
    take(buffer, got);
    gotSome = true;
    return true;
}

}  // namespace

bool openParentChannel(const std::string& number) {
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || value == 0) return false;
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    if (GetFileType(handle) != FILE_TYPE_PIPE) return false;
    // The plug-in's own children get no copy of it.
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    channelHandle = handle;
    channelOpen = true;
    return true;
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildOutcome outcome;
    const auto start = Clock::now();
    const std::wstring path = wide(program);

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        outcome.startError = "no pipe for its output (" + systemMessage(GetLastError()) + ")";
        return outcome;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE controlRead = nullptr;
    HANDLE controlWrite = nullptr;
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    const auto closeAll = [&] {
        for (HANDLE* handle : {&readEnd, &writeEnd, &controlRead, &controlWrite, &inputRead, &inputWrite}) {
            if (*handle != nullptr) CloseHandle(*handle);
            *handle = nullptr;
        }
    };
    if (options.controlChannel) {
        if (!CreatePipe(&controlRead, &controlWrite, &inheritable, 0)) {
            outcome.startError = "no pipe for its control channel (" + systemMessage(GetLastError()) + ")";
            closeAll();
            return outcome;
        }
        SetHandleInformation(controlRead, HANDLE_FLAG_INHERIT, 0);
    }
    // The input pipe holds the whole input, so writing it never waits for the child.
    if (options.giveInput) {
        if (!CreatePipe(&inputRead, &inputWrite, &inheritable, static_cast<DWORD>(options.input.size() + 4096))) {
            outcome.startError = "no pipe for its input (" + systemMessage(GetLastError()) + ")";
            closeAll();
            return outcome;
        }
        SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    }
    std::wstring commandLine = quoteArgument(path);
    const std::vector<std::string> given =
        options.controlChannel ? withChannel(arguments, std::to_string(reinterpret_cast<std::uintptr_t>(controlWrite))) : arguments;
    for (const std::string& argument : given) commandLine += L" " + quoteArgument(wide(argument));

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = options.giveInput ? inputRead : GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = options.withErrors ? writeEnd : GetStdHandle(STD_ERROR_HANDLE);
    // Only the handles meant for the child are inherited: its standard
    // handles and its control channel, each once.
    std::vector<HANDLE> handed;
    for (HANDLE handle : {startup.StartupInfo.hStdInput, startup.StartupInfo.hStdOutput, startup.StartupInfo.hStdError, controlWrite})
        if (mayInherit(handle) && std::find(handed.begin(), handed.end(), handle) == handed.end()) handed.push_back(handle);
    InheritedHandles inherited(handed);
    startup.lpAttributeList = inherited.attributes();
    const DWORD flags = CREATE_SUSPENDED | (startup.lpAttributeList != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0);
    HANDLE job = makeJob();
    PROCESS_INFORMATION process{};
    for (int attempt = 0;; ++attempt) {
        outcome.started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                         &startup.StartupInfo, &process) != 0;
        if (outcome.started) break;
        const DWORD error = GetLastError();
        if (attempt + 1 == startAttempts || !mayStartLater(error)) {
            outcome.startError = systemMessage(error);
            break;
        }
        Sleep(startRetryMs << attempt);
    }
    if (outcome.started) {
        // In its job before it runs a single instruction, so nothing it starts escapes.
        if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
            CloseHandle(job);
            job = nullptr;
        }
        ResumeThread(process.hThread);
    }
    CloseHandle(writeEnd);
    writeEnd = nullptr;
    if (controlWrite != nullptr) CloseHandle(controlWrite);
    controlWrite = nullptr;
    if (inputRead != nullptr) CloseHandle(inputRead);
    inputRead = nullptr;
    if (inputWrite != nullptr) {
        DWORD written = 0;
        if (outcome.started && !options.input.empty())
            WriteFile(inputWrite, options.input.data(), static_cast<DWORD>(options.input.size()), &written, nullptr);
        CloseHandle(inputWrite);
        inputWrite = nullptr;
    }
    ControlLines control(outcome, options);
    if (outcome.started) {
        // Polls rather than blocks on the pipes, so the time limit holds even
        // when the child writes nothing.
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        bool outputOpen = true;
        bool controlOpen = controlRead != nullptr;
        bool ended = false;
        Clock::time_point drainEnd{};
        const auto takeOutput = [&](const char* bytes, std::size_t size) { take(outcome, options, bytes, size); };
        const auto takeControl = [&](const char* bytes, std::size_t size) { control.take(bytes, size); };
        for (;;) {
            bool gotSome = false;
            if (outputOpen) outputOpen = readAvailable(readEnd, takeOutput, gotSome);
            if (controlOpen) controlOpen = readAvailable(controlRead, takeControl, gotSome);
            if (gotSome) continue;
            if (ended && (!(outputOpen || controlOpen) || Clock::now() >= drainEnd)) break;
            if (!ended && options.timeoutSeconds > 0 && Clock::now() >= deadline) {
                outcome.timedOut = true;
                TerminateProcess(process.hProcess, timedOutStatus);
                WaitForSingleObject(process.hProcess, INFINITE);
            }
            if (!ended && WaitForSingleObject(process.hProcess, outcome.timedOut ? 0 : 5) == WAIT_OBJECT_0) {
                // What it started goes with it; what it wrote is drained.
                if (job != nullptr) TerminateJobObject(job, timedOutStatus);
                ended = true;
                drainEnd = Clock::now() + drainTime;
            } else if (ended) {
                Sleep(5);
            }
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
    } else if (process.hProcess != nullptr) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (job != nullptr) CloseHandle(job);
    control.end();
    closeAll();
    outcome.seconds = secondsSince(start);
    return outcome;
}

void endQuietlyOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endProcess);
    // 64-bit Windows and Wine swallow a fault raised in a window procedure
    // that DispatchMessage or a system callback called, and Wine's loader one
    // raised in a library's start-up code (it only fails the load): the
    // unhandled filter never sees those and the process goes on half-done.
    // A hardware fault is caught here first, before any handler, and ends
    // the process as above. Exceptions a program raises itself (C++ ones
    // among them) are left to the handlers that may catch them. The price:
    // a plug-in that handles its own access violations is reported as crashing.
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

namespace {

/// The descriptor number a child finds its control channel on.
constexpr int childChannelFd = 3;

/// A descriptor that becomes readable when `child` ends (pidfd), or -1 where
/// the system has none; the loop then looks every few milliseconds.
int endNotice(pid_t child) {
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, child, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)child;
    return -1;
}

void writeChannel(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t wrote = write(childChannelFd, bytes, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;  // the parent is gone; nobody listens
        bytes += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
}

}  // namespace

bool openParentChannel(const std::string& number) {
    if (number != std::to_string(childChannelFd) || fcntl(childChannelFd, F_GETFD) < 0) return false;
    // The plug-in's own children get no copy of it.
    fcntl(childChannelFd, F_SETFD, FD_CLOEXEC);
#ifdef __linux__
    // In a process group of its own, a child does not get the terminal's
    // Ctrl-C with its parent: it ends when its parent does instead.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    channelOpen = true;
    return true;
}

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildOutcome outcome;
    const auto start = Clock::now();
    std::vector<std::string> copies{program};
    const std::vector<std::string> given = options.controlChannel ? withChannel(arguments, std::to_string(childChannelFd)) : arguments;
    copies.insert(copies.end(), given.begin(), given.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Every end is close-on-exec here; the child gets its copies through dup2.
    int outputEnds[2];
    if (pipe2(outputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its output (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        return outcome;
    }
    int controlEnds[2] = {-1, -1};
    int inputEnds[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int fd : {outputEnds[0], outputEnds[1], controlEnds[0], controlEnds[1], inputEnds[0], inputEnds[1]})
            if (fd >= 0) close(fd);
    };
    if (options.controlChannel && pipe2(controlEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its control channel (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        closeAll();
        return outcome;
    }
    if (options.giveInput && pipe2(inputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its input (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        closeAll();
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
    if (options.withErrors) posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDERR_FILENO);
    if (options.giveInput) posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    if (options.controlChannel) posix_spawn_file_actions_adddup2(&actions, controlEnds[1], childChannelFd);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors this process inherited without close-on-exec stay out of the child too.
    posix_spawn_file_actions_addclosefrom_np(&actions, options.controlChannel ? childChannelFd + 1 : childChannelFd);
#endif
    // A write to a child that has died must not end this process: SIGPIPE is
    // ignored here and restored to its default in the child. The child leads
    // a process group of its own, so that whatever it starts ends with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
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
    outputEnds[1] = -1;
    if (controlEnds[1] >= 0) close(controlEnds[1]);
    controlEnds[1] = -1;
    if (inputEnds[0] >= 0) close(inputEnds[0]);
    inputEnds[0] = -1;
    int inputFd = options.giveInput ? inputEnds[1] : -1;
    inputEnds[1] = -1;
    if (inputFd >= 0) fcntl(inputFd, F_SETFL, O_NONBLOCK);
    std::size_t inputSent = 0;
    ControlLines control(outcome, options);
    if (outcome.started) {
        const int ended = endNotice(child);
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        Clock::time_point drainEnd{};
        char buffer[4096];
        int status = 0;
        bool reaped = false;
        int outputFd = outputEnds[0];
        int controlFd = controlEnds[0];
        for (;;) {
            if (!reaped) {
                // Ended (looked at without reaping it, so its group id is still
                // its own): what it left behind in its group goes with it.
                siginfo_t info{};
                if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child) {
                    kill(-child, SIGKILL);
                    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
                    }
                    reaped = true;
                    drainEnd = Clock::now() + drainTime;
                } else if (options.timeoutSeconds > 0 && !outcome.timedOut && Clock::now() >= deadline) {
                    kill(-child, SIGKILL);
                    outcome.timedOut = true;
                    continue;
                }
            }
            if (reaped && ((outputFd < 0 && controlFd < 0) || Clock::now() >= drainEnd)) break;
            if (inputFd >= 0 && inputSent == options.input.size()) {
                close(inputFd);
                inputFd = -1;
            }
            pollfd watched[4] = {{outputFd, POLLIN, 0}, {controlFd, POLLIN, 0}, {inputFd, POLLOUT, 0}, {reaped ? -1 : ended, POLLIN, 0}};
            // Poll ignores negative descriptors. Without an end notice the
            // child's end is looked for every 20 ms.
            auto limit = std::chrono::milliseconds(ended >= 0 || reaped ? 60000 : 20);
            if (reaped) limit = std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(drainEnd - Clock::now()));
            else if (options.timeoutSeconds > 0 && !outcome.timedOut)
                limit = std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
            const int ready = poll(watched, 4, static_cast<int>(std::max<long long>(limit.count(), 0)));
            if (ready < 0 && errno != EINTR) break;
            if (ready <= 0) continue;
            if (inputFd >= 0 && (watched[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
                const ssize_t wrote = write(inputFd, options.input.data() + inputSent, options.input.size() - inputSent);
                if (wrote > 0) inputSent += static_cast<std::size_t>(wrote);
                else if (wrote < 0 && errno != EAGAIN && errno != EINTR) inputSent = options.input.size();  // the child closed it
            }
            for (int* fd : {&outputFd, &controlFd}) {
                const pollfd& entry = fd == &outputFd ? watched[0] : watched[1];
                if (*fd < 0 || (entry.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
                const ssize_t got = read(*fd, buffer, sizeof buffer);
                if (got > 0) {
                    if (fd == &outputFd) take(outcome, options, buffer, static_cast<std::size_t>(got));
                    else control.take(buffer, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    *fd = -1;  // closed by every writer; closed here at the end
                }
            }
        }
        if (ended >= 0) close(ended);
        control.end();
        outcome.exited = !outcome.timedOut && WIFEXITED(status);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        if (WIFSIGNALED(status) && !outcome.timedOut) {
            outcome.fault = static_cast<unsigned long>(WTERMSIG(status));
            outcome.faultName = strsignal(WTERMSIG(status));
            outcome.ending = "signal " + std::to_string(WTERMSIG(status)) + " (" + outcome.faultName + ")";
        }
    }
    if (inputFd >= 0) close(inputFd);
    closeAll();
    outcome.seconds = secondsSince(start);
    return outcome;
}

void endQuietlyOnCrash() {}

#endif
