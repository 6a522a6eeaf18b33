// Running the built corvane-host from the host harness's tests: where the
// build put it and the test plug-ins, starting it as a child process, and
// files for it to read.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "LoadedLibrary.h"
#include "tools/ChildProcess.h"

/// A file of the build folder, where the tests, the harness and the plug-ins are.
inline std::string inBuild(const std::string& name) { return programFolder() + "/" + name; }

/// The test plug-in built as test_plugin_VARIANT.
inline std::string plugin(const std::string& variant) {
    return inBuild("test_plugin_" + variant + CORVANE_PLUGIN_SUFFIX);
}

/// Runs corvane-host with `arguments`; its output includes standard error.
/// Expects it to start and to exit rather than crash.
inline ChildOutcome host(const std::vector<std::string>& arguments) {
    ChildOutcome outcome = runProgram(inBuild(CORVANE_HOST_FILE), arguments, true);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.exited) << outcome.ending << "\n" << outcome.output;
    return outcome;
}

/// Writes `text` to a file in the build folder and answers its path.
inline std::string fileWith(const std::string& name, const std::string& text) {
    const std::string path = inBuild("host_tool_test_" + name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}
