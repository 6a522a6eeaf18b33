// The "validate" command: runs the chosen contract checks on a plug-in, each
// in a child process of its own under a time limit unless asked to stay
// in-process, prints one line per check with its duration and a final
// "N passed, M failed" line (checks that do not apply to the class's objects
// are listed as SKIP with the reason, counted apart) (or one JSON object per check), and can write
// the results as JUnit XML for CI systems.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/common/HostError.h"
#include "tools/hosting/HostedPlugin.h"

struct ValidateOptions {
    PluginChoice plugin;
    std::vector<std::string> include;  // check names; empty for all
    std::vector<std::string> exclude;
    bool inProcess = false;
    double timeoutSeconds = 30;  // per check; 0 for none (in-process checks have none)
    bool json = false;
    std::optional<std::string> junitPath;
};

/// Runs the checks; ExitCode::Ok only when every one passed, TimedOut when
/// one hung, else ChecksFailed. Throws HostError for an unknown check name
/// or a plug-in it cannot work on.
ExitCode validate(const ValidateOptions& options, std::ostream& out);

/// The child side: runs the one check `name` and prints its failures.
/// Answers 0 when it passed, childCheckFailed when it did not, and
/// childCheckSkipped, with the reason printed, when it does not apply.
int runCheckInChild(const PluginChoice& plugin, const std::string& name, std::ostream& out);

/// The child side of validate's first look at the library: loads it and
/// obtains its factory; answers 0, or prints the error and answers its exit code.
int openLibraryInChild(const PluginChoice& plugin, std::ostream& out);
constexpr const char* childOpenOption = "--open-library";

/// The hidden option that makes the program a check's child process.
constexpr const char* childCheckOption = "--run-check";
/// A child's exit status for a failed check, and for a check that does not
/// apply to the class's objects; anything but these and 0 is a crash.
constexpr int childCheckFailed = 100;
constexpr int childCheckSkipped = 101;

/// Prints the names and summaries of all checks.
void listChecks(std::ostream& out);
