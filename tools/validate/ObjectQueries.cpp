#include "tools/validate/ObjectQueries.h"

#include "interfaces/InterfaceIds.h"
#include "tools/validate/CheckSupport.h"

using namespace gmpi;

FamilyIdentifiers identifiersOf(const ObjectProfile& profile) {
    FamilyIdentifiers ids;
    if (profile.family == GuiFamily::Version2) {
        ids.primary = {{"IMpUnknown", IID_IMpUnknown}, {"IMpUserInterface2", IID_IMpUserInterface2},
                       {"IMpUserInterface2B", IID_IMpUserInterface2B}};
    } else {
        ids.primary = {{"IMpUnknown", IID_IMpUnknown}, {"IMpUserInterface", IID_IMpUserInterface}};
        ids.views.push_back({"IMpLegacyInitialization", IID_IMpLegacyInitialization});
    }
    if (profile.winGdi) ids.views.push_back({"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi});
    if (profile.composited) ids.views.push_back({"IZuGraphicsComposited", IID_IZuGraphicsComposited});
    return ids;
}

const std::vector<NamedId>& ourIdentifiers() {
    static const std::vector<NamedId> ids{
        {"IMpUnknown", IID_IMpUnknown},
        {"IMpUserInterface", IID_IMpUserInterface},
        {"IMpLegacyInitialization", IID_IMpLegacyInitialization},
        {"IMpUserInterface2", IID_IMpUserInterface2},
        {"IMpUserInterface2B", IID_IMpUserInterface2B},
        {"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi},
        {"IZuGraphicsComposited", IID_IZuGraphicsComposited},
        {"IMpFactory", IID_IMpFactory},
        {"IMpFactory2", IID_IMpFactory2},
    };
    return ids;
}

std::vector<NamedId> foreignIdentifiers(GuiFamily family) {
    InterfaceId lastByteFlipped = IID_IMpUnknown;
    lastByteFlipped.data4[7] ^= 0x01;
    InterfaceId factoryFlipped = IID_IMpFactory2;
    factoryFlipped.data4[7] ^= 0x80;
    std::vector<NamedId> ids{{"IMpUnknown with its last byte changed", lastByteFlipped},
                             {"IMpFactory2 with its last byte changed", factoryFlipped},
                             {"an unassigned identifier", {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}}},
                             {"IGuiHost2 (the host's own)", IID_IGuiHost2}};
    if (family == GuiFamily::Legacy) {
        InterfaceId userInterfaceFlipped = IID_IMpUserInterface;
        userInterfaceFlipped.data4[7] ^= 0x01;
        ids.insert(ids.end(), {{"IMpUserInterface with its last byte changed", userInterfaceFlipped},
                               {"IGuiHost (the host's own)", IID_IGuiHost},
                               {"IGraphicsHostComposited (the host's own)", IID_IGraphicsHostComposited}});
    }
    return ids;
}

bool Answer::answered() const { return code == ResultOk && pointer != nullptr && pointer != untouched; }

void Answer::giveBack() const {
    if (answered() && added > 0) static_cast<IMpUnknown*>(pointer)->release();
}

Answer ask(IMpUnknown* primary, IMpUnknown* through, const InterfaceId& iid) {
    Answer answer;
    const std::int32_t before = countOf(primary);
    answer.pointer = untouched;
    answer.code = through->queryInterface(iid, &answer.pointer);
    answer.added = countOf(primary) - before;
    return answer;
}

void expectRefused(IMpUnknown* object, const std::string& objectName, const NamedId& id, CheckReport& report) {
    const std::int32_t before = countOf(object);
    void* out = untouched;
    const std::int32_t answer = object->queryInterface(id.iid, &out);
    report.expect(answer == ResultNoInterface, objectName + " answered " + result(answer) + " for " + id.name + " (want -2)");
    report.expect(out == nullptr, objectName + " left " + hex(out) + " in the out pointer for " + id.name + " (want null)");
    if (answer == ResultOk && out != nullptr && out != untouched) static_cast<IMpUnknown*>(out)->release();
    else report.expect(countOf(object) == before, objectName + " changed its count refusing " + id.name);
}

IMpUnknown* createBare(HostedPlugin& plugin, CheckReport& report) {
    void* created = nullptr;
    const std::int32_t answer = plugin.factory()->createObject2(plugin.identifier().c_str(), plugin.pins().kind, &created);
    report.expect(answer == ResultOk && created != nullptr,
                  "createObject2 answered " + result(answer) + (created == nullptr ? " and no object" : ""));
    if (answer != ResultOk && created != nullptr) {
        static_cast<IMpUnknown*>(created)->release();
        return nullptr;
    }
    return static_cast<IMpUnknown*>(created);
}
