// The legacy GUI interface: the host's view of a legacy GUI object, and the
// two initialisation interfaces through which such an object gets its host.
// Calls come in the order given in interfaces/IMpUserInterface2.h, except
// that the factory's createObject attaches a legacy object itself (setHost
// through IMpLegacyInitialization) before handing it out.
#pragma once

#include <cstdint>

#include "interfaces/IMpUnknown.h"

/// What a legacy setHost throws when the host lacks an interface the object
/// needs: the narrow text itself, thrown as a char* so that legacy hosts
/// catch it as char*, const char* or void* (a thrown const char* would reach
/// no handler for char* or void*).
inline constexpr const char* hostInterfacesNotSupported = "host Interfaces not supported";

namespace gmpi {

/// [GUI thread] The primary pointer of a legacy GUI object.
class IMpUserInterface : public IMpUnknown {
public:
    /// Slot 4. Reserved; arguments never read. ResultOk.
    virtual std::int32_t legacyCallA() = 0;
    /// Slot 5. Delivers a pin value, copied during the call; no callback runs.
    /// ResultOk, or ResultFail when no pin answers the index.
    virtual std::int32_t setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                const void* data) = 0;
    /// Slot 6. Runs the pin's change callback with `voice`. ResultOk, or
    /// ResultFail for an unknown index.
    virtual std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice) = 0;
    /// Slots 7 to 9. Reserved; arguments never read. ResultOk.
    virtual std::int32_t legacyCallB() = 0;
    virtual std::int32_t legacyCallC() = 0;
    virtual std::int32_t legacyCallD() = 0;

protected:
    ~IMpUserInterface() = default;
};

/// [the thread that calls createObject] The factory attaches a legacy object
/// through this view.
class IMpLegacyInitialization : public IMpUnknown {
public:
    /// Slot 4. Asks `host` for the host interfaces the object needs and keeps
    /// them, uncounted. Answers the last query's result; throws
    /// hostInterfacesNotSupported when one is missing. On Windows a host in
    /// another module than the object's code receives that as Microsoft's
    /// C++ runtime raises a thrown char* (exception 0xE06D7363), for objects
    /// built on this library's framework.
    virtual std::int32_t setHost(IMpUnknown* host) = 0;

protected:
    ~IMpLegacyInitialization() = default;
};

}  // namespace gmpi

/// [GUI thread] Older initialisation mix-in without identity; no query hands
/// it out. One setHost implementation serves it and IMpLegacyInitialization.
class IoldSchoolInitialisation {
public:
    /// Slot 1. As IMpLegacyInitialization::setHost.
    virtual std::int32_t setHost(gmpi::IMpUnknown* host) = 0;

protected:
    ~IoldSchoolInitialisation() = default;
};
