// The validator's named checks of a plug-in's binary contract: what a check
// is, which object families it covers, and the one list of them all. Each
// check loads the library afresh, works through the interfaces only, and
// records every broken expectation in its report; the checks themselves live
// by contract rule in LibraryChecks, IdentityChecks, AttachChecks, PinChecks
// and WindowChecks. Run by Validator, in a child process of its own or
// in-process.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/hosting/HostedPlugin.h"

class CheckReport {
public:
    /// Records `what` as a failure unless `holds`.
    void expect(bool holds, const std::string& what);
    bool passed() const { return failures.empty(); }
    const std::vector<std::string>& messages() const { return failures; }
    /// Says the check cannot run on this object in this build, and why (a
    /// GDI object where the build has no windows); reported as a skip.
    void skip(const std::string& why) { skipped = why; }
    const std::string& skipReason() const { return skipped; }
    /// Names the host step the check takes next, so that a crash or a hang
    /// inside it is reported with that step; the validator listens. What the
    /// plug-in said on the debug-output channel during the step before (an
    /// exception its framework caught) fails the check, named with that step.
    void step(const std::string& what) {
        heardDuringLastStep();
        lastStep = what;
        if (stepListener) stepListener(what);
    }
    void onStep(std::function<void(const std::string&)> listener) { stepListener = std::move(listener); }
    /// The step named last ("notifyPin(1)"), or empty before the first.
    const std::string& currentStep() const { return lastStep; }
    /// After a host call `call` ("notifyPin") that answered `answer`: each
    /// line said meanwhile fails the check as "notifyPin(3) answered
    /// ResultFail: an exception left the module's callback: ...".
    void heardAfterCall(const std::string& call, std::int32_t answer);
    /// Each line said since the last look fails the check, with the last step.
    void heardDuringLastStep();
    /// Says what the check could not measure here; a check that passes shows
    /// it, so that a pass never hides a measurement not taken.
    void note(const std::string& what) { notes.push_back(what); }
    const std::vector<std::string>& notesTaken() const { return notes; }

private:
    std::vector<std::string> failures;
    std::vector<std::string> notes;
    std::string skipped;
    std::string lastStep;
    std::function<void(const std::string&)> stepListener;
};

/// The kinds of object a check covers, as bits of ContractCheck::covers.
/// A check on the library alone (its exports, its factory) covers every
/// object; one on objects covers those of the GUI families it names and,
/// when it names a graphics interface, only objects that answer one of them.
namespace Covers {
constexpr unsigned Library = 1;      // the library and its factory, whatever its objects are
constexpr unsigned Version2 = 2;     // IMpUserInterface2B
constexpr unsigned Legacy = 4;       // IMpUserInterface with IMpLegacyInitialization
constexpr unsigned WinGdi = 8;       // IMpGraphicsWinGdi
constexpr unsigned Composited = 16;  // IZuGraphicsComposited
constexpr unsigned NoGui = 32;      // also objects that answer neither GUI interface
constexpr unsigned AnyGui = Version2 | Legacy;
}  // namespace Covers

struct ContractCheck {
    const char* name;
    const char* summary;
    /// `plugin` has its description and class chosen but is not opened.
    void (*run)(HostedPlugin& plugin, CheckReport& report);
    unsigned covers = Covers::AnyGui;
    /// What checks the same rule for the objects this one does not cover.
    const char* instead = nullptr;
};

/// Whether `check` applies to objects of `profile`.
bool applies(const ContractCheck& check, const ObjectProfile& profile);
/// Why `check` is skipped for objects of `profile`, and what applies instead.
std::string skipReason(const ContractCheck& check, const ObjectProfile& profile);
/// The families a check covers, for the checks list: "library",
/// "version-2, legacy", "GDI windows", ...
std::string coveredFamilies(const ContractCheck& check);

/// Every check, in the order validate runs them.
const std::vector<ContractCheck>& contractChecks();
