// Runs this very program again with other arguments and collects what it
// writes on standard output and how it ended. The validator runs each check
// this way, so a check that crashes the plug-in takes only its child down.
#pragma once

#include <string>
#include <vector>

struct ChildOutcome {
    bool started = false;
    bool exited = false;   // ended through exit with `exitCode`; false for a crash
    int exitCode = 0;
    std::string ending;    // how a crash ended: "signal 11 (Segmentation fault)", "exception 0xC0000005"
    std::string output;    // everything written on standard output
};

/// Starts `program` (a UTF-8 path) with `arguments` (without the program
/// name), waits for it and answers how it went. Standard error is shared with
/// this process, or with `withErrors` collected into the output as well.
ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, bool withErrors = false);

/// runProgram on the running program itself.
ChildOutcome runSelf(const std::vector<std::string>& arguments);

/// Makes a crash of this process end it at once with the fault as its
/// status, without a debugger or error dialog (Windows); nothing elsewhere.
void endQuietlyOnCrash();
