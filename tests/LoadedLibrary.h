// Fixture support for tests that load the built library file next to the test
// program, look up MP_GetFactory and talk to it only through interfaces.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "interfaces/IMpFactory.h"
#include "interfaces/InterfaceIds.h"
#include "tools/hosting/PluginLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

/// The folder of the running test program, where the build puts the library.
inline std::string programFolder() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
#else
    char path[PATH_MAX] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) < 0) return ".";
#endif
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("/\\"));
}

/// The built library, as its file name in the build folder.
inline std::string builtLibraryPath() { return programFolder() + "/" + CORVANE_LIBRARY_FILE; }

/// Loads the built library and holds its IMpFactory2 for the test.
class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.open(builtLibraryPath())) << library.error();
        MpGetFactoryFunction entry = library.entry();
        ASSERT_NE(entry, nullptr);
        void* unknown = nullptr;
        ASSERT_EQ(entry(&unknown), gmpi::ResultOk);
        void* out = nullptr;
        ASSERT_EQ(static_cast<gmpi::IMpUnknown*>(unknown)->queryInterface(gmpi::IID_IMpFactory2, &out), gmpi::ResultOk);
        factory = static_cast<gmpi::IMpFactory2*>(out);
    }

    PluginLibrary library;
    gmpi::IMpFactory2* factory = nullptr;
};
