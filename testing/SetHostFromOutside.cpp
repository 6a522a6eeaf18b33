#include "testing/SetHostFromOutside.h"

#if defined(_WIN32) && defined(__GNUC__)

#include <windows.h>

#include <cstring>

namespace {

/// What the guarded call hands its filter: the call to make and where the
/// text goes.
struct GuardedCall {
    gmpi::IMpLegacyInitialization* object;
    gmpi::IMpUnknown* host;
    std::int32_t answer = 0;
    const char* text = nullptr;
};

void callSetHost(void* context) {
    auto& call = *static_cast<GuardedCall*>(context);
    call.answer = call.object->setHost(call.host);
}

/// The type descriptor name a catchable type of Microsoft's x64 throw
/// information points at, every link an offset from `base`.
const char* catchableTypeName(std::uintptr_t base, std::int32_t catchable) {
    const auto descriptor = *reinterpret_cast<const std::int32_t*>(base + catchable + 4);
    return reinterpret_cast<const char*>(base + descriptor + 16);
}

}  // namespace

// The structured-exception filter of the guarded call below: takes Microsoft's
// C++ exception when one of the types it may be caught as is char* (".PEAD"),
// and leaves every other exception to the handlers further up.
extern "C" LONG corvaneMicrosoftCharPointerFilter(EXCEPTION_POINTERS* pointers, void* establisherFrame) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode != 0xE06D7363 || record.NumberParameters < 4 ||
        record.ExceptionInformation[0] != 0x19930520 || record.ExceptionInformation[2] == 0)
        return EXCEPTION_CONTINUE_SEARCH;
    const std::uintptr_t base = record.ExceptionInformation[3];
    const auto* throwInfo = reinterpret_cast<const std::int32_t*>(record.ExceptionInformation[2]);
    const auto* catchables = reinterpret_cast<const std::int32_t*>(base + throwInfo[3]);
    bool charPointer = false;
    for (std::int32_t k = 0; k < catchables[0] && !charPointer; ++k)
        charPointer = std::strcmp(catchableTypeName(base, catchables[1 + k]), ".PEAD") == 0;
    if (!charPointer) return EXCEPTION_CONTINUE_SEARCH;
    // The guarded call keeps its GuardedCall at 32 bytes into its frame.
    auto* call = *reinterpret_cast<GuardedCall**>(static_cast<char*>(establisherFrame) + 32);
    call->text = *reinterpret_cast<const char* const*>(record.ExceptionInformation[1]);
    return EXCEPTION_EXECUTE_HANDLER;
}

// int corvaneCallGuarded(void (*call)(void*), GuardedCall* context): runs
// call(context) under the C runtime's scope handler with the filter above;
// answers 0 when it returned, 1 when the filter took its exception (the
// frames in between unwound, the exception object read before that).
asm(R"(
    .text
    .p2align 4
    .def corvaneCallGuarded; .scl 3; .type 32; .endef
    .seh_proc corvaneCallGuarded
corvaneCallGuarded:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    movq %rdx, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
corvaneGuardedBegin:
    callq *%rax
    nop
corvaneGuardedEnd:
    xorl %eax, %eax
    addq $56, %rsp
    ret
corvaneGuardedCaught:
    movl $1, %eax
    addq $56, %rsp
    ret
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva corvaneGuardedBegin, corvaneGuardedEnd, corvaneMicrosoftCharPointerFilter, corvaneGuardedCaught
    .text
    .seh_endproc
)");

extern "C" int corvaneCallGuarded(void (*call)(void*), GuardedCall* context);

corvane::testing::SetHostOutcome corvane::testing::setHostFromOutside(gmpi::IMpLegacyInitialization& object,
                                                                       gmpi::IMpUnknown* host) {
    GuardedCall call{&object, host};
    SetHostOutcome outcome;
    try {
        if (corvaneCallGuarded(callSetHost, &call) != 0) {
            outcome.threw = true;
            outcome.microsoftAbi = true;
            outcome.text = call.text != nullptr ? call.text : "";
            return outcome;
        }
        outcome.answer = call.answer;
    } catch (const char* text) {
        // Thrown by code of this program: setHost of an object linked into it.
        outcome.threw = true;
        outcome.text = text != nullptr ? text : "";
    }
    return outcome;
}

#else

corvane::testing::SetHostOutcome corvane::testing::setHostFromOutside(gmpi::IMpLegacyInitialization& object,
                                                                       gmpi::IMpUnknown* host) {
    SetHostOutcome outcome;
    try {
        outcome.answer = object.setHost(host);
    } catch (const char* text) {
        outcome.threw = true;
        outcome.text = text != nullptr ? text : "";
    }
    return outcome;
}

#endif
