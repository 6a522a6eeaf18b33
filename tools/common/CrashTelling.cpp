#include "tools/common/CrashTelling.h"

#include <cstdint>
#include <cstring>

#include "tools/common/ControlChannel.h"
#include "tools/common/CrashPlace.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <execinfo.h>
#include <limits.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>
#endif

namespace {

/// How many callers of the faulting frame the child names.
constexpr int callerFrames = 8;

/// One marker line built without allocating: a handler's only buffer.
class MarkerLine {
public:
    void add(const char* text) {
        for (; *text != '\0' && size < sizeof text_ - 1; ++text) text_[size++] = *text;
    }
    void addHex(std::uint64_t value) {
        char digits[16];
        int count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value & 0xF];
            value >>= 4;
        } while (value != 0);
        while (count > 0 && size < sizeof text_ - 1) text_[size++] = digits[--count];
    }
    /// Sends it, ended by a line feed.
    void send() {
        text_[size++] = '\n';
        tellParentRaw(text_, size);
    }

private:
    char text_[4200];
    std::size_t size = 0;
};

/// Tells one frame: `address` in `module` (empty: none), whose start is `base`.
void tellFrame(std::uintptr_t address, std::uintptr_t base, const char* module, bool returnAddress) {
    MarkerLine line;
    line.add(crashFrameMarker);
    line.add(" 0x");
    line.addHex(address - base);
    line.add(returnAddress ? " return " : " fault ");
    line.add(module);
    line.send();
}

}  // namespace

#ifdef _WIN32

void tellParentWhereOnCrash() {}

void tellParentCrashFrames(const void* pointers) {
    // A fault while telling (a stack too broken to walk) comes back through
    // the same handler: it then ends the process without a second telling.
    static volatile LONG telling = 0;
    if (InterlockedExchange(&telling, 1) != 0 || !hasParentChannel()) return;
    const auto* fault = static_cast<const EXCEPTION_POINTERS*>(pointers);
    // An overflowed stack has no room for the telling: a fault in it would
    // end the process with another code than the overflow's.
    if (fault->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) return;
    const auto tell = [](std::uintptr_t address, bool returnAddress) {
        HMODULE module = nullptr;
        wchar_t wide[1024];
        char path[4096] = "";
        // A return address may be just past its module's last byte: its call is inside.
        const auto inside = reinterpret_cast<LPCWSTR>(address - (returnAddress ? 1 : 0));
        if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, inside, &module)) {
            const DWORD length = GetModuleFileNameW(module, wide, 1024);
            if (length > 0 && length < 1024) {
                const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), path, sizeof path - 1, nullptr, nullptr);
                path[bytes > 0 ? bytes : 0] = '\0';
            }
        }
        tellFrame(address, path[0] != '\0' ? reinterpret_cast<std::uintptr_t>(module) : 0, path, returnAddress);
    };
    tell(reinterpret_cast<std::uintptr_t>(fault->ExceptionRecord->ExceptionAddress), false);
#if defined(__x86_64__) || defined(_M_X64)
    // The callers, unwound from the fault's own context by the unwind tables
    // every x86-64 module carries; a function without one (a leaf) has its
    // return address on the top of the stack.
    CONTEXT context = *fault->ContextRecord;
    for (int i = 0; i < callerFrames; ++i) {
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function != nullptr) {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData, &establisher, nullptr);
        } else {
            if (context.Rsp == 0) break;
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += 8;
        }
        if (context.Rip == 0) break;
        tell(static_cast<std::uintptr_t>(context.Rip), true);
    }
#endif
}

#else

namespace {

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

std::uintptr_t faultAddress(const void* context) {
    const auto* user = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(user->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(user->uc_mcontext.pc);
#else
    (void)user;
    return 0;
#endif
}

void tellNativeFrame(std::uintptr_t address, bool returnAddress) {
    Dl_info info{};
    // A return address may be just past its module's last byte: its call is inside.
    const bool named = dladdr(reinterpret_cast<void*>(address - (returnAddress ? 1 : 0)), &info) != 0 && info.dli_fname != nullptr;
    tellFrame(address, named ? reinterpret_cast<std::uintptr_t>(info.dli_fbase) : 0, named ? info.dli_fname : "", returnAddress);
}

void onFatalSignal(int number, siginfo_t*, void* context) {
    // The handler was reset on entry (SA_RESETHAND): a fault in here ends the process as it would have.
    const std::uintptr_t pc = faultAddress(context);
    tellNativeFrame(pc, false);
    // The walk passes through this handler and the signal's frame, then the
    // faulting one (by its exact address) and its callers.
    void* frames[callerFrames + 16];
    const int count = backtrace(frames, static_cast<int>(std::size(frames)));
    for (int i = 0; i < count; ++i) {
        if (reinterpret_cast<std::uintptr_t>(frames[i]) != pc) continue;
        for (int caller = i + 1; caller < count && caller <= i + callerFrames; ++caller)
            tellNativeFrame(reinterpret_cast<std::uintptr_t>(frames[caller]), true);
        break;
    }
    // Ends as the fault would have: by the signal, with its default action,
    // once this handler returns (the signal is blocked until then).
    raise(number);
}

}  // namespace

void tellParentWhereOnCrash() {
    // The sanitizers report the place themselves, and their own handlers must stay.
    if (!hasParentChannel() || dlsym(RTLD_DEFAULT, "__sanitizer_print_stack_trace") != nullptr) return;
    // A stack of its own, so that a stack overflow can be told too (on the
    // thread that installs it; a plug-in's thread uses its own stack).
    // Process-wide by nature, as the signals' handlers are.
    static char handlerStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof handlerStack;
    sigaltstack(&stack, nullptr);
    // The walk's first use loads the unwinder; done here, not in the handler.
    void* warm[2];
    backtrace(warm, 2);
    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int number : fatalSignals) sigaction(number, &action, nullptr);
}

#endif
