// The version-2 GUI interface: the host's view of a version-2 GUI object.
// The host receives the same eleven-slot table for IMpUserInterface2 and
// IMpUserInterface2B. All calls arrive on the host's GUI thread.
#pragma once

#include <cstdint>

#include "interfaces/IMpUnknown.h"

namespace gmpi {

class IMpUserInterface2 : public IMpUnknown {
public:
    /// Slot 4. Attaches the object to its host: asks `host` for IGuiHost2.
    /// ResultOk when obtained, ResultNoInterface when the host lacks it.
    virtual std::int32_t setHost(IMpUnknown* host) = 0;
    /// Slot 5. Reserved host call; arguments are never read. ResultOk.
    virtual std::int32_t hostCallA() = 0;
    /// Slot 6. Delivers a pin value: `byteSize` bytes at `data`, which the
    /// object copies during the call. Does not run the change callback.
    /// ResultOk, or ResultFail when no pin answers the index or the value is refused.
    virtual std::int32_t setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                const void* data) = 0;
    /// Slots 7 to 10. Reserved host calls; arguments are never read. ResultFail.
    virtual std::int32_t hostCallB() = 0;
    virtual std::int32_t hostCallC() = 0;
    virtual std::int32_t hostCallD() = 0;
    virtual std::int32_t hostCallE() = 0;

protected:
    ~IMpUserInterface2() = default;
};

class IMpUserInterface2B : public IMpUserInterface2 {
public:
    /// Slot 11. Runs the change callback of the pin at `pinIndex` with `voice`.
    /// ResultOk (also for a pin without callback); ResultFail for an unknown index.
    virtual std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice) = 0;

protected:
    ~IMpUserInterface2B() = default;
};

}  // namespace gmpi
