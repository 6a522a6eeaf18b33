#include "tools/common/HarnessCommand.h"

#ifdef _WIN32
#include <windows.h>

#include <iterator>

#include "tools/common/HostText.h"

namespace {

/// This program's path as the system that runs it names it: a Unix path
/// under Wine (which converts it), the Windows path otherwise.
struct OwnPath {
    std::string path;
    bool underWine = false;
};

OwnPath ownPath() {
    OwnPath own;
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (length == 0 || length >= std::size(buffer)) return {"corvane-host.exe", false};
    own.path = utf16ToUtf8(std::u16string(buffer, buffer + length));
    // Wine's own exports say where the program runs and what the path is there.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    own.underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    using UnixName = char*(CDECL*)(const wchar_t*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto unixName =
        kernel != nullptr ? reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name"))) : nullptr;
    if (own.underWine && unixName != nullptr) {
        if (char* converted = unixName(buffer)) {
            own.path = converted;
            HeapFree(GetProcessHeap(), 0, converted);
        }
    }
    return own;
}

}  // namespace

std::string harnessCommand() {
    const OwnPath own = ownPath();
    return own.underWine ? "corvane-wine " + own.path : own.path;
}

std::string harnessCommandInSourceTree() {
    const OwnPath own = ownPath();
    return own.underWine ? "scripts/wine-run.sh PREFIX " + own.path : "";
}

#else

std::string harnessCommand() { return "corvane-host"; }
std::string harnessCommandInSourceTree() { return ""; }

#endif
