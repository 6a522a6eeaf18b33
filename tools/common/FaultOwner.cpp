#include "tools/common/FaultOwner.h"

#ifdef _WIN32

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <cwchar>
#include <initializer_list>

namespace {

enum class Owner { Harness, System, Plugin };

/// A path of up to MAX_PATH units in lower case. No heap is used on the way
/// to a decision: the fault may have happened inside the allocator.
struct LowerPath {
    wchar_t units[MAX_PATH] = {};
    DWORD length = 0;
    void lower() {
        for (DWORD i = 0; i < length; ++i) units[i] = static_cast<wchar_t>(std::towlower(units[i]));
    }
};

/// "c:\windows\": the system's modules live below it. Empty when unknown.
LowerPath windowsDirectory() {
    LowerPath directory;
    const UINT length = GetSystemWindowsDirectoryW(directory.units, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1) return {};
    directory.length = length;
    if (directory.units[length - 1] != L'\\') directory.units[directory.length++] = L'\\';
    directory.lower();
    return directory;
}

/// Code in no module (generated at run time) counts as the plug-in's, as
/// does every module outside the Windows directory but this program.
Owner ownerOf(const void* code, const LowerPath& systemDirectory) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(code), &module))
        return Owner::Plugin;
    if (module == GetModuleHandleW(nullptr)) return Owner::Harness;
    LowerPath path;
    path.length = GetModuleFileNameW(module, path.units, MAX_PATH);
    if (path.length == 0 || path.length >= MAX_PATH || systemDirectory.length == 0) return Owner::Plugin;
    path.lower();
    return path.length >= systemDirectory.length &&
                   std::wmemcmp(path.units, systemDirectory.units, systemDirectory.length) == 0
               ? Owner::System
               : Owner::Plugin;
}

/// Whether `handler` is the C runtime's handler of __try scopes, reached
/// through the module's import thunk (jmp [rip+x]) or a jump. A copy linked
/// into the module itself is not recognised.
bool isScopeHandler(const void* handler) {
    const void* known[5] = {};
    int count = 0;
    for (const wchar_t* name : {L"ntdll.dll", L"msvcrt.dll", L"ucrtbase.dll", L"vcruntime140.dll", L"kernel32.dll"})
        if (HMODULE module = GetModuleHandleW(name))
            if (FARPROC address = GetProcAddress(module, "__C_specific_handler"))
                known[count++] = reinterpret_cast<const void*>(address);
    const auto* code = static_cast<const unsigned char*>(handler);
    for (int hop = 0; hop < 4 && code != nullptr; ++hop) {
        for (int index = 0; index < count; ++index)
            if (code == known[index]) return true;
        std::int32_t displacement = 0;
        if (code[0] == 0xFF && code[1] == 0x25) {
            std::memcpy(&displacement, code + 2, sizeof displacement);
            std::memcpy(&code, code + 6 + displacement, sizeof code);
        } else if (code[0] == 0xE9) {
            std::memcpy(&displacement, code + 1, sizeof displacement);
            code += 5 + displacement;
        } else {
            return false;
        }
    }
    return false;
}

/// As the scope handler will decide for the frame at `pc`: the first scope
/// covering it with an __except (not a __finally) whose filter accepts the
/// fault, or asks to go on where it happened. The filter runs here.
bool scopeTakes(EXCEPTION_POINTERS* fault, DWORD64 imageBase, DWORD64 pc, const void* handlerData, DWORD64 establisher) {
    const auto* table = static_cast<const SCOPE_TABLE_AMD64*>(handlerData);
    using Filter = LONG (*)(EXCEPTION_POINTERS*, void*);
    for (DWORD index = 0; index < table->Count; ++index) {
        const auto& scope = table->ScopeRecord[index];
        if (pc < imageBase + scope.BeginAddress || pc >= imageBase + scope.EndAddress || scope.JumpTarget == 0) continue;
        if (scope.HandlerAddress == EXCEPTION_EXECUTE_HANDLER) return true;
        const auto filter = reinterpret_cast<Filter>(imageBase + scope.HandlerAddress);
        const LONG verdict = filter(fault, reinterpret_cast<void*>(establisher));
        if (verdict == EXCEPTION_EXECUTE_HANDLER || verdict == EXCEPTION_CONTINUE_EXECUTION) return true;
    }
    return false;
}

/// The thread's block: its stack bounds and its chain of handler records.
const NT_TIB* threadBlock() {
    // GCC 12 takes the segment read for an access of an empty array.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
    return reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
}

}  // namespace

bool faultIsHandledBelowTheHost(EXCEPTION_POINTERS* fault) {
    // No stack to walk on, and nothing sound to go back to.
    if (fault->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) return false;
    const LowerPath systemDirectory = windowsDirectory();
    const auto* tib = threadBlock();
    const auto stackLow = reinterpret_cast<DWORD64>(tib->StackLimit);
    const auto stackHigh = reinterpret_cast<DWORD64>(tib->StackBase);
    // Wine's own modules, built by gcc, guard code with records chained from
    // the thread block rather than with unwind tables; its dispatcher calls
    // each when the walk has passed its place on the stack.
    const EXCEPTION_REGISTRATION_RECORD* chained = tib->ExceptionList;
    const auto chainEnd = reinterpret_cast<const EXCEPTION_REGISTRATION_RECORD*>(~static_cast<ULONG_PTR>(0));
    CONTEXT context = *fault->ContextRecord;
    // Records below the fault belong to the dispatch now running, not to a frame.
    while (chained != chainEnd && reinterpret_cast<DWORD64>(chained) < context.Rsp) {
        if (reinterpret_cast<DWORD64>(chained) < stackLow) return false;
        chained = chained->Next;
    }
    bool pluginBelow = false;
    for (int frame = 0; frame < 512; ++frame) {
        const DWORD64 pc = context.Rip;
        if (context.Rsp < stackLow || context.Rsp >= stackHigh) return false;
        const Owner owner = ownerOf(reinterpret_cast<const void*>(pc), systemDirectory);
        if (owner == Owner::Harness) return false;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(pc, &imageBase, nullptr);
        PEXCEPTION_ROUTINE handler = nullptr;
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        if (entry == nullptr) {
            // A leaf function, or a call to no code: the return address is on top.
            std::memcpy(&context.Rip, reinterpret_cast<const void*>(context.Rsp), sizeof context.Rip);
            context.Rsp += sizeof context.Rip;
        } else {
            handler = RtlVirtualUnwind(UNW_FLAG_EHANDLER, imageBase, pc, entry, &context, &handlerData, &establisher, nullptr);
        }
        if (handler != nullptr) {
            // A system function that guards itself keeps its fault; a system
            // handler above the plug-in's code is the dispatch that swallows.
            if (owner == Owner::System) return !pluginBelow;
            // The plug-in's C++ handlers do not count: a catch (...) at the
            // framework's boundary would make a crash a refused call.
            if (isScopeHandler(reinterpret_cast<const void*>(handler)) &&
                scopeTakes(fault, imageBase, pc, handlerData, establisher))
                return true;
        } else {
            for (; chained != chainEnd && reinterpret_cast<DWORD64>(chained) < context.Rsp; chained = chained->Next) {
                if (reinterpret_cast<DWORD64>(chained) < stackLow) return false;
                // Such a record of the plug-in's own is not read: it declines.
                const Owner recordOwner = ownerOf(reinterpret_cast<const void*>(chained->Handler), systemDirectory);
                if (recordOwner == Owner::Harness) return false;
                if (recordOwner == Owner::System) return !pluginBelow;
            }
        }
        if (owner == Owner::Plugin) pluginBelow = true;
        if (context.Rip == 0) return false;
    }
    return false;
}

#endif
