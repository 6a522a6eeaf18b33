#include "tools/hosting/PluginLibrary.h"

#include "tools/common/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginLibrary::~PluginLibrary() { close(); }

#ifdef _WIN32

namespace {

// Why LoadLibrary failed, in words a plug-in author acts on.
std::string loadErrorText(DWORD code) {
    switch (code) {
        case ERROR_BAD_EXE_FORMAT: return "it is not a 64-bit Windows library (DLL) for x86-64";
        case ERROR_EXE_MACHINE_TYPE_MISMATCH: return "it is a library for another processor than x86-64";
        case ERROR_MOD_NOT_FOUND: return "a DLL it depends on was not found";
        case ERROR_PROC_NOT_FOUND: return "a DLL it depends on lacks a function it imports";
        case ERROR_DLL_INIT_FAILED: return "its initialisation (DllMain or static constructors) failed";
        case ERROR_ACCESS_DENIED: return "access to the file was denied";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "the file was not found";
        default: break;
    }
    const std::string words = systemErrorWords(code);
    return words.empty() ? "the system refused to load it" : words;
}

}  // namespace

bool PluginLibrary::open(const std::string& path) {
    close();
    const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? units : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
    handle = LoadLibraryW(wide.c_str());
    if (handle == nullptr) lastError = loadErrorText(GetLastError());
    return handle != nullptr;
}

void PluginLibrary::close() {
    if (handle != nullptr) FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

void* PluginLibrary::symbol(const char* name) const {
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

#else

bool PluginLibrary::open(const std::string& path) {
    close();
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        lastError = why != nullptr ? why : "the system refused to load it";
    }
    return handle != nullptr;
}

void PluginLibrary::close() {
    if (handle != nullptr) dlclose(handle);
    handle = nullptr;
}

void* PluginLibrary::symbol(const char* name) const {
    if (handle == nullptr) return nullptr;
    return dlsym(handle, name);
}

#endif
