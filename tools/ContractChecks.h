// The validator's named checks of a plug-in's binary contract. Each check
// loads the library afresh, works through the interfaces only, and records
// every broken expectation in its report. Run by Validator, in a child
// process of its own or in-process.
#pragma once

#include <string>
#include <vector>

#include "tools/HostedPlugin.h"

class CheckReport {
public:
    /// Records `what` as a failure unless `holds`.
    void expect(bool holds, const std::string& what);
    bool passed() const { return failures.empty(); }
    const std::vector<std::string>& messages() const { return failures; }

private:
    std::vector<std::string> failures;
};

struct ContractCheck {
    const char* name;
    const char* summary;
    /// `plugin` has its description and class chosen but is not opened.
    void (*run)(HostedPlugin& plugin, CheckReport& report);
};

/// Every check, in the order validate runs them.
const std::vector<ContractCheck>& contractChecks();
