#include "tools/validate/ContractChecks.h"

#include "tools/hosting/PluginDebugOutput.h"
#include "tools/validate/AttachChecks.h"
#include "tools/validate/IdentityChecks.h"
#include "tools/validate/LibraryChecks.h"
#include "tools/validate/PinChecks.h"
#include "tools/validate/WindowChecks.h"

void CheckReport::expect(bool holds, const std::string& what) {
    if (!holds) failures.push_back(what);
}

void CheckReport::heardAfterCall(const std::string& call, std::int32_t answer) {
    for (const std::string& line : pluginDebugOutput::take()) failures.push_back(pluginDebugOutput::afterCall(line, call, answer));
}

void CheckReport::heardDuringLastStep() {
    for (const std::string& line : pluginDebugOutput::take())
        failures.push_back(line + (lastStep.empty() ? "" : " (said during " + lastStep + ")"));
}

bool applies(const ContractCheck& check, const ObjectProfile& profile) {
    if (check.covers & Covers::Library) return true;
    if ((check.covers & Covers::NoGui) && profile.family == GuiFamily::None) return true;
    const bool gui = ((check.covers & Covers::Version2) && profile.family == GuiFamily::Version2) ||
                     ((check.covers & Covers::Legacy) && profile.family == GuiFamily::Legacy);
    if (!gui) return false;
    const unsigned graphics = check.covers & (Covers::WinGdi | Covers::Composited);
    if (graphics == 0) return true;
    return ((graphics & Covers::WinGdi) && profile.winGdi) || ((graphics & Covers::Composited) && profile.composited);
}

std::string coveredFamilies(const ContractCheck& check) {
    if (check.covers & Covers::Library) return "library";
    std::string text;
    const auto add = [&text](const char* name) { text += (text.empty() ? "" : ", ") + std::string(name); };
    const unsigned graphics = check.covers & (Covers::WinGdi | Covers::Composited);
    if (graphics == 0) {
        if (check.covers & Covers::Version2) add("version-2");
        if (check.covers & Covers::Legacy) add("legacy");
        return text;
    }
    if (graphics & Covers::WinGdi) add("GDI window");
    if (graphics & Covers::Composited) add("composited");
    return text;
}

std::string skipReason(const ContractCheck& check, const ObjectProfile& profile) {
    std::string reason = "does not apply: the class's objects are " + profile.describe() + ", and this check covers " +
                         coveredFamilies(check) + " objects";
    if (profile.family == GuiFamily::None) reason += "; such an object fails object-identity, and only the library checks apply besides";
    else if (check.instead != nullptr) reason += std::string("; for these, ") + check.instead;
    return reason;
}

// The one list of checks, in the order validate runs them: the library's,
// then the objects' (identity, counting, attaching, pins), then those of
// objects that draw. The run functions live by contract rule in
// LibraryChecks, IdentityChecks, AttachChecks, PinChecks and WindowChecks.
const std::vector<ContractCheck>& contractChecks() {
    static const std::vector<ContractCheck> checks = [] {
        using namespace Covers;
        std::vector<ContractCheck> all{
            {"export-table", "the library exports MP_GetFactory and nothing else (natively, also CorvaneFireDueTimers)", exportTable, Library},
            {"factory-identity", "MP_GetFactory gives one factory answering IMpUnknown, IMpFactory, IMpFactory2", factoryIdentity,
             Library},
            {"factory-counting", "the factory's addRef and release balance and never destroy it", factoryCounting, Library},
            {"refuses-unknown-identifiers", "factory, object and each of its views refuse identifiers they do not implement",
             refusesUnknownIdentifiers, AnyGui},
            {"com-iunknown-refused", "factory, object and each of its views refuse the COM IUnknown value", comIUnknownRefused, AnyGui},
            {"create-unknown-class", "creating an unregistered class answers ResultNoInterface and null", createUnknownClass, Library},
            {"object-identity", "the object answers its interfaces with its primary pointer or its views, and every view the same",
             objectIdentity, AnyGui | NoGui},
            {"object-counting", "the object starts at 1, each query through any view adds one, the last release answers 0",
             objectCounting, AnyGui},
            {"set-host", "setHost takes an IGuiHost2 host and refuses a host without it", setHost, Version2,
             "legacy-set-host checks how createObject attaches them"},
            {"legacy-set-host",
             "createObject attaches with IGuiHost and the graphics host interfaces; without them: ResultFail, nothing out, no leak",
             legacySetHost, Legacy, "set-host checks their own setHost"},
            {"unregistered-pins", "setPin and notifyPin on undescribed pins answer ResultFail and send nothing", unregisteredPins, AnyGui},
            {"pin-description", "every value sent is on a pin the description declares as output (out or in-out)",
             pinDescriptionConsistent, AnyGui},
            {"described-pins-answered", "every described input pin takes a value: accepted (ResultOk) or answered with a send",
             describedPinsAnswered, AnyGui},
            {"described-types", "every value sent has its pin's described bytes: a float 4, a text whole UTF-16 units, no NUL",
             describedTypes, AnyGui},
            {"locale-unchanged", "using the object leaves the process locale as it was", localeUnchanged, AnyGui},
            {"no-send-before-set-host", "an object without a host sends nothing and survives pin traffic", noSendBeforeSetHost, AnyGui},
        };
        all.insert(all.end(), windowChecks().begin(), windowChecks().end());
        return all;
    }();
    return checks;
}
