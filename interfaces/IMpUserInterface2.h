// The version-2 GUI interface: the host's view of a version-2 GUI object.
// The host receives the same eleven-slot table for IMpUserInterface2 and
// IMpUserInterface2B.
//
// [GUI thread] Every call on a GUI object, of this interface or of the
// legacy one (interfaces/IMpUserInterface.h), comes on the host's GUI
// thread; the object's timer ticks and window messages come through that
// thread's message loop. Nothing is locked.
//
// The calls an object sees, in order:
//   1. create: IMpFactory2::createObject2 (or createObject) builds it with a
//      count of 1, which the caller owns. It has no host yet.
//   2. setHost(host): the object asks `host` for IGuiHost2 and keeps it,
//      uncounted, for its life. It sends nothing before this.
//   3. setPin / notifyPin, any number: a change is setPin(pin, ...) followed
//      by notifyPin(pin, ...); setPin alone stores the value and runs
//      nothing. The object sends values through IGuiHost2::sendPinValue,
//      from inside these calls or on its own timer ticks, and the host may
//      call back into the object from there.
//   4. release: the release that brings the count to 0 destroys the object;
//      no call reaches it afterwards.
// queryInterface and addRef may come at any point before that last release.
#pragma once

#include <cstdint>

#include "interfaces/IMpUnknown.h"

namespace gmpi {

/// [GUI thread] The first ten slots of the version-2 table.
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

/// [GUI thread] The whole version-2 table: the object's primary pointer.
class IMpUserInterface2B : public IMpUserInterface2 {
public:
    /// Slot 11. Runs the change callback of the pin at `pinIndex` with `voice`.
    /// ResultOk (also for a pin without callback); ResultFail for an unknown index.
    virtual std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice) = 0;

protected:
    ~IMpUserInterface2B() = default;
};

}  // namespace gmpi
