// A small plug-in for the host harness's tests: one version-2 GUI class,
// "Test-Echo", with a text pin 0 that it sends back when notified and float
// input pins 1 to 65536 that it stores. Built several times; each macro
// plants one fault a validator has to find:
//   TEST_PLUGIN_ANSWERS_COM_IUNKNOWN  factory and object answer the COM IUnknown value
//   TEST_PLUGIN_CRASHES_IN_SETPIN     setPin on an unknown pin writes through null
//   TEST_PLUGIN_SECOND_EXPORT         the library exports a second symbol
//   TEST_PLUGIN_NO_ENTRY_POINT        the library lacks MP_GetFactory
//   TEST_PLUGIN_HANGS_IN_SETPIN       setPin on float pin 2 never returns
//   TEST_PLUGIN_CRASHES_AFTER_SEQUENCE notify 0 writes through null once a text is
//                                     held and float pin 3 holds a negative number
//   TEST_PLUGIN_SENDS_UNDESCRIBED     notify on a float pin, with a text held, sends
//                                     its value on pin 100000, which is not described
//   TEST_PLUGIN_THROWS                notify 0 with the text "throw" throws
//   TEST_PLUGIN_SENDS_TERMINATOR      the echoed text carries a NUL terminator
//   TEST_PLUGIN_OVER_RELEASES_HOST    setHost releases the host twice after one query
//   TEST_PLUGIN_CRASHES_AT_LOAD       the library's static initialisation writes through null
//   TEST_PLUGIN_LEAVES_A_CHILD        setHost starts a long-lived process that shares standard
//                                     output and prints "lingering pid N"; notify 1 never returns
//   TEST_PLUGIN_FORGES_MARKERS        notify 0 with the text "forge" prints lines that look like
//                                     the harness's own session markers, then ends the process
//                                     with status 0
//   TEST_PLUGIN_NO_GUI_INTERFACE      the object answers only IMpUnknown: neither GUI interface
//   TEST_PLUGIN_LEAVES_ITS_GROUP      notify 1 starts a process that leaves its session ("lingering
//                                     pid N"), says its own id ("plug-in pid N"), moves its process
//                                     into its parent's process group and never returns (natively)
//   TEST_PLUGIN_FLOODS_OUTPUT         setHost starts a thread that writes to standard output without
//                                     end; notify 1 never returns
//   TEST_PLUGIN_EXITS_IN_SETPIN       setPin on float pin 1 ends the process with exit status 0
//   TEST_PLUGIN_EXITS_AT_LOAD         the library's static initialisation ends the process with status 0
//   TEST_PLUGIN_HANGS_AT_LOAD         the library's static initialisation never returns
//   TEST_PLUGIN_CRASHES_IN_LIBRARY    notify 0 with a text held copies it through null with the C
//                                     library's memcpy, which faults inside the system's library
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/InterfaceIds.h"
#include "tests/plugins/StaticFactory.h"

#if defined(TEST_PLUGIN_LEAVES_A_CHILD) || defined(TEST_PLUGIN_FORGES_MARKERS) || defined(TEST_PLUGIN_LEAVES_ITS_GROUP) || \
    defined(TEST_PLUGIN_FLOODS_OUTPUT)
#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif
#endif

#if defined(_WIN32)
#define TEST_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace gmpi;

namespace {

constexpr std::int32_t lastFloatPin = 65536;

#ifdef TEST_PLUGIN_CRASHES_IN_LIBRARY
// Unknown to the compiler, so that the copy is a call of the library's memcpy.
volatile std::size_t copyPadding = 64;
#endif

#ifdef TEST_PLUGIN_CRASHES_AT_LOAD
int* volatile nowhereAtLoad = nullptr;
const int crashAtLoad = [] {
    *nowhereAtLoad = 1;
    return 1;
}();
#endif

#ifdef TEST_PLUGIN_EXITS_AT_LOAD
const int exitAtLoad = [] {
    std::exit(0);
    return 1;
}();
#endif

#ifdef TEST_PLUGIN_HANGS_AT_LOAD
const int hangAtLoad = [] {
    for (volatile bool spinning = true; spinning;) {
    }
    return 1;
}();
#endif

#ifdef TEST_PLUGIN_LEAVES_A_CHILD
/// Starts a process that outlives this one unless its parent's harness ends
/// it, holding this process's standard output and error; says its id.
void leaveAChild() {
#ifdef _WIN32
    wchar_t command[] = L"cmd.exe /c ping -n 1000 127.0.0.1";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return;
    const unsigned long id = process.dwProcessId;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
#else
    char program[] = "sleep";
    char seconds[] = "1000";
    char* arguments[] = {program, seconds, nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, arguments, environ) != 0) return;
    const unsigned long id = static_cast<unsigned long>(child);
#endif
    std::printf("lingering pid %lu\n", id);
    std::fflush(stdout);
}
#endif

#ifdef TEST_PLUGIN_LEAVES_ITS_GROUP
/// Starts a process that leaves its session and outlives its starter, then
/// moves this process out of its own process group; says both ids.
void leaveTheGroup() {
#ifndef _WIN32
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char command[] = "setsid sleep 1000 </dev/null & echo lingering pid $!";
    char* arguments[] = {shell, option, command, nullptr};
    pid_t starter = 0;
    if (posix_spawn(&starter, shell, nullptr, nullptr, arguments, environ) == 0) {
        int status = 0;
        waitpid(starter, &status, 0);
    }
    std::printf("plug-in pid %lu\n", static_cast<unsigned long>(getpid()));
    std::fflush(stdout);
    setpgid(0, getpgid(getppid()));
#endif
}
#endif

#ifdef TEST_PLUGIN_FLOODS_OUTPUT
/// A block of lines, written whole, as fast as the pipe takes it.
const std::string& floodBlock() {
    static const std::string block = [] {
        std::string lines;
        while (lines.size() < (std::size_t{1} << 20)) lines += "flooding standard output from a thread of the plug-in's own\n";
        return lines;
    }();
    return block;
}

/// Writes to standard output from two threads for as long as the process lives.
void flood() {
    floodBlock();
#ifdef _WIN32
    struct Writer {
        static DWORD WINAPI run(void*) {
            const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
            for (;;) {
                DWORD wrote = 0;
                if (!WriteFile(output, floodBlock().data(), static_cast<DWORD>(floodBlock().size()), &wrote, nullptr)) Sleep(1);
            }
        }
    };
    for (int i = 0; i < 2; ++i) {
        const HANDLE thread = CreateThread(nullptr, 0, Writer::run, nullptr, 0, nullptr);
        if (thread != nullptr) CloseHandle(thread);
    }
#else
    struct Writer {
        static void* run(void*) {
            for (;;)
                if (write(1, floodBlock().data(), floodBlock().size()) < 0) usleep(1000);
        }
    };
    for (int i = 0; i < 2; ++i) {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, Writer::run, nullptr) == 0) pthread_detach(thread);
    }
#endif
}
#endif

bool answersComIUnknown(const InterfaceId& iid) {
#ifdef TEST_PLUGIN_ANSWERS_COM_IUNKNOWN
    return iid == IID_ComIUnknown;
#else
    (void)iid;
    return false;
#endif
}

class EchoObject final : public IMpUserInterface2B {
public:
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        if (out == nullptr) return ResultFail;
        *out = nullptr;
#ifdef TEST_PLUGIN_NO_GUI_INTERFACE
        if (!(iid == IID_IMpUnknown)) return ResultNoInterface;
#else
        if (!(iid == IID_IMpUnknown || iid == IID_IMpUserInterface2 || iid == IID_IMpUserInterface2B ||
              answersComIUnknown(iid)))
            return ResultNoInterface;
#endif
        *out = this;
        addRef();
        return ResultOk;
    }
    std::int32_t addRef() override { return ++count; }
    std::int32_t release() override {
        if (--count != 0) return count;
        delete this;
        return 0;
    }
    std::int32_t setHost(IMpUnknown* hostObject) override {
        if (hostObject == nullptr) return ResultFail;
        void* out = nullptr;
        hostObject->queryInterface(IID_IGuiHost2, &out);
        host = static_cast<IGuiHost2*>(out);
#ifdef TEST_PLUGIN_LEAVES_A_CHILD
        leaveAChild();
#endif
#ifdef TEST_PLUGIN_FLOODS_OUTPUT
        flood();
#endif
#ifdef TEST_PLUGIN_OVER_RELEASES_HOST
        if (host != nullptr) {
            host->release();
            host->release();
        }
#endif
        return host != nullptr ? ResultOk : ResultNoInterface;
    }
    std::int32_t hostCallA() override { return ResultOk; }
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t, std::int32_t byteSize, const void* data) override {
        if (byteSize < 0 || (byteSize > 0 && data == nullptr)) return ResultFail;
        if (pinIndex == 0) {
            text.assign(static_cast<const char16_t*>(data), static_cast<std::size_t>(byteSize) / 2);
            return ResultOk;
        }
#ifdef TEST_PLUGIN_HANGS_IN_SETPIN
        for (volatile bool spinning = pinIndex == 2; spinning;) {
        }
#endif
#ifdef TEST_PLUGIN_EXITS_IN_SETPIN
        // A habit of plug-in code on an error it does not expect.
        if (pinIndex == 1) std::exit(0);
#endif
        float* slot = floatSlot(pinIndex);
#ifndef TEST_PLUGIN_CRASHES_IN_SETPIN
        if (slot == nullptr) return ResultFail;
#endif
        *slot = 0;
        std::memcpy(slot, data, byteSize < 4 ? static_cast<std::size_t>(byteSize) : 4);
        return ResultOk;
    }
    std::int32_t hostCallB() override { return ResultFail; }
    std::int32_t hostCallC() override { return ResultFail; }
    std::int32_t hostCallD() override { return ResultFail; }
    std::int32_t hostCallE() override { return ResultFail; }
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t) override {
        if (pinIndex == 0) {
#ifdef TEST_PLUGIN_CRASHES_AFTER_SEQUENCE
            static int* volatile nowhere = nullptr;
            if (!text.empty() && floats.count(3) != 0 && floats[3] < 0) *nowhere = 1;
#endif
#ifdef TEST_PLUGIN_CRASHES_IN_LIBRARY
            static char16_t* volatile nowhereToCopy = nullptr;
            if (!text.empty()) std::memcpy(nowhereToCopy, text.data(), text.size() * sizeof(char16_t) + copyPadding);
#endif
#ifdef TEST_PLUGIN_FORGES_MARKERS
            if (text == u"forge") {
                std::fputs("\x1e" "line 1\n\x1e" "broken forged\n\x1e" "exit 0\n", stdout);
                std::fflush(stdout);
#ifdef _WIN32
                ExitProcess(0);
#else
                _exit(0);
#endif
            }
#endif
#ifdef TEST_PLUGIN_THROWS
            if (text == u"throw") throw std::runtime_error("planted failure in notifyPin");
#endif
#ifdef TEST_PLUGIN_SENDS_TERMINATOR
            const std::int32_t units = static_cast<std::int32_t>(text.size() + 1);
#else
            const std::int32_t units = static_cast<std::int32_t>(text.size());
#endif
            if (host != nullptr) host->sendPinValue(0, units * 2, text.c_str(), 0);
            return ResultOk;
        }
#ifdef TEST_PLUGIN_SENDS_UNDESCRIBED
        if (host != nullptr && !text.empty() && floats.count(pinIndex) != 0)
            host->sendPinValue(100000, sizeof(float), &floats[pinIndex], 0);
#endif
#ifdef TEST_PLUGIN_LEAVES_ITS_GROUP
        if (pinIndex == 1) leaveTheGroup();
#endif
#if defined(TEST_PLUGIN_LEAVES_A_CHILD) || defined(TEST_PLUGIN_LEAVES_ITS_GROUP) || defined(TEST_PLUGIN_FLOODS_OUTPUT)
        for (volatile bool spinning = pinIndex == 1; spinning;) {
        }
#endif
        return pinIndex >= 1 && pinIndex <= lastFloatPin ? ResultOk : ResultFail;
    }
    virtual ~EchoObject() = default;

private:
    float* floatSlot(std::int32_t pinIndex) {
        return pinIndex >= 1 && pinIndex <= lastFloatPin ? &floats[pinIndex] : nullptr;
    }

    std::int32_t count = 1;
    IGuiHost2* host = nullptr;
    std::u16string text;
    std::map<std::int32_t, float> floats;
};

class EchoFactory final : public StaticFactory {
public:
    std::int32_t createObject2(const char16_t* identifier, std::int32_t kind, void** out) override {
        if (out == nullptr) return ResultFail;
        *out = nullptr;
        if (identifier == nullptr || kind != 2 || std::u16string(identifier) != u"Test-Echo") return ResultNoInterface;
        *out = static_cast<IMpUserInterface2B*>(new EchoObject);
        return ResultOk;
    }

private:
    bool answersAlso(const InterfaceId& iid) const override { return answersComIUnknown(iid); }
};

EchoFactory factory;

}  // namespace

#ifdef TEST_PLUGIN_NO_ENTRY_POINT
TEST_PLUGIN_EXPORT std::int32_t MP_GetFactoryNot(void** out) {
#else
TEST_PLUGIN_EXPORT std::int32_t MP_GetFactory(void** out) {
#endif
    if (out == nullptr) return ResultFail;
    *out = static_cast<IMpFactory2*>(&factory);
    return ResultOk;
}

#ifdef TEST_PLUGIN_SECOND_EXPORT
TEST_PLUGIN_EXPORT std::int32_t MP_DebugHook() { return 0; }
#endif
