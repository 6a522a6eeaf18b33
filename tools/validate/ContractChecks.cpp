#include "tools/validate/ContractChecks.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdint>
#include <initializer_list>
#include <locale>

#include "interfaces/InterfaceIds.h"
#include "tools/hosting/ExportTable.h"
#include "tools/hosting/HostObject.h"
#include "tools/hosting/PinValue.h"
#include "tools/validate/CheckSupport.h"
#include "tools/validate/WindowChecks.h"
#include "tools/session/Session.h"

using namespace gmpi;

namespace {

struct NamedId {
    const char* name;
    InterfaceId iid;
};

/// Identifiers no plug-in object may answer: near misses of ours and
/// interfaces that belong to the host.
std::vector<NamedId> foreignIdentifiers() {
    InterfaceId lastByteFlipped = IID_IMpUnknown;
    lastByteFlipped.data4[7] ^= 0x01;
    InterfaceId factoryFlipped = IID_IMpFactory2;
    factoryFlipped.data4[7] ^= 0x80;
    return {{"IMpUnknown with its last byte changed", lastByteFlipped},
            {"IMpFactory2 with its last byte changed", factoryFlipped},
            {"an unassigned identifier", {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}}},
            {"IGuiHost2 (the host's own)", IID_IGuiHost2}};
}

/// Asks `object` for `iid` and expects a refusal that leaves no pointer and no reference.
void expectRefused(IMpUnknown* object, const char* objectName, const NamedId& id, CheckReport& report) {
    const std::int32_t before = countOf(object);
    void* out = untouched;
    const std::int32_t answer = object->queryInterface(id.iid, &out);
    report.expect(answer == ResultNoInterface,
                  std::string(objectName) + " answered " + result(answer) + " for " + id.name + " (want -2)");
    report.expect(out == nullptr, std::string(objectName) + " left " + hex(out) + " in the out pointer for " + id.name +
                                      " (want null)");
    if (answer == ResultOk && out != nullptr) static_cast<IMpUnknown*>(out)->release();
    else report.expect(countOf(object) == before, std::string(objectName) + " changed its count refusing " + id.name);
}

/// Asks `object` for each of `ids` and expects ResultOk with `object` itself,
/// the primary pointer, also when IMpUnknown is asked through the answer.
void expectAnswered(IMpUnknown* object, const char* objectName, std::initializer_list<NamedId> ids, CheckReport& report) {
    for (const NamedId& id : ids) {
        void* out = untouched;
        const std::int32_t answer = object->queryInterface(id.iid, &out);
        report.expect(answer == ResultOk, std::string(objectName) + " answered " + result(answer) + " for " + id.name);
        report.expect(out == object, std::string(objectName) + "'s " + id.name + " pointer is not its primary pointer");
        if (answer != ResultOk || out == nullptr || out == untouched) continue;
        void* again = nullptr;
        static_cast<IMpUnknown*>(out)->queryInterface(IID_IMpUnknown, &again);
        report.expect(again == object, std::string("IMpUnknown asked through ") + objectName + "'s " + id.name + " differs");
        if (again != nullptr) static_cast<IMpUnknown*>(again)->release();
        static_cast<IMpUnknown*>(out)->release();
    }
}

/// MP_GetFactory's IMpUnknown, with the reference it carries.
IMpUnknown* entryUnknown(HostedPlugin& plugin) {
    void* out = nullptr;
    plugin.library().entry()(&out);
    return static_cast<IMpUnknown*>(out);
}

/// The pin indices a check delivers values on: each described input pin,
/// and for a repeated entry also the next index and the last one.
std::vector<const PinEntry*> inputPins(const ClassPins& pins) {
    std::vector<const PinEntry*> out;
    for (const PinEntry& pin : pins.pins)
        if (pin.direction != PinDirection::Out) out.push_back(&pin);
    return out;
}

struct Answers {
    std::int32_t set;
    std::int32_t notified;
};

/// Delivers a value of the pin's type on `index` and notifies it; answers
/// what setPin and notifyPin answered.
Answers deliver(IMpUserInterface2B* object, const PinEntry& pin, std::int32_t index) {
    static const char16_t text[] = u"1,2.5";
    const float number = 1.5f;
    const std::int32_t set = pin.type == PinType::Text ? object->setPin(index, 0, sizeof text - sizeof(char16_t), text)
                                                       : object->setPin(index, 0, sizeof number, &number);
    return {set, object->notifyPin(index, 0)};
}

/// Creates the class, attaches a recording host and hands both to `use`;
/// releases the object afterwards.
template <typename Use>
void withAttachedObject(HostedPlugin& plugin, std::vector<SentValue>& sent, Use use) {
    HostObject host([&sent](const SentValue& value) { sent.push_back(value); });
    IMpUserInterface2B* object = plugin.create();
    object->setHost(host.unknown());
    use(object);
    object->release();
}

void exportTable(HostedPlugin& plugin, CheckReport& report) {
    std::string error;
    const auto names = readExportTable(plugin.libraryPath(), error);
    report.expect(names.has_value(), "cannot read the export table: " + error);
    if (!names) return;
    bool entry = false;
    for (const std::string& name : *names) {
        entry = entry || name == "MP_GetFactory";
        report.expect(name == "MP_GetFactory", "exports " + name + " beside MP_GetFactory");
    }
    report.expect(entry, "does not export MP_GetFactory");
}

void factoryIdentity(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    IMpUnknown* first = entryUnknown(plugin);
    IMpUnknown* second = entryUnknown(plugin);
    report.expect(first != nullptr, "MP_GetFactory gave no factory");
    report.expect(first == second, "two calls of MP_GetFactory gave two pointers");
    if (first == nullptr) return;
    expectAnswered(first, "the factory",
                   {{"IMpUnknown", IID_IMpUnknown}, {"IMpFactory", IID_IMpFactory}, {"IMpFactory2", IID_IMpFactory2}}, report);
    first->release();
    if (second != nullptr) second->release();
}

void factoryCounting(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    IMpUnknown* factory = entryUnknown(plugin);
    const std::int32_t added = factory->addRef();
    const std::int32_t dropped = factory->release();
    // An uncounted factory answers 1 to both; a counted one steps down by one.
    report.expect((added == 1 && dropped == 1) || (dropped == added - 1 && dropped >= 1),
                  "addRef answered " + result(added) + ", release " + result(dropped));
    for (int i = 0; i < 100; ++i) {
        factory->addRef();
        factory->release();
    }
    void* out = nullptr;
    report.expect(factory->queryInterface(IID_IMpFactory2, &out) == ResultOk && out != nullptr,
                  "the factory no longer answers after balanced addRef and release");
    if (out != nullptr) static_cast<IMpUnknown*>(out)->release();
    factory->release();
}

void refusesUnknownIdentifiers(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    for (const NamedId& id : foreignIdentifiers()) expectRefused(plugin.factory(), "the factory", id, report);
    IMpUserInterface2B* object = plugin.create();
    for (const NamedId& id : foreignIdentifiers()) expectRefused(object, "the object", id, report);
    expectRefused(object, "the object", {"IMpFactory", IID_IMpFactory}, report);
    object->release();
}

void comIUnknownRefused(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const NamedId com{"the COM IUnknown value", IID_ComIUnknown};
    expectRefused(plugin.factory(), "the factory", com, report);
    IMpUserInterface2B* object = plugin.create();
    expectRefused(object, "the object", com, report);
    object->release();
}

void createUnknownClass(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const std::u16string& identifier = plugin.identifier();
    const std::int32_t kind = plugin.pins().kind;
    struct Attempt {
        std::string what;
        std::u16string identifier;
        std::int32_t kind;
    };
    std::vector<Attempt> attempts{{"an unregistered identifier", u"No-Such-Class", kind},
                                  {"the empty identifier", u"", kind},
                                  {"the identifier followed by a blank", identifier + u" ", kind}};
    for (const std::int32_t other : {kind == INT32_MAX ? kind : kind + 1, kind == INT32_MIN ? kind : kind - 1})
        if (other != kind) attempts.push_back({"the identifier under kind " + std::to_string(other), identifier, other});
    if (identifier.size() > 1)
        attempts.push_back({"the identifier without its last unit", identifier.substr(0, identifier.size() - 1), kind});
    HostObject host(nullptr);
    for (const Attempt& attempt : attempts) {
        void* out = untouched;
        std::int32_t answer = plugin.factory()->createObject2(attempt.identifier.c_str(), attempt.kind, &out);
        report.expect(answer == ResultNoInterface && out == nullptr,
                      "createObject2 with " + attempt.what + " answered " + result(answer) + " and " + hex(out));
        if (answer == ResultOk && out != nullptr && out != untouched) static_cast<IMpUnknown*>(out)->release();
        out = untouched;
        answer = plugin.factory()->createObject(attempt.identifier.c_str(), attempt.kind, host.unknown(), &out);
        report.expect(answer == ResultNoInterface && out == nullptr,
                      "createObject with " + attempt.what + " answered " + result(answer) + " and " + hex(out));
        if (answer == ResultOk && out != nullptr && out != untouched) static_cast<IMpUnknown*>(out)->release();
    }
}

void objectIdentity(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    void* created = nullptr;
    const std::int32_t answer = plugin.factory()->createObject2(plugin.identifier().c_str(), plugin.pins().kind, &created);
    report.expect(answer == ResultOk && created != nullptr, "createObject2 answered " + result(answer));
    if (created == nullptr) return;
    auto* object = static_cast<IMpUnknown*>(created);
    expectAnswered(object, "the object",
                   {{"IMpUnknown", IID_IMpUnknown}, {"IMpUserInterface2", IID_IMpUserInterface2},
                    {"IMpUserInterface2B", IID_IMpUserInterface2B}},
                   report);
    object->release();
}

void objectCounting(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    void* created = nullptr;
    plugin.factory()->createObject2(plugin.identifier().c_str(), plugin.pins().kind, &created);
    report.expect(created != nullptr, "createObject2 gave no object");
    if (created == nullptr) return;
    auto* object = static_cast<IMpUnknown*>(created);
    const std::int32_t added = object->addRef();
    report.expect(added == 2, "addRef on a new object answered " + result(added) + " (want 2: it starts at 1)");
    const std::int32_t dropped = object->release();
    report.expect(dropped == 1, "release after it answered " + result(dropped) + " (want 1)");
    void* view = nullptr;
    object->queryInterface(IID_IMpUserInterface2B, &view);
    const std::int32_t afterQuery = countOf(object);
    report.expect(afterQuery == 2, "after a successful query the count is " + result(afterQuery) + " (want 2)");
    if (view != nullptr) static_cast<IMpUnknown*>(view)->release();
    const std::int32_t last = object->release();
    report.expect(last == 0, "the last release answered " + result(last) + " (want 0)");
}

void setHost(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    {
        HostObject host(nullptr);
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(host.unknown());
        report.expect(answer == ResultOk, "setHost with an IGuiHost2 host answered " + result(answer));
        report.expect(host.guiHost2Queries() > 0, "setHost never asked the host for IGuiHost2");
        object->release();
    }
    {
        HostObject bare(nullptr, HostOffers::none());
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(bare.unknown());
        report.expect(answer == ResultNoInterface, "setHost with a host without IGuiHost2 answered " + result(answer) + " (want -2)");
        object->release();
    }
    {
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(nullptr);
        report.expect(answer != ResultOk, "setHost with no host at all answered ResultOk");
        object->release();
    }
}

void unregisteredPins(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const ClassPins& pins = plugin.pins();
    std::int32_t highest = -1;
    for (const PinEntry& pin : pins.pins) highest = std::max(highest, pin.last());
    std::vector<std::int32_t> indices{-1, INT32_MIN, INT32_MAX};
    if (highest < INT32_MAX) indices.push_back(highest + 1);
    std::vector<SentValue> sent;
    withAttachedObject(plugin, sent, [&](IMpUserInterface2B* object) {
        for (std::int32_t index : indices) {
            if (pins.find(index) != nullptr) continue;
            const float number = 1.5f;
            const std::int32_t set = object->setPin(index, 0, sizeof number, &number);
            report.expect(set == ResultFail, "setPin on unregistered pin " + std::to_string(index) + " answered " + result(set));
            const std::int32_t notified = object->notifyPin(index, 0);
            report.expect(notified == ResultFail,
                          "notifyPin on unregistered pin " + std::to_string(index) + " answered " + result(notified));
        }
    });
    report.expect(sent.empty(), "the object sent " + std::to_string(sent.size()) + " values for pins it does not have");
}

/// Delivers a value of its type on every described input pin (for a
/// repeated entry its first, second and last index), lets timers run, and
/// answers everything the object sent.
std::vector<SentValue> driveDescribedPins(HostedPlugin& plugin) {
    std::vector<SentValue> sent;
    withAttachedObject(plugin, sent, [&](IMpUserInterface2B* object) {
        for (const PinEntry* pin : inputPins(plugin.pins())) {
            deliver(object, *pin, pin->index);
            if (pin->repeat) {
                deliver(object, *pin, pin->index + 1);
                deliver(object, *pin, pin->last());
            }
        }
        pumpMessagesFor(5);
    });
    return sent;
}

/// Reports the first few values for which `problemOf` names a problem.
template <typename ProblemOf>
void reportSent(const std::vector<SentValue>& sent, const ClassPins& pins, CheckReport& report, ProblemOf problemOf) {
    std::size_t reported = 0;
    for (const SentValue& value : sent) {
        const DecodedValue decoded = decodeValue(value, pins);
        const std::string problem = problemOf(value, decoded);
        if (problem.empty() || ++reported > 5) continue;
        report.expect(false, "sent on pin " + std::to_string(value.pin) + " (" + decoded.type + " " + decoded.text.substr(0, 60) +
                                 "): " + problem);
    }
}

void pinDescriptionConsistent(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    reportSent(driveDescribedPins(plugin), plugin.pins(), report,
               [](const SentValue&, const DecodedValue& decoded) { return decoded.bytesWrong ? std::string() : decoded.problem; });
}

void describedTypes(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    reportSent(driveDescribedPins(plugin), plugin.pins(), report, [](const SentValue& value, const DecodedValue& decoded) {
        if (decoded.bytesWrong) return decoded.problem;
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
    std::vector<SentValue> sent;
    withAttachedObject(plugin, sent, [&](IMpUserInterface2B* object) {
        for (const PinEntry* pin : inputPins(plugin.pins())) {
            std::vector<std::int32_t> indices{pin->index};
            if (pin->repeat) indices.insert(indices.end(), {pin->index + 1, pin->last()});
            for (const std::int32_t index : indices) {
                // Accepted (ResultOk) or reported (a value sent in answer): a pin
                // the object never registered does neither.
                const std::size_t before = sent.size();
                const Answers answers = deliver(object, *pin, index);
                report.expect(answers.set == ResultOk || answers.notified == ResultOk || sent.size() > before,
                              "described " + std::string(pinTypeName(pin->type)) + " pin " + std::to_string(index) +
                                  " is not answered: setPin " + result(answers.set) + ", notifyPin " + result(answers.notified) +
                                  ", nothing sent");
            }
        }
    });
}

void localeUnchanged(HostedPlugin& plugin, CheckReport& report) {
    // Run under a locale other than the default one where the system has it,
    // so a plug-in that resets the locale is seen as well as one that sets it.
    for (const char* name : {"C.UTF-8", "en_US.UTF-8", "English_United States.1252"})
        if (std::setlocale(LC_ALL, name) != nullptr) break;
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const std::string globalBefore = std::locale().name();

    plugin.open();
    std::vector<SentValue> sent;
    withAttachedObject(plugin, sent, [&](IMpUserInterface2B* object) {
        for (const PinEntry* pin : inputPins(plugin.pins())) deliver(object, *pin, pin->index);
        pumpMessagesFor(5);
    });
    const std::string after = std::setlocale(LC_ALL, nullptr);
    report.expect(after == before, "the C locale changed from \"" + before + "\" to \"" + after + "\"");
    report.expect(std::locale().name() == globalBefore, "the global C++ locale changed to \"" + std::locale().name() + "\"");
    std::setlocale(LC_ALL, "C");
}

void noSendBeforeSetHost(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    std::vector<SentValue> sent;
    HostObject host([&sent](const SentValue& value) { sent.push_back(value); });
    // createObject hands a host to legacy objects only; a version-2 object
    // must wait for its own setHost before sending anything.
    void* created = nullptr;
    const std::int32_t answer = plugin.factory()->createObject(plugin.identifier().c_str(), plugin.pins().kind, host.unknown(), &created);
    report.expect(answer == ResultOk && created != nullptr, "createObject answered " + result(answer));
    if (created != nullptr) {
        void* view = nullptr;
        static_cast<IMpUnknown*>(created)->queryInterface(IID_IMpUserInterface2B, &view);
        static_cast<IMpUnknown*>(created)->release();
        report.expect(view != nullptr, "the object does not answer IMpUserInterface2B");
        if (view != nullptr) {
            auto* object = static_cast<IMpUserInterface2B*>(view);
            for (const PinEntry* pin : inputPins(plugin.pins())) deliver(object, *pin, pin->index);
            pumpMessagesFor(5);
            object->release();
        }
    }
    IMpUserInterface2B* object = plugin.create();
    for (const PinEntry* pin : inputPins(plugin.pins())) deliver(object, *pin, pin->index);
    pumpMessagesFor(5);
    object->release();
    report.expect(sent.empty(), "the object sent " + std::to_string(sent.size()) + " values before setHost");
}

}  // namespace

void CheckReport::expect(bool holds, const std::string& what) {
    if (!holds) failures.push_back(what);
}

bool applies(const ContractCheck& check, const ObjectProfile& profile) {
    if (check.covers & Covers::Library) return true;
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
    if (check.instead != nullptr) reason += std::string("; for these, ") + check.instead;
    return reason;
}

const std::vector<ContractCheck>& contractChecks() {
    static const std::vector<ContractCheck> checks = [] {
    std::vector<ContractCheck> all{
        {"export-table", "the library exports MP_GetFactory and nothing else", exportTable, Covers::Library},
        {"factory-identity", "MP_GetFactory gives one factory answering IMpUnknown, IMpFactory, IMpFactory2", factoryIdentity, Covers::Library},
        {"factory-counting", "the factory's addRef and release balance and never destroy it", factoryCounting, Covers::Library},
        {"refuses-unknown-identifiers", "factory and object refuse identifiers they do not implement", refusesUnknownIdentifiers, Covers::Version2},
        {"com-iunknown-refused", "factory and object refuse the COM IUnknown value", comIUnknownRefused, Covers::Version2},
        {"create-unknown-class", "creating an unregistered class answers ResultNoInterface and null", createUnknownClass, Covers::Library},
        {"object-identity", "the object answers its interfaces with its one primary pointer", objectIdentity, Covers::Version2},
        {"object-counting", "the object starts at 1, counts queries, and the last release answers 0", objectCounting, Covers::Version2},
        {"set-host", "setHost takes an IGuiHost2 host and refuses a host without it", setHost, Covers::Version2},
        {"unregistered-pins", "setPin and notifyPin on undescribed pins answer ResultFail and send nothing", unregisteredPins, Covers::Version2},
        {"pin-description", "every value sent is on a pin the description declares as output (out or in-out)", pinDescriptionConsistent, Covers::Version2},
        {"described-pins-answered", "every described input pin takes a value: accepted (ResultOk) or answered with a send", describedPinsAnswered, Covers::Version2},
        {"described-types", "every value sent has its pin's described bytes: a float 4, a text whole UTF-16 units, no NUL", describedTypes, Covers::Version2},
        {"locale-unchanged", "using the object leaves the process locale as it was", localeUnchanged, Covers::Version2},
        {"no-send-before-set-host", "an object without a host sends nothing and survives pin traffic", noSendBeforeSetHost, Covers::Version2},
    };
    all.insert(all.end(), windowChecks().begin(), windowChecks().end());
    return all;
    }();
    return checks;
}
