// validate's checks of objects that draw, run by the built corvane-host on
// the drawing test plug-ins: each planted fault caught by the check meant
// for it, with the host step that led to it, and the correct plug-ins
// passing every check that covers them. Windows under Wine, in Xvfb; the
// composited ones natively too.
#include <gtest/gtest.h>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"

namespace {

struct FaultRow {
    const char* variant;
    std::vector<std::string> options;
    ExitCode exitCode;
    const char* verdict;  // the check's line
    const char* detail;   // the first line below it, or its start
};

void expectCaught(const FaultRow& row) {
    SCOPED_TRACE(row.variant);
    std::vector<std::string> arguments{"validate", plugin(row.variant)};
    arguments.insert(arguments.end(), row.options.begin(), row.options.end());
    const ChildOutcome outcome = host(arguments);
    EXPECT_EQ(outcome.exitCode, static_cast<int>(row.exitCode)) << outcome.output;
    const std::string output = maskTimes(outcome.output);
    EXPECT_TRUE(contains(output, std::string(row.verdict) + "\n      " + row.detail)) << output;
}

/// Full validate on a correct plug-in: every check that covers its objects
/// passes, the others are skipped.
void expectPassesAll(const std::string& variant, const std::vector<std::string>& checks) {
    SCOPED_TRACE(variant);
    const ChildOutcome outcome = host({"validate", plugin(variant)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    const std::string output = maskTimes(outcome.output);
    for (const std::string& check : checks) EXPECT_TRUE(contains(output, "PASS  " + check + "\n")) << output;
    for (const char* verdict : {"FAIL ", "CRASH", "TIMEOUT"}) EXPECT_FALSE(contains(output, verdict)) << output;
}

}  // namespace

TEST(WindowChecks, CompositedCaptureLeftHeldIsCaughtAndACorrectObjectPasses) {
    expectCaught({"composited_keeps_capture", {}, ExitCode::ChecksFailed, "FAIL  composited-requests",
                  "after compositedCallA to compositedCallF (in slot order), the object still holds the mouse capture "
                  "(setCapture: 1, releaseCapture: 0)"});
    expectPassesAll("composited_good", {"graphics-measure", "composited-requests"});
}

#ifndef _WIN32
TEST(WindowChecks, AGdiObjectsWindowChecksAreSkippedWhereThereAreNoWindows) {
    const ChildOutcome outcome = host({"validate", plugin("composited_answers_gdi"), "--include", "graphics-measure,window-open"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_TRUE(contains(maskTimes(outcome.output),
                         "PASS  graphics-measure\nSKIP  window-open\n      cannot run here: the class's objects have a GDI "
                         "window of their own (IMpGraphicsWinGdi), and this build of corvane-host has no windows; run the "
                         "Windows build (under Wine where there is no Windows)\n"))
        << outcome.output;
}
#else
TEST(WindowChecks, EachWindowFaultIsCaughtByItsCheck) {
    const FaultRow cases[] = {
        {"window_close_keeps", {"--include", "window-close"}, ExitCode::ChecksFailed, "FAIL  window-close",
         "after closeWindow the window 0x"},
        // The crash comes with the step that led to it: the click at a quarter of the 240x120 window.
        {"window_crash_click", {"--include", "window-mouse"}, ExitCode::ChecksFailed, "CRASH window-mouse",
         "the check's process ended with exception 0xC0000005 (access violation) during WM_MOUSEMOVE to (60,60), "
         "WM_LBUTTONDOWN at (60,60)"},
        // A fault the system's message dispatch would swallow is a crash all the same.
        {"window_crash_paint", {"--include", "window-paint"}, ExitCode::ChecksFailed, "CRASH window-paint",
         "the check's process ended with exception 0xC0000005 (access violation) during the paint queued after openWindow"},
        // The plug-in's own __try scope in its window procedure, whose filter declines: the
        // dispatch would take the fault next, so it is a crash.
        {"window_own_filter_declines", {"--include", "window-mouse"}, ExitCode::ChecksFailed, "CRASH window-mouse",
         "the check's process ended with exception 0xC0000005 (access violation) during WM_MOUSEMOVE to (60,60), "
         "WM_LBUTTONDOWN at (60,60)"},
        {"window_paint_hangs", {"--include", "window-paint", "--timeout", "3"}, ExitCode::TimedOut, "TIMEOUT window-paint",
         "no answer within 3 s during the paint queued after openWindow; its process was ended"},
    };
    for (const FaultRow& row : cases) expectCaught(row);
}

TEST(WindowChecks, CloseKeepingTheWindowSaysWhatIsLeft) {
    const ChildOutcome outcome = host({"validate", plugin("window_close_keeps"), "--include", "window-close,window-rounds"});
    EXPECT_TRUE(contains(outcome.output, " still exists, hidden (want it destroyed)\n")) << outcome.output;
    EXPECT_TRUE(contains(outcome.output, "      after closeWindow the parent window still holds 1 child window(s)\n")) << outcome.output;
    EXPECT_TRUE(contains(outcome.output, "the library's window class \"DefaultMpWClass\" is still registered")) << outcome.output;
}

TEST(WindowChecks, CorrectWindowedPluginsPassEveryCheck) {
    const std::vector<std::string> windowChecks{"graphics-measure", "window-open",  "window-paint",       "window-mouse",
                                                "window-close",     "window-rounds", "window-release-open"};
    for (const char* variant : {"window_good", "paint", "level_slider"}) expectPassesAll(variant, windowChecks);
}

// Faults the plug-in takes itself in its pin callbacks, paint and click (its
// own __try scope, IsBadReadPtr, its own vectored handlers first and last):
// no crash, and every check passes. The plug-in aborts if one was not taken.
TEST(WindowChecks, FaultsThePluginHandlesItselfAreNoCrash) {
    expectPassesAll("window_handles_own_faults", {"graphics-measure", "described-pins-answered", "window-open", "window-paint",
                                                  "window-mouse", "window-close", "window-rounds", "window-release-open"});
}
#endif
