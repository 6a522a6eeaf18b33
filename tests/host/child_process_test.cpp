// Starting child processes: a program that cannot start says why, in the
// system's words, rather than only that it did not; a child's control
// channel; what a child leaves behind.
#include <gtest/gtest.h>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#endif

TEST(ChildProcess, AProgramThatCannotStartIsReportedWithTheSystemsReason) {
    const ChildOutcome outcome = runProgram(inBuild("no_such_program.exe"), {"--version"});
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(outcome.exited);
    // Both systems number a missing file 2 (ENOENT, ERROR_FILE_NOT_FOUND).
    EXPECT_EQ(outcome.startError.rfind("error 2: ", 0), 0u) << outcome.startError;
    EXPECT_GT(outcome.startError.size(), 9u) << "the system's message follows its number";

    const ChildOutcome started = runProgram(inBuild(CORVANE_HOST_FILE), {"--version"});
    EXPECT_TRUE(started.started);
    EXPECT_EQ(started.startError, "");
}

TEST(ChildProcess, AChildsControlChannelIsItsOwnBesideItsOutput) {
    // The harness's first look at a library, as validate runs it in a child:
    // it says on the channel that it loads the library and that it has.
    ChildOptions options;
    options.controlChannel = true;
    const ChildOutcome outcome = runProgram(inBuild(CORVANE_HOST_FILE), {"--open-library", plugin("good")}, options);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.control, "loading\nloaded\nexit 0\n");
    EXPECT_EQ(outcome.output, "");
    EXPECT_FALSE(crashedWhileLoading(outcome));
}

#ifndef _WIN32
TEST(ChildProcess, AChildInheritsOnlyItsOwnDescriptors) {
    // A descriptor this process holds without close-on-exec stays here.
    const int stray = open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 0);
    const ChildOutcome outcome = runProgram("/bin/sh", {"-c", "ls /proc/$$/fd | sort -n | tr '\\n' ' '"}, ChildOptions{});
    close(stray);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.output, "0 1 2 ");
}

TEST(ChildProcess, WhatAChildLeavesBehindIsEndedOrLeftWithoutHoldingTheParent) {
    // A grandchild in the child's process group holds the output pipe: it
    // is ended with the child. One that left the group (setsid) and lost its
    // parent is out of reach of a process that adopts no orphans (this test;
    // the harness does, see HostRun's containment tests): the parent still
    // stops reading a moment after the child's end.
    struct Row {
        const char* script;
        bool ended;
    };
    for (const Row& row : {Row{"sh -c 'echo $$; exec sleep 1000' & sleep 0.3", true},
                           Row{"setsid sh -c 'echo $$; exec sleep 1000' & sleep 0.3", false}}) {
        SCOPED_TRACE(row.script);
        ChildOptions options;
        options.timeoutSeconds = 30;
        const ChildOutcome outcome = runProgram("/bin/sh", {"-c", row.script}, options);
        EXPECT_TRUE(outcome.exited);
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_LT(outcome.seconds, 5);
        const pid_t left = static_cast<pid_t>(std::stol(outcome.output));
        ASSERT_GT(left, 0);
        // A zombie is ended too; its reaping is up to whoever inherited it.
        bool gone = false;
        for (int tries = 0; tries < 40 && !gone; ++tries) {
            const std::string stat = contentsOf("/proc/" + std::to_string(left) + "/stat");
            gone = stat.empty() || stat.find(") Z ") != std::string::npos;
            if (!gone) usleep(50000);
        }
        EXPECT_EQ(gone, row.ended);
        if (!gone) kill(left, SIGKILL);
    }
}
#endif

#ifndef _WIN32
TEST(ChildProcess, AChildThatCannotStartIsTheHarnessOwnTroubleWithItsOwnStatus) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own (it reads /proc/self/maps for its checks), "
                    "which five leave it without: it reports a false fault before the harness gets as far";
#endif
    // Five descriptors leave room for one pipe: the control channel's fails.
    const std::string script = fileWith("no_descriptors.txt", "notify 0\n");
    const std::vector<std::vector<std::string>> commands{
        {"run", plugin("good"), script}, {"validate", plugin("good")}, {"fuzz", plugin("good"), "--sessions", "2"}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        std::vector<std::string> arguments{"-c", "ulimit -n 5; exec \"$0\" \"$@\"", inBuild(CORVANE_HOST_FILE)};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const ChildOutcome outcome = runProgram("/bin/sh", arguments, true);
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::HarnessFailed)) << outcome.output;
        EXPECT_TRUE(contains(outcome.output,
                             "corvane-host: the harness cannot start a child process (no pipe for its control channel (error 24: "))
            << outcome.output;
        EXPECT_TRUE(contains(outcome.output, "raise the limits (ulimit -u, ulimit -n) and run again\n")) << outcome.output;
        EXPECT_FALSE(contains(outcome.output, "FAIL")) << outcome.output;
    }
}

// (Under Wine the flooding plug-in of contained_run_test shows the bound.)
TEST(ChildProcess, KeptOutputIsBoundedAndTheCutIsSaid) {
    ChildOptions options;
    options.timeoutSeconds = 2;
    options.outputLimit = std::size_t{1} << 20;
    const ChildOutcome outcome = runProgram("/bin/sh", {"-c", "yes"}, options);
    EXPECT_TRUE(outcome.timedOut);
    EXPECT_TRUE(outcome.outputCut);
    EXPECT_LE(outcome.output.size(), options.outputLimit + 100);
    EXPECT_TRUE(contains(outcome.output, "\ncorvane-host: output cut after 1 MiB; the rest was read and dropped\n")) << outcome.output.substr(outcome.output.size() - 200);
}
#endif
