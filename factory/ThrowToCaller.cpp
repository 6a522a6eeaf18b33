#include "factory/ThrowToCaller.h"

#if CORVANE_THROW_TO_CALLER

#include <windows.h>

// The first byte of the module this code is linked into (set by the linker).
extern "C" IMAGE_DOS_HEADER __ImageBase;

// The throw information of a char* as Microsoft's x64 compiler lays it out
// for `throw (char*)text`: the types a handler may take it as (char*, then
// void*), each a type descriptor named by its decorated name, which is what
// the runtime compares with the handler's. Every link is an offset from the
// base of the module holding the tables, handed over with the exception.
// The descriptors' vtable slot stays null: the runtime compares only their
// names, and nothing calls a virtual function of a thrown pointer's type.
// They lie in writable data, as the compiler's own do, since the runtime may
// cache a name it builds in the descriptor.
asm(R"(
    .data
    .p2align 4
corvaneCharPointerType:
    .quad 0, 0
    .asciz ".PEAD"
    .p2align 4
corvaneVoidPointerType:
    .quad 0, 0
    .asciz ".PEAX"
    .section .rdata,"dr"
    .p2align 2
corvaneCharPointerCatchable:
    .long 1                        # a simple type, no copy constructor
    .rva corvaneCharPointerType
    .long 0, -1, 0                 # no displacement
    .long 8                        # the object's size
    .long 0
corvaneVoidPointerCatchable:
    .long 1
    .rva corvaneVoidPointerType
    .long 0, -1, 0
    .long 8
    .long 0
corvaneCharPointerCatchables:
    .long 2
    .rva corvaneCharPointerCatchable
    .rva corvaneVoidPointerCatchable
corvaneCharPointerThrowInfo:
    .long 0                        # not const: char* and const char* handlers both match
    .long 0                        # nothing to destroy
    .long 0
    .rva corvaneCharPointerCatchables
    .text
)");

extern "C" const unsigned char corvaneCharPointerThrowInfo[];

namespace {

// What Microsoft's runtime raises for a C++ throw ("msc" with the error and
// customer bits), and the version of its throw parameters.
constexpr DWORD MicrosoftCxxException = 0xE06D7363;
constexpr ULONG_PTR MicrosoftCxxMagic = 0x19930520;

}  // namespace

bool callerAbi::insideThisModule(const void* address) noexcept {
    const auto base = reinterpret_cast<std::uintptr_t>(&__ImageBase);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + __ImageBase.e_lfanew);
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= base && at - base < headers->OptionalHeader.SizeOfImage;
}

void callerAbi::raiseAsMicrosoftCxx(char* text) {
    // The exception object: this frame stays on the stack until the host's
    // handler has copied the pointer out of it.
    char* volatile object = text;
    const ULONG_PTR parameters[4] = {MicrosoftCxxMagic, reinterpret_cast<ULONG_PTR>(&object),
                                     reinterpret_cast<ULONG_PTR>(corvaneCharPointerThrowInfo),
                                     reinterpret_cast<ULONG_PTR>(&__ImageBase)};
    RaiseException(MicrosoftCxxException, EXCEPTION_NONCONTINUABLE, 4, parameters);
}

#endif
