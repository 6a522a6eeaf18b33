// Checks of legacy objects attached through the factory, as hosts attach
// them, on the legacy host of Corvane::testing: which interfaces the object
// asks for and what createObject answers, for each set of interfaces the host
// offers. Also compares placement rectangles for the graphics tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include "interfaces/GraphicsTypes.h"
#include "interfaces/InterfaceIds.h"
#include "testing/LegacyHost.h"
#include "testing/ModuleFactory.h"

/// Placement rectangles compare field by field in the graphics tests.
inline bool operator==(const MpRect& a, const MpRect& b) {
    return a.top == b.top && a.bottom == b.bottom && a.left == b.left && a.right == b.right;
}

/// One attachment through the factory: which interfaces the host offers (or
/// no host at all), what createObject answers, and what the object asked for.
struct FactoryAttachCase {
    const char* name;
    corvane::testing::HostOffers offers;
    bool nullHost;
    std::int32_t result;
    std::vector<gmpi::InterfaceId> asked;
};

/// Creates the GUI class `identifier` through createObject once per case.
/// The object comes back in every case (only its setHost may throw) and is
/// released here.
inline void expectFactoryAttach(const char16_t* identifier, std::initializer_list<FactoryAttachCase> cases) {
    for (const FactoryAttachCase& c : cases) {
        SCOPED_TRACE(c.name);
        corvane::testing::LegacyHost host(c.offers);
        const auto created = corvane::testing::createLegacy(identifier, c.nullHost ? nullptr : host.unknown());
        EXPECT_EQ(created.result, c.result);
        ASSERT_NE(created.object, nullptr);
        EXPECT_EQ(host.asked, c.asked);
        EXPECT_EQ(created.object->release(), 0);
    }
}
