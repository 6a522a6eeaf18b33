// corvane-host as its users run it: the built program, started as a child
// process on the test plug-ins, judged by its output and exit status.
#include <gtest/gtest.h>

#include <sstream>

#include "HostToolSupport.h"
#include "tools/HostError.h"
#include "tools/JsonValue.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// The transcript with each line's leading time ("   12.345 ms") as "T ms".
std::string maskTimes(const std::string& transcript) {
    std::string masked;
    for (const std::string& line : linesOf(transcript)) {
        const std::size_t unit = line.find(" ms  ");
        const bool timed = unit != std::string::npos && unit >= 5 && line[unit - 4] == '.' &&
                           line.find_first_not_of(" 0123456789.") >= unit;
        if (timed) masked += 'T';
        masked.append(line, timed ? unit : 0);
        masked += '\n';
    }
    return masked;
}

}  // namespace

TEST(HostTool, ValidatePassesOnTheLibraryAndAWellBehavedPlugin) {
    for (const std::string& library : {inBuild(CORVANE_LIBRARY_FILE), plugin("good")}) {
        SCOPED_TRACE(library);
        const ChildOutcome outcome = host({"validate", library});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        const auto lines = linesOf(outcome.output);
        ASSERT_EQ(lines.size(), 14u) << outcome.output;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].substr(0, 6), "PASS  ") << lines[i];
        EXPECT_EQ(lines.back(), "13 passed, 0 failed");
    }
}

TEST(HostTool, DemoSessionOnTheLibrary) {
    const ChildOutcome demo = host({"run", inBuild(CORVANE_LIBRARY_FILE), inBuild("demo-session.txt")});
    EXPECT_EQ(demo.exitCode, 0) << demo.output;
    std::string expected =
        "T ms  create \"Orvex-Corvane\" kind 2\n"
        "T ms  setHost -> 0\n"
        "T ms  > float 3 0\n"
        "T ms  < pin 0 text \"0.0000,0.0000,0.0000\"\n"
        "T ms  > text 0 \" 1, 2.5 ,abc\"\n"
        "T ms  > notify 0\n"
        "T ms  < pin 1 float 1\n"
        "T ms  < pin 2 float 2.5\n"
        "T ms  < pin 3 float 0\n"
        "T ms  < pin 0 text \"1.0000,2.5000,0.0000\"\n"
        "T ms  > float 2 7.25\n"
        "T ms  < pin 0 text \"1.0000,7.2500,0.0000\"\n"
        "T ms  > wait 100\n";
#ifdef _WIN32
    // The wait dispatches the thread's messages: the module's one-shot timer re-sends the text.
    expected += "T ms  < pin 0 text \"1.0000,7.2500,0.0000\"\n";
#endif
    expected += "T ms  > release -> 0\n";
    EXPECT_EQ(maskTimes(demo.output), expected);
}

TEST(HostTool, ValidateReportsTheCheckEachBrokenPluginBreaks) {
    struct Row {
        const char* variant;
        const char* verdict;
        const char* detail;
    };
    const Row cases[] = {
        {"com_iunknown", "FAIL  com-iunknown-refused", "      the factory answered 0 for the COM IUnknown value (want -2)"},
        {"crash_setpin", "CRASH unregistered-pins", "      the check's process ended with "},
        {"second_export", "FAIL  export-table", "      exports MP_DebugHook beside MP_GetFactory"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome outcome = host({"validate", plugin(row.variant)});
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed));
        EXPECT_NE(outcome.output.find(std::string(row.verdict) + "\n" + row.detail), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find("\n12 passed, 1 failed\n"), std::string::npos) << outcome.output;
    }
}

TEST(HostTool, ValidateChoosesChecksByName) {
    struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        const char* output;  // the whole output, or with a leading '~' a part of it
    };
    const Row cases[] = {
        {{"validate", plugin("second_export"), "--exclude", "export-table"}, 0, "~\n12 passed, 0 failed\n"},
        {{"validate", plugin("com_iunknown"), "--include", "set-host,com-iunknown-refused", "--in-process"}, 1,
         "~FAIL  com-iunknown-refused\n"},
        {{"validate", plugin("good"), "--include", "object-counting", "--include", "export-table", "--in-process"}, 0,
         "PASS  export-table\nPASS  object-counting\n2 passed, 0 failed\n"},
        {{"validate", plugin("good"), "--include", "no-such-check"}, 2, "~corvane-host: no check called no-such-check"},
        {{"validate", plugin("good"), "--include", "export-table", "--exclude", "export-table"}, 2,
         "~corvane-host: no check left to run"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.arguments[1] + " " + row.arguments[3]);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.output;
        if (row.output[0] == '~') {
            EXPECT_NE(outcome.output.find(row.output + 1), std::string::npos) << outcome.output;
        } else {
            EXPECT_EQ(outcome.output, row.output);
        }
    }
}

TEST(HostTool, EachErrorHasItsOwnExitStatusAndMessage) {
    const std::string goodPins = inBuild("test_plugin.pins.json");
    const std::string unregistered = fileWith(
        "unregistered.pins.json",
        R"({"classes":[{"identifier":"Not-Registered","kind":2,"pins":[{"index":0,"type":"text","direction":"in"}]}]})");
    const std::string badPins = fileWith("bad.pins.json", R"({"classes":[{"identifier":"X"}]})");
    const std::string goodLine = fileWith("good_line.txt", "notify 0\n");
    const std::string badLine = fileWith("bad_line.txt", "text 0 \"1\"\nfloat 2 x\n");
    const std::string tooLarge = fileWith("too_large.txt", "notify 0\nfloat 2 1e39\n");
    struct Row {
        std::vector<std::string> arguments;
        ExitCode code;
        std::string message;
    };
    const Row cases[] = {
        {{"run", inBuild("no_such_plugin.dll")}, ExitCode::MissingFile, "no such library file: "},
        {{"run", plugin("good"), inBuild("no_such_script.txt")}, ExitCode::MissingFile, "cannot read the script file "},
        {{"run", plugin("good"), badLine, "--pins", inBuild("no_such.pins.json")}, ExitCode::MissingFile,
         "cannot read the pin description file "},
        {{"run", plugin("good"), programFolder()}, ExitCode::MissingFile, "cannot read the script file "},
        {{"run", plugin("good"), goodLine, "--pins", programFolder()}, ExitCode::MissingFile,
         "cannot read the pin description file "},
        {{"run", goodPins, goodLine, "--pins", goodPins}, ExitCode::NotALibrary, "cannot load "},
        {{"validate", plugin("no_entry")}, ExitCode::NoEntryPoint, "does not export MP_GetFactory"},
        {{"run", plugin("no_entry"), badLine}, ExitCode::BadScriptLine, "bad_line.txt:2: expected a number after float 2; got 'x'"},
        {{"run", plugin("good"), tooLarge}, ExitCode::ValueTooLarge,
         "too_large.txt:2: value 1e+39 does not fit float pin 2 (largest is 3.4028235e38)"},
        {{"run", plugin("good"), "--pins", unregistered}, ExitCode::ClassNotRegistered, "has no class Not-Registered (kind 2)"},
        {{"run", plugin("good"), "--pins", badPins}, ExitCode::BadPinDescription, "class X: \"kind\" is not a 32-bit integer"},
        {{"run", plugin("good"), "--class", "Test-Echo", "--kind", "3"}, ExitCode::BadPinDescription, "has no class Test-Echo of kind 3"},
        {{"run", plugin("good"), "--colour"}, ExitCode::Usage, "unknown option --colour"},
        {{"run", plugin("good"), "--include", "export-table"}, ExitCode::Usage, "--include is not an option of run"},
        {{"validate", plugin("good"), "--json"}, ExitCode::Usage, "--json is not an option of validate"},
        {{"play", plugin("good")}, ExitCode::Usage, "unknown command play"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.arguments[0] + " " + row.arguments[1]);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_NE(outcome.output.find("corvane-host: "), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find(row.message), std::string::npos) << outcome.output;
    }
}

TEST(HostTool, RunPrintsTheSessionInOrder) {
    const std::string script = fileWith("session.txt",
                                        "# A session on the echo plug-in\n"
                                        "float 3 0\n"
                                        "text 0 \" 1, 2.5 ,abc\"   # delivered, not yet announced\n"
                                        "notify 0\n"
                                        "text 0 \"caf\\u00e9 \\\"\\n\"\n"
                                        "notify 0\n"
                                        "wait 1\n"
                                        "release\n");
    const ChildOutcome text = host({"run", plugin("good"), script});
    EXPECT_EQ(text.exitCode, 0) << text.output;
    EXPECT_EQ(maskTimes(text.output),
              "T ms  create \"Test-Echo\" kind 2\n"
              "T ms  setHost -> 0\n"
              "T ms  > float 3 0\n"
              "T ms  > text 0 \" 1, 2.5 ,abc\"\n"
              "T ms  > notify 0\n"
              "T ms  < pin 0 text \" 1, 2.5 ,abc\"\n"
              "T ms  > text 0 \"caf\xC3\xA9 \\\"\\n\"\n"
              "T ms  > notify 0\n"
              "T ms  < pin 0 text \"caf\xC3\xA9 \\\"\\n\"\n"
              "T ms  > wait 1\n"
              "T ms  > release -> 0\n");

    const ChildOutcome json = host({"run", plugin("good"), script, "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.output;
    std::string events;
    for (const std::string& line : linesOf(json.output)) {
        std::string error;
        const auto object = JsonValue::parse(line, error);
        ASSERT_TRUE(object) << line << ": " << error;
        ASSERT_NE(object->member("ms"), nullptr) << line;
        events += object->member("event")->string + " ";
        if (object->member("event")->string == "sent") {
            EXPECT_EQ(object->member("type")->string, "text");
            EXPECT_EQ(object->member("voice")->number, 0);
        }
    }
    EXPECT_EQ(events, "create setHost float answer text answer notify sent answer text answer notify sent answer wait release ");
}
