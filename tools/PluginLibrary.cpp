#include "tools/PluginLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginLibrary::~PluginLibrary() { close(); }

#ifdef _WIN32

bool PluginLibrary::open(const std::string& path) {
    close();
    const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? units : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
    handle = LoadLibraryW(wide.c_str());
    if (handle == nullptr) lastError = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
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
        lastError = why != nullptr ? why : "cannot load " + path;
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
