// Creates a module's objects through its own factory (MP_GetFactory of the
// module linked into the test program), as a host does: a version-2 object
// by createObject2 and then its setHost, a legacy object by createObject,
// which attaches it. For unit tests of a module's classes.
#pragma once

#include <cstdint>

#include "interfaces/IMpUnknown.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IMpUserInterface2.h"

namespace corvane::testing {

/// What a creation answered: the factory's (or setHost's) result and the
/// object's primary pointer, whose one reference the caller owns (null when
/// none was made).
struct Created {
    std::int32_t result;
    gmpi::IMpUnknown* object;

    /// The primary pointer of a version-2 object.
    gmpi::IMpUserInterface2B* version2() const { return static_cast<gmpi::IMpUserInterface2B*>(object); }
    /// The primary pointer of a legacy object.
    gmpi::IMpUserInterface* legacy() const { return static_cast<gmpi::IMpUserInterface*>(object); }
};

/// createObject2 of the GUI class `identifier`, then setHost(host) when
/// `host` is not null. An object whose setHost fails is still answered.
Created createVersion2(const char16_t* identifier, gmpi::IMpUnknown* host);

/// createObject of the GUI class `identifier` with `host`, which attaches a
/// legacy object (the factory catches what a legacy setHost throws).
Created createLegacy(const char16_t* identifier, gmpi::IMpUnknown* host);

}  // namespace corvane::testing
