#include "tools/common/CrashNames.h"

#include "tools/common/CrashTelling.h"
#include "tools/common/FaultOwner.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

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

std::string exceptionEnding(unsigned long code, std::string& name) {
    char text[32];
    std::snprintf(text, sizeof text, "exception 0x%08lX", code);
    name = exceptionName(code);
    return text + (name.empty() ? std::string() : " (" + name + ")");
}

#ifdef _WIN32

namespace {

LONG WINAPI endProcess(EXCEPTION_POINTERS* fault) {
    // Where, to a watching parent, before the end that says what.
    tellParentCrashFrames(fault);
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void endQuietlyOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endProcess);
    // 64-bit Windows and Wine swallow a fault raised in a window procedure
    // that DispatchMessage or a system callback called, and Wine's loader one
    // raised in a library's start-up code (it only fails the load): the
    // unhandled filter never sees those and the process goes on half-done.
    // A hardware fault is looked at here first, before any handler of the
    // faulting thread: when the plug-in's own code takes it (its __try
    // scope, a guarded system function it called) it is left to that code.
    // Otherwise the process ends as above once the plug-in's own vectored
    // handlers have had their say: those added first run before this one
    // anyway; for those added last, the ending handler is added again at the
    // end of the list, where the walk over it (Wine's and Windows') reaches
    // it after them. Exceptions a program raises itself (C++ ones among
    // them) are left to the handlers that may catch them.
    struct Fatal {
        // Per thread, the fault record `last` is to end the process for;
        // and the one `last` handler in the list. Both live as long as the
        // process: the handlers are the process's.
        static DWORD armedSlot() {
            static const DWORD slot = TlsAlloc();
            return slot;
        }
        static void*& lastHandler() {
            static void* handler = nullptr;
            return handler;
        }
        static bool isHardwareFault(DWORD code) {
            switch (code) {
                case EXCEPTION_ACCESS_VIOLATION:
                case EXCEPTION_ILLEGAL_INSTRUCTION:
                case EXCEPTION_INT_DIVIDE_BY_ZERO:
                case EXCEPTION_STACK_OVERFLOW:
                case EXCEPTION_PRIV_INSTRUCTION:
                case EXCEPTION_IN_PAGE_ERROR:
                case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
                case EXCEPTION_DATATYPE_MISALIGNMENT: return true;
                default: return false;
            }
        }
        static LONG WINAPI first(EXCEPTION_POINTERS* fault) {
            if (!isHardwareFault(fault->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
            // The thread's last error is the faulting code's, kept as it was.
            const DWORD lastError = GetLastError();
            const LONG verdict = decide(fault);
            SetLastError(lastError);
            return verdict;
        }
        static LONG decide(EXCEPTION_POINTERS* fault) {
            TlsSetValue(armedSlot(), nullptr);
            if (faultIsHandledBelowTheHost(fault)) return EXCEPTION_CONTINUE_SEARCH;
            // A stack overflow leaves no room for more handlers to run.
            if (fault->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW || armedSlot() == TLS_OUT_OF_INDEXES)
                return endProcess(fault);
            if (void* previous = InterlockedExchangePointer(&lastHandler(), nullptr)) RemoveVectoredExceptionHandler(previous);
            void* added = AddVectoredExceptionHandler(0, last);
            if (added == nullptr) return endProcess(fault);
            InterlockedExchangePointer(&lastHandler(), added);
            TlsSetValue(armedSlot(), fault->ExceptionRecord);
            return EXCEPTION_CONTINUE_SEARCH;
        }
        static LONG WINAPI last(EXCEPTION_POINTERS* fault) {
            // A record left armed when the plug-in's handler went on can only
            // meet a later fault that `first` saw (and disarmed) too; an
            // exception raised by code may come back at its address.
            if (!isHardwareFault(fault->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
            const DWORD lastError = GetLastError();
            if (TlsGetValue(armedSlot()) == fault->ExceptionRecord) return endProcess(fault);
            SetLastError(lastError);
            return EXCEPTION_CONTINUE_SEARCH;
        }
    };
    Fatal::armedSlot();
    AddVectoredExceptionHandler(1, Fatal::first);
}

#else

std::string signalEnding(int signal, std::string& name) {
    const char* words = strsignal(signal);
    name = words != nullptr ? words : "";
    return "signal " + std::to_string(signal) + (name.empty() ? "" : " (" + name + ")");
}

void endQuietlyOnCrash() { tellParentWhereOnCrash(); }

#endif
