// Starting child processes: a program that cannot start says why, in the
// system's words, rather than only that it did not.
#include <gtest/gtest.h>

#include "HostToolSupport.h"

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
