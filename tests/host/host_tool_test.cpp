// corvane-host as its users run it: the built program, started as a child
// process on the test plug-ins, judged by its output and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"
#include "tools/common/JsonValue.h"

TEST(HostTool, ValidatePassesOnTheLibraryAndAWellBehavedPlugin) {
    // Each check passes or, where it covers another family, is skipped with
    // the reason and what applies instead.
    struct Row {
        std::string library;
        const char* skipped;  // the check of the other family
        const char* instead;
    };
    const Row cases[] = {
        {inBuild(CORVANE_LIBRARY_FILE), "legacy-set-host", "for these, set-host checks their own setHost"},
        {plugin("good"), "legacy-set-host", "for these, set-host checks their own setHost"},
        {legacyPlugin("good"), "set-host",
         "a legacy object (IMpUserInterface) with composited drawing (IZuGraphicsComposited), and this check covers "
         "version-2 objects; for these, legacy-set-host checks how createObject attaches them"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.library);
        const ChildOutcome outcome = host({"validate", row.library});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        const auto lines = linesOf(outcome.output);
        ASSERT_GE(lines.size(), 18u) << outcome.output;
        int passed = 0;
        int skipped = 0;
        for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
            const std::string verdict = lines[i].substr(0, 6);
            ASSERT_TRUE(verdict == "PASS  " || verdict == "SKIP  ") << lines[i];
            EXPECT_EQ(lines[i].substr(lines[i].size() - 4), " ms)") << "each check shows its duration: " << lines[i];
            passed += verdict == "PASS  ";
            if (verdict == "PASS  ") continue;
            ++skipped;
            EXPECT_EQ(lines[i + 1].rfind("      does not apply: the class's objects are ", 0), 0u) << lines[i + 1];
            if (contains(lines[i], std::string("  ") + row.skipped + " (")) {
                EXPECT_TRUE(contains(lines[i + 1], row.instead)) << lines[i + 1];
            }
            ++i;
        }
        EXPECT_TRUE(contains(outcome.output, std::string("SKIP  ") + row.skipped + " (")) << outcome.output;
        EXPECT_GE(passed, 15);
        EXPECT_EQ(lines[lines.size() - 2], std::to_string(skipped) + " skipped (the reasons are above)");
        EXPECT_EQ(lines.back(), std::to_string(passed) + " passed, 0 failed");
    }
}

TEST(HostTool, DemoSessionOnTheLibrary) {
    const ChildOutcome demo = host({"run", inBuild(CORVANE_LIBRARY_FILE), inBuild("demo-session.txt")});
    EXPECT_EQ(demo.exitCode, 0) << demo.output;
    const std::string expected =
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
        "T ms  > wait 100\n"
        // The wait lets the module's one-shot timer re-send the text: under
        // Windows through the thread's messages, natively through the timer entry.
        "T ms  < pin 0 text \"1.0000,7.2500,0.0000\"\n"
        "T ms  > release -> 0\n";
    EXPECT_EQ(maskTimes(demo.output), expected);
}

TEST(HostTool, ValidateReportsTheCheckEachBrokenPluginBreaks) {
    const std::string extraPin = fileWith(
        "extra_pin.pins.json", R"({"classes":[{"identifier":"Test-Echo","kind":2,"pins":[
          {"index":0,"type":"text","direction":"in-out"},{"index":1,"type":"float","direction":"in","repeat":true},
          {"index":70000,"type":"text","direction":"in"}]}]})");
    struct Row {
        std::vector<std::string> arguments;
        const char* verdict;
        const char* detail;
    };
    const Row cases[] = {
        {{plugin("com_iunknown")}, "FAIL  com-iunknown-refused", "      the factory answered 0 for the COM IUnknown value (want -2)"},
#if defined(__SANITIZE_ADDRESS__)
        // Built with the sanitizers, the plug-in's null write is caught by
        // their runtime, which reports it and ends the process with status 1.
        {{plugin("crash_setpin")}, "CRASH unregistered-pins",
         "      the plug-in ended the process (exit status 1) during setPin(-1)"},
#else
        {{plugin("crash_setpin")}, "CRASH unregistered-pins", "      the check's process ended with "},
#endif
        {{plugin("second_export")}, "FAIL  export-table", "      exports MP_DebugHook beside MP_GetFactory"},
        // A pin the description declares but the plug-in never registered.
        {{plugin("good"), "--pins", extraPin}, "FAIL  described-pins-answered",
         "      described text pin 70000 is not answered: setPin -1, notifyPin -1, nothing sent"},
        {{plugin("terminator")}, "FAIL  described-types",
         "      sent on pin 0 (text \"\\u0000\") during notifyPin(0): a text holds a NUL unit (texts go without a terminator)\n"
         "      sent on pin 0 (text \"1,2.5\\u0000\") during notifyPin(0): a text holds a NUL unit (texts go without a terminator)"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.arguments[0]);
        std::vector<std::string> arguments{"validate"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const ChildOutcome outcome = host(arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed));
        const std::string output = maskTimes(outcome.output);
        EXPECT_TRUE(contains(output, std::string(row.verdict) + "\n" + row.detail)) << output;
        EXPECT_TRUE(contains(output, "\n14 passed, 1 failed\n")) << output;
    }
}

TEST(HostTool, ValidateWritesJsonAndJunit) {
    const std::string junit = inBuild("host_tool_test_results.xml");
    std::remove(junit.c_str());
    const ChildOutcome outcome = host({"validate", plugin("com_iunknown"), "--json", "--junit", junit});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed));
    std::map<std::string, std::string> results;
    for (const std::string& line : linesOf(outcome.output)) {
        std::string error;
        const auto object = JsonValue::parse(line, error);
        ASSERT_TRUE(object) << line << ": " << error;
        for (const char* member : {"name", "result", "message"})
            ASSERT_EQ(object->member(member)->kind, JsonValue::Kind::String) << line;
        ASSERT_EQ(object->member("duration")->kind, JsonValue::Kind::Number) << line;
        EXPECT_GT(object->member("duration")->number, 0) << line;
        const std::string& result = object->member("result")->string;
        const std::string& message = object->member("message")->string;
        results[object->member("name")->string] = result;
        if (result == "fail") {
            EXPECT_TRUE(contains(message, "answered 0 for the COM IUnknown value")) << line;
        } else if (result == "skip") {
            EXPECT_EQ(message.rfind("does not apply: the class's objects are a version-2 object", 0), 0u) << line;
        } else {
            EXPECT_EQ(result, "pass") << line;
        }
    }
    EXPECT_EQ(results["com-iunknown-refused"], "fail");
    EXPECT_EQ(results["legacy-set-host"], "skip");
    EXPECT_EQ(results["set-host"], "pass");
    EXPECT_EQ(std::count_if(results.begin(), results.end(), [](const auto& each) { return each.second == "pass"; }), 14);

    const std::string xml = contentsOf(junit);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites tests=\"", 0), 0u) << xml;
    EXPECT_TRUE(contains(xml, "\" failures=\"1\" errors=\"0\" skipped=\"")) << xml;
    EXPECT_TRUE(contains(xml, "name=\"legacy-set-host\" time=\"")) << xml;
    EXPECT_TRUE(contains(xml, "\">\n      <skipped message=\"does not apply: the class's objects are a version-2 object")) << xml;
    EXPECT_TRUE(contains(xml, "<testcase classname=\"corvane-host.validate\" name=\"export-table\" time=\"")) << xml;
    EXPECT_TRUE(contains(xml, "name=\"com-iunknown-refused\"")) << xml;
    EXPECT_TRUE(contains(xml, "<failure type=\"fail\" message=\"the factory answered 0 for the COM IUnknown value (want -2)\">"))
        << xml;
    EXPECT_TRUE(contains(xml, "</testsuite>\n</testsuites>\n")) << xml;
}

TEST(HostTool, ValidateChoosesChecksByName) {
    struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        const char* output;  // the whole output, or with a leading '~' a part of it
    };
    const Row cases[] = {
        {{"validate", plugin("second_export"), "--exclude", "export-table"}, 0, "~\n14 passed, 0 failed\n"},
        {{"validate", plugin("com_iunknown"), "--include", "set-host,com-iunknown-refused", "--in-process"}, 1,
         "~FAIL  com-iunknown-refused\n"},
        {{"validate", plugin("good"), "--include", "object-counting", "--include", "export-table", "--in-process"}, 0,
         "PASS  export-table\nPASS  object-counting\n2 passed, 0 failed\n"},
        {{"validate", plugin("good"), "--include", "no-such-check"}, 2, "~corvane-host: no check called no-such-check"},
        // An object no host can deliver pins to fails, rather than passing on skips.
        {{"validate", plugin("no_gui"), "--include", "object-identity,set-host"}, 1,
         "~FAIL  object-identity"},
        {{"validate", plugin("good"), "--include", "export-table", "--exclude", "export-table"}, 2,
         "~corvane-host: no check left to run"},
        // Skipped is not passed: a selection that checks nothing is a usage error.
        {{"validate", plugin("good"), "--include", "legacy-set-host"}, 2,
         "~SKIP  legacy-set-host\n      does not apply: the class's objects are a version-2 object (IMpUserInterface2B), and this "
         "check covers legacy objects; for these, set-host checks their own setHost\n1 skipped (the reasons are above)\n"
         "0 passed, 0 failed\ncorvane-host: none of the checks chosen with --include and --exclude applies to this "
         "class's objects, so nothing was checked"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.arguments[1] + " " + row.arguments[3]);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.output;
        const std::string output = maskTimes(outcome.output);
        if (row.output[0] == '~') {
            EXPECT_TRUE(contains(output, row.output + 1)) << output;
        } else {
            EXPECT_EQ(output, row.output);
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
    // The first bytes of a Windows program, and nothing a loader can use after them.
    const std::string fakeDll = fileWith("fake.dll", "MZ" + std::string(300, '\x01'));
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
        {{"run", goodPins, goodLine, "--pins", goodPins}, ExitCode::NotALibrary,
         "test_plugin.pins.json is not a library: its first bytes are not those of "},
        {{"validate", programFolder()}, ExitCode::MissingFile, "is a folder, not a library file; the libraries in it: "},
#ifdef _WIN32
        {{"run", fakeDll, goodLine, "--pins", goodPins}, ExitCode::NotALibrary,
         "fake.dll is not a library this host can load: it is not a 64-bit Windows library (DLL) for x86-64"},
#else
        {{"run", fakeDll, goodLine, "--pins", goodPins}, ExitCode::NotALibrary,
         "fake.dll is not a library: its first bytes are not those of an ELF shared library"},
#endif
        {{"validate", plugin("no_entry")}, ExitCode::NoEntryPoint, "does not export MP_GetFactory"},
        {{"run", plugin("no_entry"), badLine}, ExitCode::BadScriptLine, "bad_line.txt:2: expected a number after float 2; got 'x'"},
        {{"run", plugin("good"), tooLarge}, ExitCode::ValueTooLarge,
         "too_large.txt:2: value 1e+39 does not fit float pin 2 (largest is 3.4028235e38)"},
        {{"run", plugin("good"), "--pins", unregistered}, ExitCode::ClassNotRegistered, "has no class Not-Registered (kind 2)"},
        {{"run", plugin("good"), "--pins", badPins}, ExitCode::BadPinDescription, "class X: \"kind\" is not a 32-bit integer"},
        {{"run", plugin("good"), "--class", "Test-Echo", "--kind", "3"}, ExitCode::BadPinDescription, "has no class Test-Echo of kind 3"},
        {{"run", plugin("good"), "--colour"}, ExitCode::Usage, "unknown option --colour"},
        {{"run", plugin("good"), "--include", "export-table"}, ExitCode::Usage, "--include is not an option of run"},
        {{"validate", plugin("good"), "--strict"}, ExitCode::Usage, "--strict is not an option of validate"},
        {{"validate", plugin("good"), "--timeout", "soon"}, ExitCode::Usage, "--timeout needs seconds (0 to 1000000), not soon"},
        {{"fuzz", plugin("good"), "--sessions", "0"}, ExitCode::Usage, "--sessions needs a count from 1 to 1000000, not 0"},
        {{"play", plugin("good")}, ExitCode::Usage, "unknown command play"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.arguments[0] + " " + row.arguments[1]);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_NE(outcome.output.find("corvane-host: "), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find(row.message), std::string::npos) << outcome.output;
        EXPECT_FALSE(contains(outcome.output, "(error ")) << "a Windows error number without words: " << outcome.output;
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
