// Running the built corvane-host from the host harness's tests: where the
// build put it and the test plug-ins, starting it as a child process, files
// for it to read, and its output with times and durations masked.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LoadedLibrary.h"
#include "tools/common/ChildProcess.h"

/// A time limit short enough for a test, long enough for a process to start:
/// under Wine a start takes most of a second, and several seconds on a busy
/// machine; natively a sanitizer-built child beside a Wine test can take a second.
#ifdef _WIN32
inline const std::string shortLimit = "10";
#else
inline const std::string shortLimit = "2";
#endif

/// A file of the build folder, where the tests, the harness and the plug-ins are.
inline std::string inBuild(const std::string& name) { return programFolder() + "/" + name; }

/// The test plug-in built as test_plugin_VARIANT.
inline std::string plugin(const std::string& variant) {
    return inBuild("test_plugin_" + variant + CORVANE_PLUGIN_SUFFIX);
}

/// Where the harness says a test plug-in's pin description was read: its
/// resource on Windows, its side file elsewhere.
inline std::string descriptionOf(const std::string& library) {
#ifdef _WIN32
    return "the PINDESCRIPTION resource of " + library;
#else
    return library + ".pins.json";
#endif
}

/// The legacy test plug-in built as legacy_plugin_VARIANT.
inline std::string legacyPlugin(const std::string& variant) {
    return inBuild("legacy_plugin_" + variant + CORVANE_PLUGIN_SUFFIX);
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

inline std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

/// `text` with each module offset a crash names ("+0x1a2b") as "+0xN": they
/// change with every build of a plug-in.
inline std::string maskOffsets(const std::string& text) {
    std::string masked;
    for (std::size_t at = 0; at < text.size();) {
        masked += text[at];
        if (text.compare(at, 3, "+0x") != 0) {
            ++at;
            continue;
        }
        masked += "0xN";
        at += 3;
        while (at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at]))) ++at;
    }
    return masked;
}

/// The transcript with each line's leading time ("   12.345 ms") as "T ms",
/// and validate's durations (" (12 ms)" at a line's end) left out.
inline std::string maskTimes(const std::string& transcript) {
    std::string masked;
    for (std::string line : linesOf(transcript)) {
        const std::size_t unit = line.find(" ms  ");
        const bool timed = unit != std::string::npos && unit >= 5 && line[unit - 4] == '.' &&
                           line.find_first_not_of(" 0123456789.") >= unit;
        const std::size_t duration = line.rfind(" (");
        if (duration != std::string::npos && line.size() > 4 && line.compare(line.size() - 4, 4, " ms)") == 0 &&
            line.find_first_not_of("0123456789", duration + 2) == line.size() - 4)
            line.erase(duration);
        if (timed) masked += 'T';
        masked.append(line, timed ? unit : 0);
        masked += '\n';
    }
    return masked;
}
