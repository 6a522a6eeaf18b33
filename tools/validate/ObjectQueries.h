// What the object checks ask of an object, by family: the identifiers the
// family answers with the primary pointer and with views of their own, the
// identifiers no object may answer, and a query whose effect on the
// object's count is measured. Used by the library, identity and counting
// checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/IMpUnknown.h"
#include "tools/hosting/GuiObject.h"
#include "tools/hosting/HostedPlugin.h"
#include "tools/validate/ContractChecks.h"

struct NamedId {
    const char* name;
    gmpi::InterfaceId iid;
};

/// The identifiers an object of `profile` answers: those of its primary
/// chain (answered with the primary pointer) and those of its views
/// (IMpLegacyInitialization, the graphics interfaces), each a pointer of its own.
struct FamilyIdentifiers {
    std::vector<NamedId> primary;
    std::vector<NamedId> views;
};
FamilyIdentifiers identifiersOf(const ObjectProfile& profile);

/// Every identifier of ours an object or the factory may answer, for
/// comparing what two views of one object answer.
const std::vector<NamedId>& ourIdentifiers();

/// Identifiers no object of `family` may answer: near misses of ours and
/// the host's own interfaces. The factory is held to the version-2 list.
std::vector<NamedId> foreignIdentifiers(GuiFamily family);

/// One query made through `through`, with what it did to the object's count
/// (read through the primary pointer before and after).
struct Answer {
    std::int32_t code = 0;
    void* pointer = nullptr;
    std::int32_t added = 0;

    bool answered() const;
    /// Gives back the reference the query added, if it added one; a query
    /// that added none is not released, so a miscounting object is not
    /// destroyed under the check that did not look for it.
    void giveBack() const;
};
Answer ask(gmpi::IMpUnknown* primary, gmpi::IMpUnknown* through, const gmpi::InterfaceId& iid);

/// Asks `object` (seen as `objectName`) for `id` and expects a refusal
/// that leaves no pointer and no reference.
void expectRefused(gmpi::IMpUnknown* object, const std::string& objectName, const NamedId& id, CheckReport& report);

/// Creates the chosen class with createObject2, unattached, and answers its
/// primary pointer with the one reference the caller owns; null, reported,
/// when the factory gives none.
gmpi::IMpUnknown* createBare(HostedPlugin& plugin, CheckReport& report);
