#include "tools/Validator.h"

#include <algorithm>
#include <sstream>

#include "tools/ChildProcess.h"
#include "tools/ContractChecks.h"

namespace {

const ContractCheck* findCheck(const std::string& name) {
    for (const ContractCheck& check : contractChecks())
        if (name == check.name) return &check;
    return nullptr;
}

std::vector<const ContractCheck*> chosenChecks(const ValidateOptions& options) {
    for (const auto* names : {&options.include, &options.exclude}) {
        for (const std::string& name : *names) {
            if (findCheck(name) == nullptr) {
                std::string known;
                for (const ContractCheck& check : contractChecks()) known += std::string(" ") + check.name;
                throw HostError(ExitCode::Usage, "no check called " + name + "; the checks are:" + known);
            }
        }
    }
    const auto listed = [](const std::vector<std::string>& names, const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<const ContractCheck*> chosen;
    for (const ContractCheck& check : contractChecks()) {
        if (!options.include.empty() && !listed(options.include, check.name)) continue;
        if (listed(options.exclude, check.name)) continue;
        chosen.push_back(&check);
    }
    // Passing on no check at all would tell the caller the library is sound.
    if (chosen.empty()) throw HostError(ExitCode::Usage, "no check left to run after --include and --exclude");
    return chosen;
}

/// Runs one check here; a HostError or exception from the plug-in counts
/// as a failure of the check, not of the validator.
CheckReport runHere(const PluginChoice& choice, const ContractCheck& check) {
    CheckReport report;
    try {
        HostedPlugin plugin(choice);
        check.run(plugin, report);
    } catch (const std::exception& error) {
        report.expect(false, error.what());
    } catch (...) {
        report.expect(false, "an exception of unknown type came out of the plug-in");
    }
    return report;
}

std::vector<std::string> childArguments(const PluginChoice& choice, const std::string& name) {
    std::vector<std::string> arguments{childCheckOption, name, choice.libraryPath};
    if (choice.identifier) arguments.insert(arguments.end(), {"--class", *choice.identifier});
    if (choice.kind) arguments.insert(arguments.end(), {"--kind", std::to_string(*choice.kind)});
    if (choice.pinsFile) arguments.insert(arguments.end(), {"--pins", *choice.pinsFile});
    return arguments;
}

void printDetails(std::ostream& out, const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) out << "      " << line << "\n";
}

}  // namespace

int runCheckInChild(const PluginChoice& plugin, const std::string& name, std::ostream& out) {
    const ContractCheck* check = findCheck(name);
    if (check == nullptr) throw HostError(ExitCode::Usage, "no check called " + name);
    endQuietlyOnCrash();
    const CheckReport report = runHere(plugin, *check);
    for (const std::string& message : report.messages()) out << message << "\n";
    out.flush();
    return report.passed() ? 0 : childCheckFailed;
}

ExitCode validate(const ValidateOptions& options, std::ostream& out) {
    const std::vector<const ContractCheck*> checks = chosenChecks(options);
    {
        // Fails early, with the harness's own exit codes, for a file that is
        // no plug-in at all; the checks then look at its behaviour.
        HostedPlugin plugin(options.plugin);
        plugin.open();
    }
    int passed = 0;
    int failed = 0;
    for (const ContractCheck* check : checks) {
        std::string verdict = "PASS ";
        std::string details;
        if (options.inProcess) {
            const CheckReport report = runHere(options.plugin, *check);
            if (!report.passed()) verdict = "FAIL ";
            for (const std::string& message : report.messages()) details += message + "\n";
        } else {
            const ChildOutcome child = runSelf(childArguments(options.plugin, check->name));
            details = child.output;
            if (!child.started) {
                verdict = "FAIL ";
                details = "cannot start a child process for the check\n";
            } else if (child.exited && child.exitCode == childCheckFailed) {
                verdict = "FAIL ";
            } else if (!child.exited || child.exitCode != 0) {
                verdict = "CRASH";
                details = "the check's process ended with " +
                          (child.exited ? "exit status " + std::to_string(child.exitCode) : child.ending) + "\n" + details;
            }
        }
        (verdict == "PASS " ? passed : failed) += 1;
        out << verdict << " " << check->name << "\n";
        printDetails(out, details);
        out.flush();
    }
    out << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? ExitCode::Ok : ExitCode::ChecksFailed;
}

void listChecks(std::ostream& out) {
    for (const ContractCheck& check : contractChecks()) {
        const std::string name = check.name;
        out << name << std::string(name.size() < 28 ? 28 - name.size() : 1, ' ') << check.summary << "\n";
    }
}
