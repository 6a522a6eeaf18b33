#include "tools/validate/PinChecks.h"

#include <algorithm>
#include <clocale>
#include <locale>

#include "interfaces/InterfaceIds.h"
#include "tools/hosting/PinValue.h"
#include "tools/validate/CheckSupport.h"
#include "tools/validate/PinTraffic.h"

using namespace gmpi;

namespace {

using Attach = PinTraffic::Attach;

/// Delivers a value of its type on every described input pin (for a
/// repeated entry its first, second and last index), and on a text pin also
/// the empty text every text pin holds before a host sets one; lets timers
/// run, and answers everything the object sent.
std::vector<PinTraffic::Sent> driveDescribedPins(HostedPlugin& plugin, CheckReport& report) {
    PinTraffic traffic(plugin, Attach::AsItsFamily, report);
    for (const PinEntry* pin : inputPins(plugin.pins())) {
        for (const std::int32_t index : indicesOf(*pin)) {
            if (pin->type == PinType::Text) traffic.deliverText(index, u"");
            traffic.deliver(*pin, index);
        }
    }
    traffic.letTimersRun();
    traffic.release();
    return traffic.sent();
}

/// Reports the first few values for which `problemOf` names a problem, each
/// with the host step it followed.
template <typename ProblemOf>
void reportSent(const std::vector<PinTraffic::Sent>& sent, const ClassPins& pins, CheckReport& report, ProblemOf problemOf) {
    std::size_t reported = 0;
    for (const PinTraffic::Sent& each : sent) {
        const DecodedValue decoded = decodeValue(each.value, pins);
        const std::string problem = problemOf(each.value, decoded);
        if (problem.empty() || ++reported > 5) continue;
        report.expect(false, "sent on pin " + std::to_string(each.value.pin) + " (" + decoded.type + " " +
                                 decoded.text.substr(0, 60) + ") " + each.step + ": " + problem);
    }
}

/// " (FILE)": where the description was read, for messages about it.
std::string describedIn(const ClassPins& pins) { return pins.source.empty() ? "" : " (" + pins.source + ")"; }

std::string firstSent(const std::vector<PinTraffic::Sent>& sent) {
    if (sent.empty()) return "";
    return " (the first on pin " + std::to_string(sent.front().value.pin) + ", " + sent.front().step + ")";
}

}  // namespace

void unregisteredPins(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const ClassPins& pins = plugin.pins();
    std::int32_t highest = -1;
    for (const PinEntry& pin : pins.pins) highest = std::max(highest, pin.last());
    std::vector<std::int32_t> indices{-1, INT32_MIN, INT32_MAX};
    if (highest < INT32_MAX) indices.push_back(highest + 1);
    PinTraffic traffic(plugin, Attach::AsItsFamily, report);
    for (std::int32_t index : indices) {
        if (pins.find(index) != nullptr) continue;
        // A pin the object takes although the description lacks it is
        // mostly one registered in code and left out of the description file.
        const std::string undescribed = " on pin " + std::to_string(index) + ", which the pin description" + describedIn(pins) +
                                        " does not have, answered ";
        const std::string remedy = " (want ResultFail; if the module registers that pin, add it to the description)";
        const std::int32_t set = traffic.setFloat(index);
        report.expect(set == ResultFail, "setPin" + undescribed + result(set) + remedy);
        const std::int32_t notified = traffic.notify(index);
        report.expect(notified == ResultFail, "notifyPin" + undescribed + result(notified) + remedy);
    }
    traffic.release();
    report.expect(traffic.sent().empty(), "the object sent " + std::to_string(traffic.sent().size()) +
                                              " values for pins it does not have" + firstSent(traffic.sent()));
}

// The host object holds every value against the description in every check
// (see HostedPlugin::describe); these two drive the described pins for it.
void pinDescriptionConsistent(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    driveDescribedPins(plugin, report);
}

void describedTypes(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    reportSent(driveDescribedPins(plugin, report), plugin.pins(), report, [](const SentValue& value, const DecodedValue& decoded) {
        if (!value.problem.empty()) return std::string();  // said by the host already
        // The host delivered texts without a NUL unit; one in what comes back
        // is a terminator sent along, or bytes of another type.
        if (decoded.type == "text")
            for (std::size_t i = 0; i + 1 < value.bytes.size(); i += 2)
                if (value.bytes[i] == 0 && value.bytes[i + 1] == 0)
                    return std::string("a text holds a NUL unit (texts go without a terminator)");
        return std::string();
    });
}

void describedPinsAnswered(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    PinTraffic traffic(plugin, Attach::AsItsFamily, report);
    for (const PinEntry* pin : inputPins(plugin.pins())) {
        for (const std::int32_t index : indicesOf(*pin)) {
            // Accepted (ResultOk) or reported (a value sent in answer): a pin
            // the object never registered does neither.
            const std::size_t before = traffic.sent().size();
            const PinTraffic::Answers answers = traffic.deliver(*pin, index);
            report.expect(answers.set == ResultOk || answers.notified == ResultOk || traffic.sent().size() > before,
                          "described " + std::string(pinTypeName(pin->type)) + " pin " + std::to_string(index) +
                              " is not answered: setPin " + result(answers.set) + ", notifyPin " + result(answers.notified) +
                              ", nothing sent");
        }
    }
}

void localeUnchanged(HostedPlugin& plugin, CheckReport& report) {
    // Run under a locale other than the default one where the system has it,
    // so a plug-in that resets the locale is seen as well as one that sets it.
    for (const char* name : {"C.UTF-8", "en_US.UTF-8", "English_United States.1252"})
        if (std::setlocale(LC_ALL, name) != nullptr) break;
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const std::string globalBefore = std::locale().name();

    plugin.open();
    // The first step after which each locale differs, to name it.
    std::string changedC;
    std::string changedGlobal;
    {
        PinTraffic traffic(plugin, Attach::AsItsFamily, report, [&](const std::string& step) {
            if (changedC.empty() && std::setlocale(LC_ALL, nullptr) != before) changedC = step;
            if (changedGlobal.empty() && std::locale().name() != globalBefore) changedGlobal = step;
        });
        for (const PinEntry* pin : inputPins(plugin.pins())) traffic.deliver(*pin, pin->index);
        traffic.letTimersRun();
    }
    const std::string after = std::setlocale(LC_ALL, nullptr);
    const auto first = [](const std::string& step) { return step.empty() ? std::string() : " (first " + step + ")"; };
    report.expect(after == before && changedC.empty(),
                  "the C locale changed from \"" + before + "\" to \"" + after + "\"" + first(changedC));
    report.expect(std::locale().name() == globalBefore && changedGlobal.empty(),
                  "the global C++ locale changed to \"" + std::locale().name() + "\"" + first(changedGlobal));
    std::setlocale(LC_ALL, "C");
}

void noSendBeforeSetHost(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    if (plugin.profile().family == GuiFamily::Version2) {
        // createObject hands a host to legacy objects only; a version-2 object
        // must wait for its own setHost before sending anything.
        PinTraffic traffic(plugin, Attach::ByCreateObject, report);
        for (const PinEntry* pin : inputPins(plugin.pins())) traffic.deliver(*pin, pin->index);
        traffic.letTimersRun();
        traffic.release();
        report.expect(traffic.sent().empty(), "the object sent " + std::to_string(traffic.sent().size()) +
                                                  " values before setHost" + firstSent(traffic.sent()) +
                                                  ", made by createObject, which attaches legacy objects only");
    }
    // Made without a host, any object takes pin traffic without sending or crashing.
    PinTraffic traffic(plugin, Attach::None, report);
    for (const PinEntry* pin : inputPins(plugin.pins())) traffic.deliver(*pin, pin->index);
    traffic.letTimersRun();
    traffic.release();
    report.expect(traffic.sent().empty(),
                  "the object sent " + std::to_string(traffic.sent().size()) + " values before setHost" + firstSent(traffic.sent()));
}
