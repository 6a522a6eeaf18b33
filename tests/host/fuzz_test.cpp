// The fuzz command: its random sessions (valid for the pins, fixed by the
// seed), and what it finds in the plug-ins built with a planted fault: the
// shortest failing session, written as a script that run replays.
#include <gtest/gtest.h>

#include <set>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"
#include "tools/fuzz/SessionGenerator.h"

namespace {

ClassPins corvanePins() {
    return {"Orvex-Corvane", 2,
            {{0, PinType::Text, PinDirection::InOut, false, 0}, {1, PinType::Float, PinDirection::InOut, true, 65536}},
            ""};
}

}  // namespace

TEST(FuzzSessions, AreFixedByTheSeedAndValidForThePins) {
    const ClassPins pins = corvanePins();
    std::set<std::string> kinds;
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        SCOPED_TRACE(seed);
        FuzzRandom first(seed);
        FuzzRandom second(seed);
        const SessionScript script = randomSession(pins, first, 40);
        EXPECT_EQ(script.text(), randomSession(pins, second, 40).text());
        EXPECT_LE(script.events.size(), 40u);
        EXPECT_FALSE(script.check(pins)) << script.check(pins)->message;
        // What a script run reads back is what the fuzzer played.
        std::istringstream in(script.text());
        EXPECT_EQ(SessionScript::read(in, "fuzz").text(), script.text());
        for (const ScriptEvent& event : script.events) kinds.insert(scriptLine(event).substr(0, scriptLine(event).find(' ')));
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"float", "notify", "on-send", "release", "text", "wait"}));
    FuzzRandom one(1);
    FuzzRandom two(2);
    EXPECT_NE(randomSession(pins, one, 40).text(), randomSession(pins, two, 40).text());
}

// A seed replays the session it made before: the scripts of objects without
// a window of their own are fixed, whatever lines windowed objects gain.
TEST(FuzzSessions, ScriptsOfObjectsWithoutAWindowStayAsTheyWere) {
    const ClassPins pins = corvanePins();
    for (const auto& [drawing, fingerprint] : {std::pair{ObjectDrawing::None, 4874418520961689204ull},
                                            std::pair{ObjectDrawing::Composited, 3861748656745925762ull}}) {
        std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            FuzzRandom random(seed);
            for (const char c : randomSession(pins, random, 40, drawing).text()) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        EXPECT_EQ(hash, fingerprint) << (drawing == ObjectDrawing::None ? "no drawing" : "composited");
    }
}

TEST(FuzzSessions, WindowedObjectsGetWindowLinesAmongTheirValues) {
    const ClassPins pins = corvanePins();
    std::set<std::string> window;
    std::set<std::string> composited;
    for (std::uint64_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        FuzzRandom first(seed);
        FuzzRandom second(seed);
        const SessionScript script = randomSession(pins, first, 40, ObjectDrawing::Window);
        EXPECT_EQ(script.text(), randomSession(pins, second, 40, ObjectDrawing::Window).text());
        EXPECT_FALSE(script.check(pins));
        std::istringstream in(script.text());
        EXPECT_EQ(SessionScript::read(in, "fuzz").text(), script.text());
        for (const ScriptEvent& event : script.events)
            if (isWindowEvent(event)) window.insert(scriptLine(event).substr(0, scriptLine(event).find(' ')));
        FuzzRandom third(seed);
        for (const ScriptEvent& event : randomSession(pins, third, 40, ObjectDrawing::Composited).events)
            if (isWindowEvent(event)) composited.insert(scriptLine(event).substr(0, scriptLine(event).find(' ')));
    }
    EXPECT_EQ(window, (std::set<std::string>{"arrange", "close", "double-click", "key", "key-up", "move", "open", "paint", "press",
                                             "release-mouse", "right-press", "right-release", "wheel"}));
    EXPECT_EQ(composited, std::set<std::string>{"arrange"});
}

TEST(Fuzz, FindsEachPlantedFaultAndWritesTheShortestSessionRunReplays) {
    struct Row {
        const char* variant;
        ExitCode code;
        std::size_t most;                   // events the written script may hold at most
        std::vector<std::string> needed;    // the start of a line each of them needs
    };
    const Row cases[] = {
        // The crash needs a text, a negative value on pin 3, then notify 0.
        {"crash_sequence", ExitCode::Crashed, 3, {"text 0 \"", "float 3 -", "notify 0"}},
#ifndef _WIN32
        // Under Wine every child costs most of a second: the crash alone is shown there.
        {"hang_setpin", ExitCode::TimedOut, 1, {"float 2 "}},
        {"undescribed_send", ExitCode::ContractBroken, 4, {"text 0 \"", "float ", "notify "}},
#endif
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const std::string out = inBuild(std::string("host_tool_test_fuzz_") + row.variant + ".txt");
        std::remove(out.c_str());
        const ChildOutcome fuzz = host({"fuzz", plugin(row.variant), "--seed", "1", "--timeout", shortLimit, "--out", out});
        EXPECT_EQ(fuzz.exitCode, static_cast<int>(row.code)) << fuzz.output;
        EXPECT_EQ(linesOf(fuzz.output).front(), "fuzz: seed 1, 100 sessions of up to 40 events on Test-Echo (repeat with --seed 1)");
#ifdef _WIN32
        // A DLL is replayed by the Windows harness, under Wine through the kit's runner (or the source tree's).
        const std::string harness = "corvane-wine /";
        EXPECT_TRUE(contains(fuzz.output, "(in the source tree: scripts/wine-run.sh PREFIX /")) << fuzz.output;
        EXPECT_TRUE(contains(fuzz.output, "corvane-host.exe run " + plugin(row.variant) + " " + out + " --strict\n")) << fuzz.output;
#else
        const std::string harness = "corvane-host run " + plugin(row.variant) + " " + out + " --strict\n";
#endif
        EXPECT_TRUE(contains(fuzz.output, "wrote " + out + "; replay with: " + harness)) << fuzz.output;
        std::vector<std::string> events;
        for (const std::string& line : linesOf(contentsOf(out)))
            if (line[0] != '#') events.push_back(line);
        EXPECT_LE(events.size(), row.most) << contentsOf(out);
        for (const std::string& start : row.needed) {
            bool found = false;
            for (const std::string& event : events) found = found || event.rfind(start, 0) == 0;
            EXPECT_TRUE(found) << "no line starts with " << start << ":\n" << contentsOf(out);
        }

        const ChildOutcome replay = host({"run", plugin(row.variant), out, "--strict", "--timeout", shortLimit});
        EXPECT_EQ(replay.exitCode, static_cast<int>(row.code)) << replay.output;
    }
}

#ifdef _WIN32
TEST(Fuzz, FindsACrashOnAClickThatRunAndShowReplay) {
    const std::string out = inBuild("host_tool_test_fuzz_click.txt");
    std::remove(out.c_str());
    const ChildOutcome fuzz =
        host({"fuzz", plugin("paint_click_crash"), "--seed", "1", "--sessions", "5", "--steps", "12", "--timeout", shortLimit, "--out", out});
    EXPECT_EQ(fuzz.exitCode, static_cast<int>(ExitCode::Crashed)) << fuzz.output;
    std::vector<std::string> events;
    for (const std::string& line : linesOf(contentsOf(out)))
        if (line[0] != '#') events.push_back(line);
    // The window opened, then a press inside it.
    ASSERT_EQ(events.size(), 2u) << contentsOf(out);
    EXPECT_EQ(events[0], "open");
    EXPECT_EQ(events[1].rfind("press ", 0), 0u) << events[1];
    EXPECT_TRUE(contains(fuzz.output, "or watch it in a window: corvane-wine /"))
        << fuzz.output;
    EXPECT_TRUE(contains(fuzz.output, "corvane-host.exe show " + plugin("paint_click_crash") + " " + out + " --strict\n"))
        << fuzz.output;

    const ChildOutcome run = host({"run", plugin("paint_click_crash"), out, "--strict", "--timeout", shortLimit});
    EXPECT_EQ(run.exitCode, static_cast<int>(ExitCode::Crashed)) << run.output;
    const ChildOutcome show = host({"show", plugin("paint_click_crash"), out, "--strict", "--timeout", shortLimit, "--screenshot",
                                    inBuild("host_tool_test_fuzz_click.png")});
    EXPECT_EQ(show.exitCode, static_cast<int>(ExitCode::Crashed)) << show.output;
    // The script's first two lines are comments.
    EXPECT_TRUE(contains(show.output, "corvane-host: CRASH at " + out + ":4 (" + events[1] + "): exception 0xC0000005")) << show.output;
}

TEST(Fuzz, PassesCorrectWindowedPlugins) {
    for (const char* variant : {"paint", "level_slider"}) {
        SCOPED_TRACE(variant);
        const ChildOutcome fuzz =
            host({"fuzz", plugin(variant), "--seed", "7", "--sessions", "20", "--steps", "30", "--timeout", shortLimit});
        EXPECT_EQ(fuzz.exitCode, 0) << fuzz.output;
        EXPECT_EQ(linesOf(fuzz.output).back(), "20 sessions, no failure");
    }
}
#else
TEST(Fuzz, PassesAWellBehavedPlugin) {
    const ChildOutcome fuzz = host({"fuzz", plugin("good"), "--seed", "7", "--sessions", "30", "--steps", "30"});
    EXPECT_EQ(fuzz.exitCode, 0) << fuzz.output;
    EXPECT_EQ(linesOf(fuzz.output).back(), "30 sessions, no failure");
}
#endif
