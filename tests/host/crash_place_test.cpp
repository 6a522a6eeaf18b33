// A crash says where: the module and offset of the fault always, and the
// function, file and line where the module has debug information; when the
// fault is inside a system library (the C library's memcpy), the plug-in's
// frame that called it too. In run's and validate's text and JSON, and in
// validate's JUnit.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "HostToolSupport.h"
#include "tools/common/ControlChannel.h"
#include "tools/common/CrashPlace.h"
#include "tools/common/HostError.h"
#include "tools/common/JsonValue.h"

namespace {

#ifdef _WIN32
const std::string systemLibrary = "C:\\windows\\system32\\msvcrt.dll";
const std::string pluginFile = "Z:\\work\\x\\test_plugin.dll";
#else
const std::string systemLibrary = "/lib/x86_64-linux-gnu/libc.so.6";
const std::string pluginFile = "/work/x/test_plugin.so";
#endif

/// The JSON object of the first line of `output` that holds `part`.
std::optional<JsonValue> jsonLine(const std::string& output, const std::string& part) {
    for (const std::string& line : linesOf(output)) {
        if (line.empty() || line[0] != '{' || !contains(line, part)) continue;
        std::string error;
        return JsonValue::parse(line, error);
    }
    return std::nullopt;
}

std::string fileName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

/// A "where" object: the module whole, an offset, and the function and line
/// in test_plugin.cpp when `withSource`.
void expectPlace(const JsonValue* where, const std::string& module, const std::string& function) {
    ASSERT_NE(where, nullptr);
    ASSERT_NE(where->member("module"), nullptr);
    EXPECT_EQ(fileName(where->member("module")->string), fileName(module));
    ASSERT_NE(where->member("offset"), nullptr);
    EXPECT_EQ(where->member("offset")->string.rfind("0x", 0), 0u);
    if (function.empty()) return;
    ASSERT_NE(where->member("function"), nullptr);
    EXPECT_TRUE(contains(where->member("function")->string, function)) << where->member("function")->string;
    ASSERT_NE(where->member("file"), nullptr);
    EXPECT_EQ(fileName(where->member("file")->string), "test_plugin.cpp");
    ASSERT_NE(where->member("line"), nullptr);
    EXPECT_GT(where->member("line")->number, 0);
}

}  // namespace

TEST(CrashPlace, TheChildsFramesReadBackAndTheCallerOfASystemLibraryIsNamed) {
    struct Row {
        const char* name;
        std::vector<std::string> markers;  // after "frame "
        std::optional<std::uint64_t> at;   // the faulting frame's offset, if one is picked
        std::optional<std::uint64_t> caller;
    };
    const Row cases[] = {
        {"in the plug-in", {"0x1a2b fault " + pluginFile, "0x40 return " + systemLibrary}, 0x1a2b, std::nullopt},
        {"in a system library", {"0x9f00 fault " + systemLibrary, "0x77 return " + systemLibrary, "0x1c00 return " + pluginFile}, 0x9f00, 0x1c00},
        {"in no module", {"0x0 fault ", "0x1c00 return " + pluginFile}, 0x0, 0x1c00},
        {"only callers", {"0x1c00 return " + pluginFile}, std::nullopt, std::nullopt},
        {"nothing readable", {"1a2b fault x", "0x1a2b crash x", "0xzz fault x"}, std::nullopt, std::nullopt},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.name);
        std::string text;
        for (const std::string& marker : row.markers) text += std::string(crashFrameMarker) + " " + marker + "\n";
        const ControlRecord record = ControlRecord::of(text);
        const std::optional<CrashWhere> where = pickCrashWhere(record.crashFrames());
        ASSERT_EQ(where.has_value(), row.at.has_value());
        if (!where) continue;
        EXPECT_EQ(where->frame.offset, *row.at);
        EXPECT_FALSE(where->frame.returnAddress);
        ASSERT_EQ(where->caller.has_value(), row.caller.has_value());
        if (where->caller) {
            EXPECT_EQ(where->caller->offset, *row.caller);
            EXPECT_EQ(where->caller->module, pluginFile);
            EXPECT_TRUE(where->caller->returnAddress);
        }
    }
    EXPECT_EQ(whereWords(CrashWhere{{pluginFile, 0x1a2b, false}, {"f()", "/src/x.cpp", 88, {}}, std::nullopt, {}}),
              "at " + fileName(pluginFile) + "+0x1a2b in f() x.cpp:88");
    EXPECT_EQ(whereWords(CrashWhere{{"", 0, false}, {}, CrashFrame{pluginFile, 0x1c00, true}, {{}, {}, 0, "no debug information for it"}}),
              "at 0x0 (in no module), called from " + fileName(pluginFile) + "+0x1c00 (no debug information for it)");
}

TEST(CrashPlace, ACrashNamesModuleOffsetFunctionAndLineInTextJsonAndJunit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "built with the sanitizers, whose report names the place itself";
#endif
    // validate: the crash in setPin, in a module built with debug information.
    const std::string junit = inBuild("crash_place_test.xml");
    std::remove(junit.c_str());
    const std::string library = plugin("crash_setpin");
    const ChildOutcome text = host({"validate", library, "--include", "unregistered-pins", "--junit", junit});
    EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << text.output;
    const std::string place = " during setPin(-1) at " + fileName(library) + "+0xN in ";
    EXPECT_TRUE(contains(maskOffsets(text.output), place)) << text.output;
    EXPECT_TRUE(contains(text.output, "setPin")) << text.output;
    EXPECT_TRUE(contains(text.output, " test_plugin.cpp:")) << text.output;
    // JUnit: the failure's message attribute holds it.
    const std::string xml = maskOffsets(contentsOf(junit));
    const std::size_t message = xml.find("<error type=\"crash\" message=\"");
    ASSERT_NE(message, std::string::npos) << xml;
    EXPECT_TRUE(contains(xml.substr(message, xml.find('"', message + 32) - message), place)) << xml;

    const ChildOutcome json = host({"validate", library, "--include", "unregistered-pins", "--json"});
    const std::optional<JsonValue> check = jsonLine(json.output, "{\"name\":\"unregistered-pins\"");
    ASSERT_TRUE(check) << json.output;
    EXPECT_EQ(check->member("result")->string, "crash");
    expectPlace(check->member("where"), library, "setPin");

    // run: a fault inside the system's memcpy, named with the plug-in's call of it.
    const std::string script = fileWith("crash_place_copy.txt", "text 0 \"abc\"\nnotify 0\n");
    const std::string copier = plugin("crash_in_library");
    const ChildOutcome run = host({"run", copier, script, "--json"});
    EXPECT_EQ(run.exitCode, static_cast<int>(ExitCode::Crashed)) << run.output;
    const std::string line = maskOffsets(linesOf(run.output).back());
    EXPECT_TRUE(contains(line, ", called from " + fileName(copier) + "+0xN in ")) << run.output;
    EXPECT_TRUE(contains(line, "notifyPin")) << run.output;
    const std::optional<JsonValue> event = jsonLine(run.output, "\"event\":\"crash\"");
    ASSERT_TRUE(event) << run.output;
    const JsonValue* where = event->member("where");
    ASSERT_NE(where, nullptr) << run.output;
    EXPECT_FALSE(contains(where->member("module")->string, "crash_in_library")) << run.output;
    expectPlace(where->member("caller"), copier, "notifyPin");
}
