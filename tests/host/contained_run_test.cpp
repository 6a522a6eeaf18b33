// corvane-host keeping a faulty plug-in's failure its own: a session or check
// that crashes or hangs runs in a child process and is reported with its
// place and its own exit status; run --strict fails on a contract break.
#include <gtest/gtest.h>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"
#include "tools/common/JsonValue.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers catch the fault themselves, report it and exit with status 1.
const char* const segmentationFault = "the plug-in ended the process (exit status 1)";
#elif defined(_WIN32)
const char* const segmentationFault = "exception 0xC0000005 (access violation)";
#else
const char* const segmentationFault = "signal 11 (Segmentation fault)";
#endif

/// Where a crash in a test plug-in without debug information is said to be:
/// by module and offset alone (nowhere when the sanitizers caught it and
/// reported it themselves).
std::string placeWithoutDebugInformation(const std::string& variant) {
#if defined(__SANITIZE_ADDRESS__)
    static_cast<void>(variant);
    return {};
#elif defined(_WIN32)
    return " at test_plugin_" + variant + ".dll+0xN (the system's symbol reader found no debug information for it)";
#else
    return " at test_plugin_" + variant + ".so+0xN (no debug information for it)";
#endif
}

/// Text from a debugger or crash handler that must not reach the console.
bool hasCrashDump(const std::string& output) {
    for (const char* sign : {"Unhandled", "Backtrace", "wine: ", "Register dump", "terminate called"})
        if (contains(output, sign)) return true;
    return false;
}

}  // namespace

TEST(HostRun, ACrashIsOneLineWithItsPlaceAndItsOwnStatus) {
    const std::string crash = fileWith("crash.txt", "text 0 \"x\"\nfloat 3 -1\nnotify 0\nnotify 0\n");
    const std::string threw = fileWith("throw.txt", "text 0 \"throw\"\nnotify 0\n");
    struct Row {
        std::string variant;
        std::string script;
        std::string line;  // the line on standard error
    };
    const Row cases[] = {
        {"crash_sequence", crash,
         "corvane-host: CRASH at " + crash + ":3 (notify 0): " + segmentationFault + placeWithoutDebugInformation("crash_sequence") + "; 5 events recorded before it\n"},
        {"throws", threw,
         "corvane-host: CRASH at " + threw + ":2 (notify 0): an exception came out of notifyPin: planted failure in notifyPin; "
         "4 events recorded before it\n"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome text = host({"run", plugin(row.variant), row.script});
        EXPECT_EQ(text.exitCode, static_cast<int>(ExitCode::Crashed));
        // The transcript up to the fatal call, then the one line (a sanitizer's report may come between).
        EXPECT_TRUE(contains(maskTimes(text.output), "T ms  > notify 0\n")) << text.output;
        EXPECT_EQ(maskOffsets(linesOf(text.output).back() + "\n"), row.line) << text.output;
        EXPECT_FALSE(hasCrashDump(text.output)) << text.output;

        const ChildOutcome json = host({"run", plugin(row.variant), row.script, "--json"});
        EXPECT_EQ(json.exitCode, static_cast<int>(ExitCode::Crashed));
        const auto lines = linesOf(json.output);
        ASSERT_GE(lines.size(), 2u);
        std::string error;
        const auto event = JsonValue::parse(lines[lines.size() - 2], error);
        ASSERT_TRUE(event) << json.output;
        for (const char* member : {"event", "at", "line", "events"}) ASSERT_NE(event->member(member), nullptr) << json.output;
        EXPECT_EQ(event->member("event")->string, "crash");
        EXPECT_EQ(event->member("at")->string, "notify 0");
        EXPECT_EQ(event->member("line")->number, row.variant == "throws" ? 2 : 3);
        EXPECT_EQ(event->member("events")->number, row.variant == "throws" ? 5 : 7);
        ASSERT_NE(event->member("fault"), nullptr) << json.output;
        if (row.variant == "throws") {
            ASSERT_NE(event->member("exception"), nullptr) << json.output;
            EXPECT_EQ(event->member("exception")->string, "an exception came out of notifyPin: planted failure in notifyPin");
        } else {
            EXPECT_EQ(event->member("fault")->string, segmentationFault);
#if defined(_WIN32)
            ASSERT_NE(event->member("code"), nullptr) << json.output;
            EXPECT_EQ(event->member("code")->string, "0xC0000005");
#elif !defined(__SANITIZE_ADDRESS__)
            ASSERT_NE(event->member("signal"), nullptr) << json.output;
            EXPECT_EQ(event->member("signal")->number, 11);
#endif
        }
    }
}

TEST(HostRun, AHangIsATimeoutWithItsOwnStatusAndTheScriptsWaitsDoNotCount) {
    const std::string hang = fileWith("hang.txt", "float 1 1\nfloat 2 1\nnotify 0\n");
    const ChildOutcome hung = host({"run", plugin("hang_setpin"), hang, "--timeout", shortLimit});
    EXPECT_EQ(hung.exitCode, static_cast<int>(ExitCode::TimedOut));
    EXPECT_TRUE(contains(hung.output, "> float 2 1\ncorvane-host: TIMEOUT at " + hang + ":2 (float 2 1): no answer within " +
                                          shortLimit + " s (beyond the script's waits); its process was ended"))
        << hung.output;
#ifndef _WIN32
    const std::string waits = fileWith("waits.txt", "wait 800\nwait 800\nnotify 0\n");
    const ChildOutcome waited = host({"run", plugin("good"), waits, "--timeout", "1"});
    EXPECT_EQ(waited.exitCode, 0) << waited.output;
#endif
}

TEST(HostRun, AHangingCheckTimesOutAndTheNextOneRuns) {
    const ChildOutcome outcome =
        host({"validate", plugin("hang_setpin"), "--timeout", shortLimit, "--include", "set-host,pin-description,export-table"});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::TimedOut));
    EXPECT_EQ(maskTimes(outcome.output),
              "PASS  export-table\n"
              "PASS  set-host\n"
              "TIMEOUT pin-description\n"
              "      no answer within " + shortLimit + " s during setPin(2); its process was ended\n"
              "2 passed, 1 failed\n");
}

TEST(HostRun, StrictFailsOnAContractBreak) {
    const std::string undescribed = fileWith("undescribed.txt", "text 0 \"a\"\nfloat 2 1.5\nnotify 2\nnotify 0\n");
    const std::string plain = fileWith("plain.txt", "text 0 \"a\"\nnotify 0\n");
    struct Row {
        std::string variant;
        std::string script;
        std::string marked;   // the transcript's mark on the break
        std::string message;  // why --strict fails
    };
    const Row cases[] = {
        // The description's file is named, so the author knows what to mend.
        {"undescribed_send", undescribed,
         "< pin 100000 raw bytes[4] 0000c03f  !! pin 100000 is not in the pin description (" + descriptionOf(plugin("undescribed_send")) + ")\n",
         "corvane-host: the plug-in broke the contract 1 time(s); the first at " + undescribed +
             ":3: sent on pin 100000 (raw bytes[4] 0000c03f): pin 100000 is not in the pin description (" +
             descriptionOf(plugin("undescribed_send")) + ")\n"},
        {"over_release", plain, "!! the object released the host more often than it referenced it\n",
         "the first while creating and attaching the object: the object released the host more often than it referenced it\n"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome lenient = host({"run", plugin(row.variant), row.script});
        EXPECT_EQ(lenient.exitCode, 0) << lenient.output;
        EXPECT_TRUE(contains(lenient.output, row.marked)) << lenient.output;
        const ChildOutcome strict = host({"run", plugin(row.variant), row.script, "--strict"});
        EXPECT_EQ(strict.exitCode, static_cast<int>(ExitCode::ContractBroken)) << strict.output;
        EXPECT_TRUE(contains(strict.output, row.message)) << strict.output;
    }
    const ChildOutcome good = host({"run", plugin("good"), undescribed, "--strict"});
    EXPECT_EQ(good.exitCode, 0) << good.output;
}

TEST(HostRun, AnOnSendEventIsPlayedFromInsideTheNextSend) {
    struct Row {
        const char* script;
        const char* transcript;
    };
    const Row cases[] = {
        {"on-send text 0 \"b\"\ntext 0 \"a\"\nnotify 0\nnotify 0\n",
         "T ms  create \"Test-Echo\" kind 2\n"
         "T ms  setHost -> 0\n"
         "T ms  > on-send text 0 \"b\"\n"
         "T ms  > text 0 \"a\"\n"
         "T ms  > notify 0\n"
         "T ms  < pin 0 text \"a\"\n"
         "T ms  > text 0 \"b\" (inside sendPinValue)\n"
         "T ms  > notify 0\n"
         "T ms  < pin 0 text \"b\"\n"
         "T ms  > release (end of script) -> 0\n"},
        // The host letting go while the object is calling it: what needs the object later is skipped.
        {"text 0 \"a\"\non-send release\nnotify 0\nnotify 0\n",
         "T ms  create \"Test-Echo\" kind 2\n"
         "T ms  setHost -> 0\n"
         "T ms  > text 0 \"a\"\n"
         "T ms  > on-send release\n"
         "T ms  > notify 0\n"
         "T ms  < pin 0 text \"a\"\n"
         "T ms  > release (inside sendPinValue) -> 0\n"
         "T ms  > notify 0 (skipped: the object is released)\n"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.script);
        const ChildOutcome outcome = host({"run", plugin("good"), fileWith("on_send.txt", row.script), "--strict"});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        EXPECT_EQ(maskTimes(outcome.output), row.transcript);
    }
}

TEST(HostRun, WindowLinesNeedAnObjectWithAWindow) {
    const std::string script = fileWith("window_on_echo.txt", "text 0 \"a\"\npress 1 1\n");
    const ChildOutcome outcome = host({"run", plugin("good"), script});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::BadScriptLine)) << outcome.output;
    EXPECT_EQ(outcome.output, "corvane-host: " + script +
                                  ":2: press needs an object with a window of its own (IMpGraphicsWinGdi); this class makes a "
                                  "version-2 object (IMpUserInterface2B)\n");
}

TEST(HostRun, PlaysArrangeToACompositedObjectAndShowsItsRequests) {
    const std::string script = fileWith("composited.txt", "arrange 5 5 100 30\nfloat 0 0.5\nnotify 0\n");
    const ChildOutcome outcome = host({"run", plugin("composited_good"), script, "--strict"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_EQ(maskTimes(outcome.output),
              "T ms  create \"Test-Composited\" kind 2, a legacy object (IMpUserInterface) with composited drawing "
              "(IZuGraphicsComposited), attached by createObject\n"
              "T ms  > arrange 5 5 100 30\n"
              "T ms  > measure 100x30 -> 0, wants 100x24\n"
              "T ms  > arrange 5 5 100 30 -> 0\n"
              "T ms  > float 0 0.5\n"
              "T ms  > notify 0\n"
              "T ms  < request invalidate\n"
              "T ms  > release (end of script) -> 0\n");
    // It has no window of its own to open.
    const ChildOutcome open = host({"run", plugin("composited_good"), fileWith("composited_open.txt", "open\n")});
    EXPECT_EQ(open.exitCode, static_cast<int>(ExitCode::BadScriptLine)) << open.output;
    EXPECT_TRUE(contains(open.output, ":1: open needs an object with a window of its own (IMpGraphicsWinGdi); this class makes a "
                                      "legacy object (IMpUserInterface) with composited drawing (IZuGraphicsComposited), which "
                                      "takes arrange only\n"))
        << open.output;
}

#ifndef _WIN32
TEST(HostRun, WindowLinesOfAWindowedObjectNeedTheWindowsBuild) {
    const std::string script = fileWith("window_natively.txt", "float 0 0.5\narrange 0 0 40 40\nopen\n");
    const ChildOutcome outcome = host({"run", plugin("composited_answers_gdi"), script});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::NeedsWindows)) << outcome.output;
    EXPECT_EQ(outcome.output, "corvane-host: " + script +
                                  ":3: open needs windows, and this corvane-host was built without them: run the Windows build "
                                  "under Wine\n");
}
#else
TEST(HostRun, PlaysWindowLinesToAWindowedObject) {
    const std::string script = fileWith("window.txt",
                                        "open\nfloat 1 1\nnotify 1\narrange 0 0 64 40\npaint\npress 10 10\nmove 300 10\n"
                                        "release-mouse 300 10\nclose\nclose\nopen\n");
    const ChildOutcome outcome = host({"run", plugin("paint"), script, "--strict"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_EQ(maskTimes(outcome.output),
              "T ms  create \"Test-Paint\" kind 2, a legacy object (IMpUserInterface) with a GDI window of its own "
              "(IMpGraphicsWinGdi), attached by createObject\n"
              "T ms  > open\n"
              "T ms  > measure 320x240 -> 0, wants 320x240\n"
              "T ms  > arrange 0 0 320 240 -> 0\n"
              "T ms  > openWindow -> 0\n"
              "T ms  > float 1 1\n"
              "T ms  > notify 1\n"
              // A host moves a plug-in's window by opening it anew.
              "T ms  > arrange 0 0 64 40\n"
              "T ms  > closeWindow -> 0\n"
              "T ms  > arrange 0 0 64 40 -> 0\n"
              "T ms  > openWindow -> 0\n"
              "T ms  > paint\n"
              "T ms  > press 10 10 (to the plug-in's window)\n"
              "T ms  > move 300 10 (to the host's window)\n"
              "T ms  > release-mouse 300 10 (to the host's window)\n"
              "T ms  > close\n"
              "T ms  > closeWindow -> 0\n"
              "T ms  > close\n"
              "T ms  > closeWindow -> 0\n"
              "T ms  > open\n"
              "T ms  > openWindow -> 0\n"
              // The host closes the window before it lets go of the object.
              "T ms  > closeWindow -> 0\n"
              "T ms  > release (end of script) -> 0\n");
}

// The input a control gets, as the system delivers it: the plug-in sends on
// its pin 2 each button, wheel, key and focus message it receives. Keys and
// the wheel reach it only once it has taken the focus (on its left press).
TEST(HostRun, DeliversRightButtonDoubleClickWheelAndKeysAsTheSystemDoes) {
    const std::string script = fileWith("input.txt",
                                        "arrange 0 0 100 50\nopen\nkey a\npress 10 10\nrelease-mouse 10 10\nkey shift\nkey b\n"
                                        "key-up b\nwheel 30 20 -120\nkey-up shift\nright-press 40 5\nright-release 40 5\n"
                                        "double-click 60 30\n");
    const auto heard = [](const std::string& output) {
        std::string lines;
        for (const std::string& line : linesOf(maskTimes(output)))
            if (line.rfind("T ms  < pin 2", 0) == 0 || line.rfind("T ms  > key", 0) == 0 || line.rfind("T ms  > wheel", 0) == 0 ||
                line.rfind("T ms  > right", 0) == 0 || line.rfind("T ms  > double", 0) == 0)
                lines += line.substr(6) + "\n";
        return lines;
    };
    const auto expected = [](const std::string& secondPress) {
        return "> key a (no window has the keyboard focus: nothing delivered)\n"
               "< pin 2 text \"1 WM_LBUTTONDOWN 10 10 keys 0x1\"\n"
               "< pin 2 text \"2 WM_SETFOCUS\"\n"
               "< pin 2 text \"3 WM_LBUTTONUP 10 10 keys 0\"\n"
               "> key shift (to the plug-in's window, which has the keyboard focus)\n"
               "< pin 2 text \"4 WM_KEYDOWN 0x10 repeat 1\"\n"
               "> key b (to the plug-in's window, which has the keyboard focus)\n"
               "< pin 2 text \"5 WM_KEYDOWN 0x42 repeat 1\"\n"
               // Shift is held: the key's character is the capital.
               "< pin 2 text \"6 WM_CHAR 0x42\"\n"
               "> key-up b (to the plug-in's window, which has the keyboard focus)\n"
               "< pin 2 text \"7 WM_KEYUP 0x42 repeat 1 was down\"\n"
               // To the focus, in screen coordinates (the plug-in maps them back), with shift's key bit.
               "> wheel 30 20 -120 (to the plug-in's window, which has the keyboard focus)\n"
               "< pin 2 text \"8 WM_MOUSEWHEEL -120 keys 0x4 at 30 20\"\n"
               "> key-up shift (to the plug-in's window, which has the keyboard focus)\n"
               "< pin 2 text \"9 WM_KEYUP 0x10 repeat 1 was down\"\n"
               "> right-press 40 5 (to the plug-in's window)\n"
               "< pin 2 text \"10 WM_RBUTTONDOWN 40 5 keys 0x2\"\n"
               "> right-release 40 5 (to the plug-in's window)\n"
               "< pin 2 text \"11 WM_RBUTTONUP 40 5 keys 0\"\n"
               "< pin 2 text \"12 WM_CONTEXTMENU\"\n"
               "> double-click 60 30 (to the plug-in's window)\n"
               "< pin 2 text \"13 WM_LBUTTONDOWN 60 30 keys 0x1\"\n"
               "< pin 2 text \"14 WM_LBUTTONUP 60 30 keys 0\"\n"
               "< pin 2 text \"15 " + secondPress + " 60 30 keys 0x1\"\n"
               "< pin 2 text \"16 WM_LBUTTONUP 60 30 keys 0\"\n"
               // The host closes the window at the end.
               "< pin 2 text \"17 WM_KILLFOCUS\"\n";
    };
    const ChildOutcome single = host({"run", plugin("window_records_input"), script, "--strict"});
    EXPECT_EQ(single.exitCode, 0) << single.output;
    EXPECT_EQ(heard(single.output), expected("WM_LBUTTONDOWN"));
    // Where the window's class asks for double clicks, the second press is one.
    const ChildOutcome twice = host({"run", plugin("window_records_double_clicks"), script, "--strict"});
    EXPECT_EQ(twice.exitCode, 0) << twice.output;
    EXPECT_EQ(heard(twice.output), expected("WM_LBUTTONDBLCLK"));
}

TEST(HostRun, AFaultInTheWindowIsReportedAtItsLine) {
    const std::string click = fileWith("click.txt", "open\npress 10 10\nrelease-mouse 10 10\n");
    const std::string paint = fileWith("paint.txt", "open\nfloat 1 1\nnotify 1\npaint\n");
    struct Row {
        std::string variant;
        std::string script;
        ExitCode code;
        std::string line;  // the last line of the output
    };
    const Row cases[] = {
        {"paint_click_crash", click, ExitCode::Crashed,
         "corvane-host: CRASH at " + click + ":2 (press 10 10): " + segmentationFault + placeWithoutDebugInformation("paint_click_crash") +
             "; 6 events recorded before it"},
        // Painting is called from inside the system, which would swallow the fault.
        {"paint_paint_crash", paint, ExitCode::Crashed,
         "corvane-host: CRASH at " + paint + ":4 (paint): " + segmentationFault + placeWithoutDebugInformation("paint_paint_crash") +
             "; 8 events recorded before it"},
        // Its own __try scope's filter declines the fault in the window procedure.
        {"window_own_filter_declines", click, ExitCode::Crashed,
         "corvane-host: CRASH at " + click + ":2 (press 10 10): " + segmentationFault +
             placeWithoutDebugInformation("window_own_filter_declines") + "; 6 events recorded before it"},
        {"paint_keeps_capture", click, ExitCode::ContractBroken,
         "corvane-host: the plug-in broke the contract 1 time(s); the first at " + click +
             ":3: the plug-in's window still holds the mouse capture after the button was released"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome outcome = host({"run", plugin(row.variant), row.script, "--strict", "--timeout", shortLimit});
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_EQ(maskOffsets(linesOf(outcome.output).back()), row.line) << outcome.output;
        EXPECT_FALSE(hasCrashDump(outcome.output)) << outcome.output;
    }
}

// The plug-in takes faults of its own in a pin callback, the click and the
// paint (its __try scope, IsBadReadPtr, its vectored handlers first and last;
// it aborts if one was not taken): the session runs to its end.
TEST(HostRun, FaultsThePluginHandlesItselfLeaveTheSessionRunning) {
    const std::string script = fileWith("own-faults.txt", "open\nfloat 0 0.5\nnotify 0\npress 10 10\nrelease-mouse 10 10\npaint\n");
    const ChildOutcome outcome = host({"run", plugin("window_handles_own_faults"), script, "--strict", "--timeout", shortLimit});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_FALSE(contains(outcome.output, "CRASH")) << outcome.output;
}

#ifdef CORVANE_MSVC_PLUGINS
// A plug-in of Microsoft's ABI with the compiler's own __try/__except in
// setPin: a filter expression that takes the fault, and a constant one
// around an inner scope that declines, answer ResultOk (the fault happened
// and was taken); a filter that declines leaves the fault to the host: a crash.
TEST(HostRun, APluginsOwnTryScopeTakesItsFaultAndADecliningOneIsACrash) {
    const std::string taken = fileWith("taken.txt", "float 0 1\nfloat 1 1\n");
    const ChildOutcome survived = host({"run", plugin("msvc_own_faults"), taken, "--strict", "--json", "--timeout", shortLimit});
    EXPECT_EQ(survived.exitCode, 0) << survived.output;
    for (const char* answer : {"\"call\":\"setPin\",\"pin\":0,\"result\":0}", "\"call\":\"setPin\",\"pin\":1,\"result\":0}"})
        EXPECT_TRUE(contains(survived.output, answer)) << survived.output;

    const std::string declined = fileWith("declined.txt", "float 0 1\nfloat 2 1\n");
    const ChildOutcome crashed = host({"run", plugin("msvc_own_faults"), declined, "--strict", "--timeout", shortLimit});
    EXPECT_EQ(crashed.exitCode, static_cast<int>(ExitCode::Crashed)) << crashed.output;
    EXPECT_EQ(maskOffsets(linesOf(crashed.output).back()), "corvane-host: CRASH at " + declined + ":2 (float 2 1): " + segmentationFault +
                                                               placeWithoutDebugInformation("msvc_own_faults") +
                                                               "; 4 events recorded before it")
        << crashed.output;
}
#endif
#endif

namespace {

/// True once the process `id` is gone (or a zombie nobody needs), waiting up to 5 s.
bool processEnds(unsigned long id) {
    for (int tries = 0; tries < 100; ++tries) {
#ifdef _WIN32
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
        if (process == nullptr) return true;
        const bool ended = WaitForSingleObject(process, 50) == WAIT_OBJECT_0;
        CloseHandle(process);
        if (ended) return true;
#else
        if (kill(static_cast<pid_t>(id), 0) != 0) return true;
        const std::string stat = contentsOf("/proc/" + std::to_string(id) + "/stat");
        const std::size_t name = stat.rfind(')');
        if (name != std::string::npos && stat.compare(name, 4, ") Z ") == 0) return true;
        usleep(50000);
#endif
    }
    return false;
}

/// The id the leaves_child plug-in printed, or 0.
unsigned long lingeringId(const std::string& output) {
    const std::size_t at = output.find("lingering pid ");
    return at == std::string::npos ? 0 : std::stoul(output.substr(at + 14));
}

}  // namespace

TEST(HostRun, AProcessThePluginLeavesBehindNeitherHoldsTheHarnessNorOutlivesTheSession) {
    // Ended normally, and ended at its time limit: either way the harness
    // answers at once, though the plug-in's own child holds its output.
    struct Row {
        std::string script;
        std::vector<std::string> options;
        ExitCode code;
    };
    const Row cases[] = {
        {fileWith("linger.txt", "text 0 \"a\"\nnotify 0\n"), {}, ExitCode::Ok},
        {fileWith("linger_hang.txt", "notify 1\n"), {"--timeout", shortLimit}, ExitCode::TimedOut},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.script);
        std::vector<std::string> arguments{"run", plugin("leaves_child"), row.script};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        const ChildOutcome outcome = host(arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_LT(outcome.seconds, std::stod(shortLimit) + 20) << outcome.output;
        const unsigned long id = lingeringId(outcome.output);
        ASSERT_NE(id, 0u) << outcome.output;
        EXPECT_TRUE(processEnds(id)) << "the plug-in's child " << id << " outlived the session";
    }
}

TEST(HostRun, LinesThePluginPrintsThatLookLikeMarkersAreTranscriptText) {
    // The plug-in prints "exit 0" and a line and a break as the harness's
    // child would mark them, then ends its process with status 0: still a
    // crash at the line really played, with no break.
    const std::string script = fileWith("forge.txt", "text 0 \"forge\"\nnotify 0\n");
    const ChildOutcome outcome = host({"run", plugin("forges_markers"), script, "--strict"});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::Crashed)) << outcome.output;
    EXPECT_TRUE(contains(outcome.output, "\x1e" "line 1\n\x1e" "broken forged\n\x1e" "exit 0\n")) << outcome.output;
    EXPECT_EQ(linesOf(outcome.output).back(),
              "corvane-host: CRASH at " + script + ":2 (notify 0): the plug-in ended the process (exit status 0); 7 events "
                                                   "recorded before it")
        << outcome.output;
}

TEST(HostRun, ALibraryWhoseStartUpCodeCrashesIsSaidSoByRunValidateAndFuzz) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers report the fault themselves and exit with status 1";
#endif
    const std::string crashed = std::string("its start-up code crashed: ") + segmentationFault + placeWithoutDebugInformation("crash_at_load");
    const std::string library = plugin("crash_at_load");
    const ChildOutcome run = host({"run", library, fileWith("load.txt", "notify 0\n")});
    EXPECT_EQ(run.exitCode, static_cast<int>(ExitCode::Crashed));
    EXPECT_EQ(maskOffsets(linesOf(run.output).back()), "corvane-host: CRASH while loading the library: " + crashed) << run.output;

    const ChildOutcome validate = host({"validate", library});
    EXPECT_EQ(validate.exitCode, static_cast<int>(ExitCode::Crashed));
    EXPECT_EQ(maskOffsets(validate.output), "corvane-host: " + library + " could not be loaded: " + crashed + "\n");

    const ChildOutcome fuzz = host({"fuzz", library, "--seed", "1", "--sessions", "3"});
    EXPECT_EQ(fuzz.exitCode, static_cast<int>(ExitCode::Crashed));
    EXPECT_TRUE(contains(maskOffsets(fuzz.output), "corvane-host: session 1 crashed while loading the library: " + crashed + "\n"))
        << fuzz.output;
    for (const ChildOutcome* outcome : {&run, &validate, &fuzz}) EXPECT_FALSE(hasCrashDump(outcome->output)) << outcome->output;
}

TEST(HostRun, StartUpCodeThatExitsOrHangsIsPlacedWhileLoadingByEveryCommand) {
    const std::string script = fileWith("at_load.txt", "notify 0\n");
    struct Row {
        std::string variant;
        ExitCode code;
        std::string run;       // run's last line
        std::string validate;  // validate's words
        std::string fuzz;      // fuzz's last line
    };
    const Row cases[] = {
        {"exits_at_load", ExitCode::Crashed,
         "corvane-host: CRASH while loading the library: the plug-in ended the process (exit status 0)",
         "corvane-host: " + plugin("exits_at_load") + ": the plug-in ended the process (exit status 0) while it was loaded\n",
         "corvane-host: session 1 crashed while loading the library: the plug-in ended the process (exit status 0)"},
        {"hangs_at_load", ExitCode::TimedOut,
         "corvane-host: TIMEOUT while loading the library: no answer within " + shortLimit +
             " s (beyond the script's waits); its process was ended",
         "corvane-host: " + plugin("hangs_at_load") + " was not loaded within " + shortLimit +
             " s (its start-up code does not return)\n",
         "corvane-host: session 1 hung while loading the library: no answer within " + shortLimit + " s"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome run = host({"run", plugin(row.variant), script, "--timeout", shortLimit});
        EXPECT_EQ(run.exitCode, static_cast<int>(row.code)) << run.output;
        EXPECT_EQ(linesOf(run.output).back(), row.run) << run.output;
        const ChildOutcome validate = host({"validate", plugin(row.variant), "--timeout", shortLimit});
        EXPECT_EQ(validate.exitCode, static_cast<int>(row.code)) << validate.output;
        EXPECT_EQ(validate.output, row.validate);
        const ChildOutcome fuzz = host({"fuzz", plugin(row.variant), "--sessions", "2", "--timeout", shortLimit});
        EXPECT_EQ(fuzz.exitCode, static_cast<int>(row.code)) << fuzz.output;
        EXPECT_EQ(linesOf(fuzz.output).back(), row.fuzz) << fuzz.output;
    }
}

TEST(HostRun, APluginThatEndsTheProcessWithStatusZeroFailsEveryCommand) {
    // exit(0) inside setPin(1): no command may read it as a clean end.
    const std::string library = plugin("exits_setpin");
    const std::string script = fileWith("exit_in_setpin.txt", "text 0 \"a\"\nfloat 1 1\nnotify 0\n");
    const ChildOutcome run = host({"run", library, script});
    EXPECT_EQ(run.exitCode, static_cast<int>(ExitCode::Crashed)) << run.output;
    EXPECT_EQ(linesOf(run.output).back(), "corvane-host: CRASH at " + script +
                                              ":2 (float 1 1): the plug-in ended the process (exit status 0); 4 events "
                                              "recorded before it")
        << run.output;

    const std::string junit = inBuild("exit_in_setpin_junit.xml");
    const ChildOutcome validate = host({"validate", library, "--include", "export-table,pin-description", "--junit", junit});
    EXPECT_EQ(validate.exitCode, static_cast<int>(ExitCode::ChecksFailed)) << validate.output;
    EXPECT_EQ(maskTimes(validate.output),
              "PASS  export-table\n"
              "CRASH pin-description\n"
              "      the plug-in ended the process (exit status 0) during setPin(1)\n"
              "1 passed, 1 failed\n");
    EXPECT_TRUE(contains(contentsOf(junit), "<error type=\"crash\" message=\"the plug-in ended the process (exit status 0) during setPin(1)\""))
        << contentsOf(junit);

    const ChildOutcome fuzz = host({"fuzz", library, "--seed", "1", "--sessions", "30"});
    EXPECT_EQ(fuzz.exitCode, static_cast<int>(ExitCode::Crashed)) << fuzz.output;
    EXPECT_TRUE(contains(fuzz.output, "the plug-in ended the process (exit status 0)")) << fuzz.output;
}

TEST(HostRun, AHangingPluginThatFightsContainmentStillEndsAtItsTimeLimit) {
    // One floods standard output from a thread of its own; one (natively)
    // moves its process into the harness's process group and leaves a
    // process in a session of its own behind. Each hangs in notify 1.
    struct Row {
        std::string variant;
        bool leavesProcesses;
    };
    std::vector<Row> cases{{"floods_output", false}};
#ifndef _WIN32
    cases.push_back({"leaves_group", true});
#endif
    const std::string script = fileWith("fight.txt", "notify 1\n");
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome outcome = host({"run", plugin(row.variant), script, "--timeout", shortLimit});
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::TimedOut)) << outcome.output.substr(0, 2000);
        EXPECT_LT(outcome.seconds, std::stod(shortLimit) + 20);
        EXPECT_TRUE(contains(outcome.output, "corvane-host: TIMEOUT at " + script + ":1 (notify 1): no answer within " + shortLimit))
            << outcome.output.substr(outcome.output.size() > 2000 ? outcome.output.size() - 2000 : 0);
        // What the harness keeps of a child's output is bounded.
        EXPECT_LT(outcome.output.size(), (std::size_t{64} << 20) + 4096);
        if (!row.leavesProcesses) continue;
        const unsigned long left = lingeringId(outcome.output);
        ASSERT_NE(left, 0u) << outcome.output;
        EXPECT_TRUE(processEnds(left)) << "the process " << left << " that left its session outlived the session";
        const std::size_t at = outcome.output.find("plug-in pid ");
        ASSERT_NE(at, std::string::npos) << outcome.output;
        EXPECT_TRUE(processEnds(std::stoul(outcome.output.substr(at + 12)))) << "the session's process that left its group outlived it";
    }
}

#ifndef _WIN32
TEST(HostRun, TheHarnessEndedByASignalTakesThePluginsProcessesWithIt) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // The plug-in's process says its id; its parent is the session's
        // process, whose parent is the harness: that one is ended.
        unsigned long left = 0;
        std::string said;
        ChildOptions options;
        options.withErrors = true;
        options.timeoutSeconds = 60;
        options.onOutput = [&](std::string_view piece) {
            said.append(piece);
            const std::size_t at = said.find("lingering pid ");
            if (left != 0 || at == std::string::npos || said.find('\n', at) == std::string::npos) return;
            left = lingeringId(said);
            const auto parentOf = [](unsigned long id) -> pid_t {
                const std::string stat = contentsOf("/proc/" + std::to_string(id) + "/stat");
                const std::size_t name = stat.rfind(')');
                return name == std::string::npos ? 0 : static_cast<pid_t>(std::atol(stat.c_str() + name + 4));
            };
            const pid_t harness = parentOf(static_cast<unsigned long>(parentOf(left)));
            if (harness > 1) kill(harness, signal);
        };
        const ChildOutcome outcome = runProgram(inBuild(CORVANE_HOST_FILE),
                                                {"run", plugin("leaves_child"), fileWith("signalled.txt", "notify 1\n"), "--timeout", "50"},
                                                options);
        EXPECT_FALSE(outcome.exited) << said;
        EXPECT_EQ(outcome.fault, static_cast<unsigned long>(signal)) << said;
        EXPECT_LT(outcome.seconds, 30) << said;
        ASSERT_NE(left, 0u) << said;
        EXPECT_TRUE(processEnds(left)) << "the plug-in's child " << left << " outlived the harness";
    }
}
#endif
