// The Windows child runner: a child in a job object that ends with it,
// pipes for its output, input and control channel, and a loop that reads
// them without blocking and looks at the deadline on every pass.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "tools/common/ChildProcess.h"
#include "tools/common/ChildRunner.h"
#include "tools/common/HostText.h"

using namespace childrunner;

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
    char buffer[65536];
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
    const DWORD error = startWithRetries(
        [&]() -> unsigned long {
            return CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                  &startup.StartupInfo, &process) != 0
                       ? 0
                       : GetLastError();
        },
        [](unsigned long refusal) { return mayStartLater(static_cast<DWORD>(refusal)); });
    outcome.started = error == 0;
    if (!outcome.started) outcome.startError = systemMessage(error);
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
    OutputKeeper kept(outcome, options);
    if (outcome.started) {
        // Polls rather than blocks on the pipes, so the time limit holds even
        // when the child writes nothing; and looks at it on every pass, so
        // it holds when the child writes without end too.
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        bool outputOpen = true;
        bool controlOpen = controlRead != nullptr;
        bool ended = false;
        Clock::time_point drainEnd{};
        const auto takeOutput = [&](const char* bytes, std::size_t size) { kept.take(bytes, size); };
        const auto takeControl = [&](const char* bytes, std::size_t size) { control.take(bytes, size); };
        const auto endAll = [&](UINT status) {
            // What it started goes with it.
            TerminateProcess(process.hProcess, status);
            if (job != nullptr) TerminateJobObject(job, status);
        };
        for (;;) {
            bool gotSome = false;
            if (outputOpen) outputOpen = readAvailable(readEnd, takeOutput, gotSome);
            if (controlOpen) controlOpen = readAvailable(controlRead, takeControl, gotSome);
            if (ended && (!(outputOpen || controlOpen) || Clock::now() >= drainEnd)) break;
            if (!ended && options.timeoutSeconds > 0 && !outcome.timedOut && Clock::now() >= deadline) {
                outcome.timedOut = true;
                endAll(timedOutStatus);
            }
            if (ended) {
                if (!gotSome) Sleep(5);
                continue;
            }
            const DWORD state = WaitForSingleObject(process.hProcess, gotSome || outcome.timedOut ? 0 : 5);
            if (state == WAIT_OBJECT_0) {
                if (job != nullptr) TerminateJobObject(job, timedOutStatus);
                ended = true;
                drainEnd = Clock::now() + drainTime;
            } else if (state == WAIT_FAILED) {
                outcome.watchError = "cannot wait for the child process (" + systemMessage(GetLastError()) + ")";
                endAll(timedOutStatus);
                ended = true;
                drainEnd = Clock::now();
            }
        }
        // Ended by now (by itself, or by us above); a wait that cannot be had is not waited for.
        WaitForSingleObject(process.hProcess, 10000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Exception codes have the top bit set (errors and warnings); exit
        // statuses never do. GCC's C++ exception code, "GCC " in ASCII, has not.
        constexpr DWORD gccException = 0x20474343;
        outcome.exited = !outcome.timedOut && outcome.watchError.empty() && (code & 0x80000000u) == 0 && code != gccException;
        outcome.exitCode = static_cast<int>(code);
        if (!outcome.exited && !outcome.timedOut && outcome.watchError.empty()) {
            outcome.fault = code;
            outcome.ending = exceptionEnding(code, outcome.faultName);
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


#endif
