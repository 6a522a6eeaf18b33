// Loads a plug-in library file the way a host does (LoadLibraryW on Windows,
// dlopen elsewhere) and looks up its entry point by name. Used by the host
// harness and by the tests that drive the built library from outside.
#pragma once

#include <string>

#include "interfaces/MpGetFactory.h"

class PluginLibrary {
public:
    PluginLibrary() = default;
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    ~PluginLibrary();

    /// Loads the library at `path` (UTF-8). False with error() set on failure:
    /// why, in words.
    bool open(const std::string& path);
    /// Unloads it now; the destructor does the same.
    void close();
    /// The address exported under `name`, or null.
    void* symbol(const char* name) const;
    /// MP_GetFactory, or null when the library lacks it.
    MpGetFactoryFunction entry() const { return reinterpret_cast<MpGetFactoryFunction>(symbol("MP_GetFactory")); }
    bool isOpen() const { return handle != nullptr; }
    const std::string& error() const { return lastError; }

private:
    void* handle = nullptr;
    std::string lastError;
};
