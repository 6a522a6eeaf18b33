#include "tools/common/CrashNames.h"

#include "tools/common/CrashPlace.h"

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

std::string signalEnding(int signal, std::string& name) {
    const char* words = strsignal(signal);
    name = words != nullptr ? words : "";
    return "signal " + std::to_string(signal) + (name.empty() ? "" : " (" + name + ")");
}

void endQuietlyOnCrash() { tellParentWhereOnCrash(); }

#endif
