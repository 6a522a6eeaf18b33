#include "tools/validate/IdentityChecks.h"

#include "interfaces/InterfaceIds.h"
#include "tools/validate/CheckSupport.h"
#include "tools/validate/ObjectQueries.h"

using namespace gmpi;

namespace {

struct View {
    std::string name;  // "the object", "the object's IMpLegacyInitialization view"
    IMpUnknown* pointer;
    Answer held;       // the query that handed the view out
};

/// The pointers a host may ask through: the primary one, then each view the
/// family hands out, holding the reference its query added.
std::vector<View> viewsOf(IMpUnknown* object, const ObjectProfile& profile) {
    std::vector<View> views{{"the object", object, {}}};
    for (const NamedId& id : identifiersOf(profile).views) {
        const Answer answer = ask(object, object, id.iid);
        if (answer.answered())
            views.push_back({std::string("the object's ") + id.name + " view", static_cast<IMpUnknown*>(answer.pointer), answer});
    }
    return views;
}

void giveBack(const std::vector<View>& views) {
    for (const View& view : views) view.held.giveBack();
}

/// Refuses each of `ids` through the factory and through every view of a new object.
void expectRefusedEverywhere(HostedPlugin& plugin, const std::vector<NamedId>& factoryIds,
                             const std::vector<NamedId>& objectIds, CheckReport& report) {
    for (const NamedId& id : factoryIds) expectRefused(plugin.factory(), "the factory", id, report);
    IMpUnknown* object = createBare(plugin, report);
    if (object == nullptr) return;
    const std::vector<View> views = viewsOf(object, plugin.profile());
    for (const View& view : views)
        for (const NamedId& id : objectIds) expectRefused(view.pointer, view.name, id, report);
    giveBack(views);
    object->release();
}

}  // namespace

void refusesUnknownIdentifiers(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    std::vector<NamedId> objectIds = foreignIdentifiers(plugin.profile().family);
    objectIds.push_back({"IMpFactory", IID_IMpFactory});
    expectRefusedEverywhere(plugin, foreignIdentifiers(GuiFamily::Version2), objectIds, report);
}

void comIUnknownRefused(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const std::vector<NamedId> com{{"the COM IUnknown value", IID_ComIUnknown}};
    expectRefusedEverywhere(plugin, com, com, report);
}

void objectIdentity(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const ObjectProfile& profile = plugin.profile();
    if (profile.family == GuiFamily::None) {
        report.expect(false, "the object answers neither IMpUserInterface2B nor IMpUserInterface: a GUI object answers one of them, "
                             "or no host can deliver its pins");
        return;
    }
    IMpUnknown* object = createBare(plugin, report);
    if (object == nullptr) return;
    const FamilyIdentifiers ids = identifiersOf(profile);
    // The primary chain's identifiers give the primary pointer.
    const auto expectAnswered = [&](const Answer& answer, const NamedId& id) {
        report.expect(answer.code == ResultOk, "the object answered " + result(answer.code) + " for " + id.name);
        report.expect(answer.code != ResultOk || answer.answered(),
                      std::string("the object answered 0 for ") + id.name + " and left " + hex(answer.pointer));
    };
    for (const NamedId& id : ids.primary) {
        const Answer answer = ask(object, object, id.iid);
        expectAnswered(answer, id);
        report.expect(!answer.answered() || answer.pointer == object,
                      std::string("the object's ") + id.name + " pointer is not its primary pointer");
        answer.giveBack();
    }
    for (const NamedId& id : ids.views) {
        const Answer answer = ask(object, object, id.iid);
        expectAnswered(answer, id);
        answer.giveBack();
    }
    // Every view reaches the same object: IMpUnknown through it is the
    // primary pointer, and it answers what the primary pointer answers.
    std::vector<Answer> fromPrimary;
    for (const NamedId& id : ourIdentifiers()) fromPrimary.push_back(ask(object, object, id.iid));
    const std::vector<View> views = viewsOf(object, profile);
    for (std::size_t v = 1; v < views.size(); ++v) {
        const View& view = views[v];
        for (std::size_t i = 0; i < ourIdentifiers().size(); ++i) {
            const NamedId& id = ourIdentifiers()[i];
            const Answer answer = ask(object, view.pointer, id.iid);
            const Answer& want = fromPrimary[i];
            if (id.iid == IID_IMpUnknown) {
                report.expect(answer.answered() && answer.pointer == object,
                              "IMpUnknown asked through " + view.name + " gives " + hex(answer.pointer) + " (answer " +
                                  result(answer.code) + "), not the primary pointer " + hex(object));
            } else if (answer.answered() != want.answered()) {
                report.expect(false, std::string("asked through ") + view.name + ", " + id.name + " is answered " +
                                         result(answer.code) + "; through the primary pointer " + result(want.code));
            } else if (answer.answered() && answer.pointer != want.pointer) {
                report.expect(false, std::string("asked through ") + view.name + ", " + id.name + " gives " + hex(answer.pointer) +
                                         "; through the primary pointer " + hex(want.pointer));
            }
            answer.giveBack();
        }
    }
    giveBack(views);
    for (const Answer& answer : fromPrimary) answer.giveBack();
    object->release();
}

void objectCounting(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const ObjectProfile& profile = plugin.profile();
    IMpUnknown* object = createBare(plugin, report);
    if (object == nullptr) return;
    const std::int32_t added = object->addRef();
    report.expect(added == 2, "addRef on a new object answered " + result(added) + " (want 2: it starts at 1)");
    const std::int32_t dropped = object->release();
    report.expect(dropped == 1, "release after it answered " + result(dropped) + " (want 1)");

    // Each successful query adds one to the one count, whichever pointer it
    // is made through; every reference taken is held until the end.
    struct Held {
        std::string what;
        IMpUnknown* pointer;
    };
    std::vector<Held> held;
    const auto query = [&](IMpUnknown* through, const std::string& throughName, const NamedId& id) -> IMpUnknown* {
        const std::int32_t before = countOf(object);
        void* out = untouched;
        const std::int32_t answer = through->queryInterface(id.iid, &out);
        if (answer != ResultOk || out == nullptr || out == untouched) {
            report.expect(false, std::string("the query for ") + id.name + " through " + throughName + " answered " + result(answer) +
                                     " and " + hex(out) + " (want 0 and a pointer)");
            return nullptr;
        }
        const std::int32_t after = countOf(object);
        report.expect(after == before + 1, std::string("after a successful query for ") + id.name + " through " + throughName +
                                               " the count is " + result(after) + " (want " + result(before + 1) + ")");
        held.push_back({std::string("the reference of the query for ") + id.name + " through " + throughName,
                        static_cast<IMpUnknown*>(out)});
        return static_cast<IMpUnknown*>(out);
    };
    const FamilyIdentifiers ids = identifiersOf(profile);
    for (const NamedId& id : ids.primary) query(object, "the primary pointer", id);
    std::vector<std::pair<std::string, IMpUnknown*>> views;
    for (const NamedId& id : ids.views)
        if (IMpUnknown* view = query(object, "the primary pointer", id)) views.emplace_back(std::string("the ") + id.name + " view", view);
    for (const auto& [name, view] : views) {
        const std::int32_t before = countOf(object);
        const std::int32_t up = view->addRef();
        report.expect(up == before + 1, "addRef through " + name + " answered " + result(up) + " (want " + result(before + 1) + ")");
        const std::int32_t down = view->release();
        report.expect(down == before, "release through " + name + " answered " + result(down) + " (want " + result(before) + ")");
        query(view, name, {"IMpUnknown", IID_IMpUnknown});
    }

    // Giving them back: each release answers the count less one, and only
    // the last, the creator's, answers 0.
    held.push_back({"the creator's reference", object});
    for (std::size_t i = 0; i < held.size(); ++i) {
        const bool last = i + 1 == held.size();
        const std::int32_t before = last ? 1 : countOf(object);
        const std::int32_t answer = held[i].pointer->release();
        if (last) {
            report.expect(answer == 0, "the last release answered " + result(answer) + " (want 0)");
        } else if (answer == 0) {
            // Gone: nothing more may be called on it.
            report.expect(false, "releasing " + held[i].what + " answered 0 with " + std::to_string(held.size() - i - 1) +
                                     " references still held: the object was destroyed early");
            break;
        } else {
            report.expect(answer == before - 1,
                          "releasing " + held[i].what + " answered " + result(answer) + " (want " + result(before - 1) + ")");
        }
    }
}
