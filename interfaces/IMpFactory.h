// The factory interfaces the host reaches through MP_GetFactory
// (interfaces/MpGetFactory.h), and the object kinds it creates.
#pragma once

#include <cstdint>

#include "interfaces/IMpUnknown.h"

/// The kind under which GUI classes are registered: the `kind` a host gives
/// createObject and createObject2 for a GUI object.
constexpr std::int32_t ObjectKindGui = 2;

namespace gmpi {

/// [any thread, once the library has loaded] The registry no longer changes
/// then. Not counted: addRef and release answer 1, and the factory lives
/// until the library is unloaded.
class IMpFactory : public IMpUnknown {
public:
    /// Slot 4. Creates the class registered under (kind, identifier) and, if it
    /// takes legacy initialisation, gives it `host`. ResultOk with *out holding
    /// the caller's one reference; ResultNoInterface with *out null for an
    /// unregistered class; ResultFail if creation or set-up threw (*out then
    /// holds the new object, caller-owned, if only set-up threw).
    virtual std::int32_t createObject(const char16_t* identifier, std::int32_t kind, IMpUnknown* host,
                                      void** out) = 0;
    /// Slot 5. Writes the version and a zero-terminated build text into at most
    /// `capacity` units of `text`. Always ResultOk.
    virtual std::int32_t getBuildInfo(std::int32_t* version, std::int32_t capacity, char16_t* text) = 0;

protected:
    ~IMpFactory() = default;
};

/// [any thread, once the library has loaded] As IMpFactory.
class IMpFactory2 : public IMpFactory {
public:
    /// Slot 6. As createObject, without a host: version-2 objects are attached
    /// later through their own setHost.
    virtual std::int32_t createObject2(const char16_t* identifier, std::int32_t kind, void** out) = 0;

protected:
    ~IMpFactory2() = default;
};

}  // namespace gmpi
