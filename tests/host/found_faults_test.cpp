// Faults that used to pass every command, each planted in a test plug-in and
// now found by the built corvane-host wherever it happens: an exception a
// framework module's callback lets out to the boundary guard (natively, in
// a module built with AddressSanitizer, and under Wine), a send on a pin
// the description lacks (window checks included), GDI objects made in paint
// and never deleted (under Wine, where GetGuiResources answers 0), and a
// class the library does not register.
#include <gtest/gtest.h>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"

namespace {

const std::string stoiWords = "notifyPin(0) answered ResultFail: an exception left the module's callback: std::invalid_argument: stoi";

std::vector<std::string> throwingVariants() {
#ifdef _WIN32
    return {"throws_stoi"};
#else
    return {"throws_stoi", "throws_stoi_asan"};
#endif
}

}  // namespace

TEST(FoundFaults, AnExceptionTheFrameworkCaughtFailsRunFuzzAndValidate) {
    const std::string script = fileWith("stoi.txt", "text 0 \"gain\"\nnotify 0\n");
    for (const std::string& variant : throwingVariants()) {
        SCOPED_TRACE(variant);
        const ChildOutcome run = host({"run", plugin(variant), script, "--timeout", shortLimit});
        EXPECT_EQ(run.exitCode, static_cast<int>(ExitCode::Crashed)) << run.output;
        EXPECT_TRUE(contains(run.output, "corvane-host: CRASH at " + script + ":2 (notify 0): " + stoiWords + ";")) << run.output;

        const ChildOutcome validate = host({"validate", plugin(variant), "--include", "pin-description,set-host"});
        EXPECT_EQ(validate.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << validate.output;
        EXPECT_TRUE(contains(maskTimes(validate.output), "FAIL  pin-description\n      " + stoiWords + "\n")) << validate.output;
        EXPECT_TRUE(contains(maskTimes(validate.output), "PASS  set-host\n")) << validate.output;
    }
#ifndef _WIN32
    // The fuzzer's texts find it too, and the replay line says so again.
    const std::string out = inBuild("host_tool_test_fuzz_stoi.txt");
    const ChildOutcome fuzz = host({"fuzz", plugin("throws_stoi"), "--seed", "1", "--sessions", "20", "--out", out});
    EXPECT_EQ(fuzz.exitCode, static_cast<int>(ExitCode::Crashed)) << fuzz.output;
    EXPECT_TRUE(contains(fuzz.output, "an exception left the module's callback: std::invalid_argument: stoi")) << fuzz.output;
#endif
}

TEST(FoundFaults, ASendOnAnUndescribedPinNamesTheDescriptionInEveryCheck) {
#ifdef _WIN32
    // A click's send, seen by a window check, which no pin check would make.
    const ChildOutcome outcome = host({"validate", plugin("window_undescribed_click"), "--include", "window-mouse,pin-description"});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << outcome.output;
    const std::string output = maskTimes(outcome.output);
    EXPECT_TRUE(contains(output, "PASS  pin-description\n")) << output;
    EXPECT_TRUE(contains(output, "FAIL  window-mouse\n      sent on pin 2 (raw bytes[4] 0000803f) during WM_MOUSEMOVE to (60,60), "
                                 "WM_LBUTTONDOWN at (60,60): pin 2 is not in the pin description (" +
                                     descriptionOf(plugin("window_undescribed_click")) + ")\n"))
        << output;
#else
    const ChildOutcome outcome = host({"validate", plugin("undescribed_send"), "--include", "pin-description,described-types"});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << outcome.output;
    // Said by the host object, once, in each check that drew the send.
    const std::string said = "sent on pin 100000 (raw bytes[4] 0000c03f) during notifyPin(1): pin 100000 is not in the pin description (" +
                             descriptionOf(plugin("undescribed_send")) + ")\n";
    EXPECT_TRUE(contains(maskTimes(outcome.output), "FAIL  pin-description\n      " + said)) << outcome.output;
    EXPECT_TRUE(contains(maskTimes(outcome.output), "FAIL  described-types\n      " + said)) << outcome.output;
#endif
}

TEST(FoundFaults, AClassTheLibraryLacksIsSaidOnceWithTheClassesItHas) {
    const std::string pins = fileWith("missing_class.pins.json", R"({"classes":[
        {"identifier":"Test-Missing","kind":2,"pins":[{"index":0,"type":"float","direction":"in"}]},
        {"identifier":"Test-Echo","kind":2,"pins":[{"index":0,"type":"text","direction":"in-out"}]}]})");
    const ChildOutcome outcome = host({"validate", plugin("good"), "--pins", pins});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ClassNotRegistered)) << outcome.output;
    EXPECT_EQ(outcome.output, "corvane-host: the factory of " + plugin("good") +
                                  " has no class Test-Missing (kind 2); of the classes its pin description names, it registers: "
                                  "Test-Echo (kind 2) (choose one with --class, and --kind where it differs)\n");
}

#ifdef _WIN32
TEST(FoundFaults, GdiObjectsMadeInPaintAndNeverDeletedFailWindowRoundsWithKindAndCount) {
    const ChildOutcome leaking = host({"validate", plugin("window_leaks_gdi"), "--include", "window-rounds"});
    EXPECT_EQ(leaking.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << leaking.output;
    const std::string output = maskTimes(leaking.output);
    EXPECT_TRUE(contains(output, "FAIL  window-rounds\n      after 50 rounds of arrange, openWindow, a paint and closeWindow the plug-in "
                                 "holds "))
        << output;
    EXPECT_TRUE(contains(output, " more GDI objects that it made and never deleted than after the first round: ")) << output;
    EXPECT_TRUE(contains(output, " pens (CreatePen), ")) << output;
    EXPECT_TRUE(contains(output, " brushes (CreateSolidBrush)\n")) << output;

    // A clean plug-in passes, and the pass says what this system could not measure.
    const ChildOutcome clean = host({"validate", plugin("window_good"), "--include", "window-rounds"});
    EXPECT_EQ(clean.exitCode, 0) << clean.output;
    const bool underWine = contains(clean.output, "GetGuiResources answers 0");
    if (underWine) {
        EXPECT_TRUE(contains(maskTimes(clean.output), "PASS  window-rounds\n      not measured: the process's GDI objects (GetGuiResources "
                                                      "answers 0 here, as under Wine)"))
            << clean.output;
    }
}
#endif
