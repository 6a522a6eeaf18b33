// Modules built with -DCORVANE_SANITIZE=address (or undefined), run by the native harness,
// which brings in the sanitizer runtime itself: a report in a session is a
// crash of it (exit 12) with the report's first lines, and fuzz finds and
// shrinks it. The fault sits in a timer path that sends nothing, so only the
// native timers and the sanitizer together show it.
#include <gtest/gtest.h>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)

namespace {

const char* twoPeaksThenWait = "float 0 1\nnotify 0\nfloat 0 2\nnotify 0\nwait 50\nrelease\n";

}  // namespace

TEST(SanitizedModule, ARunReportsTheUseAfterReleaseAsACrashWithTheReport) {
    const std::string script = fileWith("two_peaks.txt", twoPeaksThenWait);

    const ChildOutcome good = host({"run", plugin("timer_asan_good"), script, "--strict"});
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_EQ(good.output.find("Sanitizer"), std::string::npos) << good.output;

    const ChildOutcome text = host({"run", plugin("timer_asan_use_after_release"), script});
    EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::Crashed)) << text.output;
    EXPECT_NE(text.output.find("corvane-host: CRASH at " + script + ":5 (wait 50): AddressSanitizer: heap-use-after-free"),
              std::string::npos)
        << text.output;
    // The report's next lines follow, indented: what was read, and where.
    EXPECT_NE(text.output.find("\n    READ of size 4"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("PeakHoldGui::onTimer"), std::string::npos) << text.output;

    const ChildOutcome json = host({"run", plugin("timer_asan_use_after_release"), script, "--json"});
    EXPECT_EQ(json.exitCode, static_cast<int>(ExitCode::Crashed)) << json.output;
    EXPECT_NE(json.output.find("{\"ms\":"), std::string::npos);
    EXPECT_NE(json.output.find("\"event\":\"crash\",\"line\":5,\"at\":\"wait 50\""), std::string::npos) << json.output;
    EXPECT_NE(json.output.find("\"fault\":\"AddressSanitizer: heap-use-after-free"), std::string::npos) << json.output;
    EXPECT_NE(json.output.find("\"report\":[\"AddressSanitizer: heap-use-after-free"), std::string::npos) << json.output;
}

TEST(SanitizedModule, ValidateShowsTheReportInItsTextJsonAndJUnit) {
    // The new level releases the held peak and reads it: the pin checks run into it.
    const std::string library = plugin("timer_asan_reads_released");
    const std::string junit = inBuild("sanitized_module_test_junit.xml");
    const ChildOutcome text = host({"validate", library, "--include", "pin-description", "--junit", junit});
    EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << text.output;
    EXPECT_TRUE(contains(text.output, "CRASH pin-description")) << text.output;
    EXPECT_TRUE(contains(text.output, "\n      AddressSanitizer: heap-use-after-free")) << text.output;
    EXPECT_TRUE(contains(text.output, "in onLevelChanged")) << text.output;
    EXPECT_TRUE(contains(contentsOf(junit), "<error type=\"crash\" message=\"AddressSanitizer: heap-use-after-free")) << contentsOf(junit);

    const ChildOutcome json = host({"validate", library, "--include", "pin-description", "--json"});
    EXPECT_TRUE(contains(json.output, "\"result\":\"crash\",")) << json.output;
    EXPECT_TRUE(contains(json.output, "\"message\":\"AddressSanitizer: heap-use-after-free")) << json.output;
}

TEST(SanitizedModule, OptionsMayComeBeforeTheLibrary) {
    // The harness starts itself again with the runtime whatever the order of its arguments.
    const std::string script = fileWith("huge_peak_first.txt", "float 0 1e7\nnotify 0\nwait 30\n");
    const ChildOutcome text = host({"run", "--timeout", "10", plugin("timer_ubsan_overflow"), script});
    EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::Crashed)) << text.output;
    EXPECT_TRUE(contains(text.output, "runtime error: signed integer overflow")) << text.output;
}

TEST(SanitizedModule, AnUndefinedBehaviourReportIsACrashToo) {
    const std::string script = fileWith("huge_peak.txt", "float 0 1e7\nnotify 0\nwait 30\n");
    const ChildOutcome text = host({"run", plugin("timer_ubsan_overflow"), script});
    EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::Crashed)) << text.output;
    EXPECT_NE(text.output.find("corvane-host: CRASH at " + script + ":3 (wait 30): "), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("runtime error: signed integer overflow"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("PeakHoldGui::onTimer()"), std::string::npos) << text.output;
}

TEST(SanitizedModule, FuzzFindsAndShrinksTheUseAfterRelease) {
    const std::string found = inBuild("sanitized_module_test_found.txt");
    std::remove(found.c_str());
    const ChildOutcome fuzzed = host({"fuzz", plugin("timer_asan_use_after_release"), "--seed", "1", "--out", found});
    EXPECT_EQ(fuzzed.exitCode, static_cast<int>(ExitCode::Crashed)) << fuzzed.output;
    EXPECT_NE(fuzzed.output.find("shortest failing session: "), std::string::npos) << fuzzed.output;
    EXPECT_NE(fuzzed.output.find("AddressSanitizer: heap-use-after-free"), std::string::npos) << fuzzed.output;

    // Two level changes and a wait for the timer are all it takes; the
    // written session replays the crash.
    const std::string session = contentsOf(found);
    EXPECT_NE(session.find("wait "), std::string::npos) << session;
    const ChildOutcome replayed = host({"run", plugin("timer_asan_use_after_release"), found});
    EXPECT_EQ(replayed.exitCode, static_cast<int>(ExitCode::Crashed)) << replayed.output;

    const ChildOutcome clean = host({"fuzz", plugin("timer_asan_good"), "--seed", "1", "--sessions", "20"});
    EXPECT_EQ(clean.exitCode, 0) << clean.output;
}

#endif
