// The life of a GUI object as its host sees it: the one reference count all
// its views share, and the reference the object holds on itself through
// each operation the host calls that calls out to the host again. A host may
// drop its last reference from inside such a call (a release inside
// sendPinValue, or inside the queryInterface of setHost); the object then
// calls the host no more, and goes when that operation ends, never in its
// middle. Owned by the two GUI object bases; GUI thread only.
#pragma once

#include <cstdint>

#include "gui/CallInProgress.h"
#include "interfaces/IMpUnknown.h"
#include "platform/Compiler.h"

class ObjectLifetime {
public:
    /// Starts with `references`: an object starts with its creator's one.
    explicit ObjectLifetime(std::int32_t references = 1) : count(references) {}
    ObjectLifetime(const ObjectLifetime&) = delete;
    ObjectLifetime& operator=(const ObjectLifetime&) = delete;

    /// Adds one reference and answers the new count. The count saturates at
    /// INT32_MAX: it stays there, and the object is never destroyed, since a
    /// count past counting cannot tell when the last holder has gone.
    std::int32_t addRef() noexcept;
    /// Drops one reference and answers the count left; at 0 the caller
    /// destroys the object. A saturated count stays as it is.
    std::int32_t release() noexcept;
    /// True while only the object's own operation in progress holds it: the
    /// host has let go, so nothing more is sent to it.
    bool heldOnlyByItself() const noexcept { return holding && count == 1; }

    /// The first local of an operation the host calls that may call the host:
    /// the outermost one in progress holds one reference until it returns,
    /// then gives it back through the object's release, which may destroy
    /// the object, the last thing the operation does.
    class Hold {
    public:
        // Out of line, so that the operation it records is its caller.
        CORVANE_NOINLINE Hold(ObjectLifetime& lifetime, gmpi::IMpUnknown& object) noexcept;
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ObjectLifetime& life;
        gmpi::IMpUnknown& self;
        bool outermost;
    };

private:
    void take() noexcept;
    // An operation abandoned by a fault the message dispatch caught (host code
    // inside a timer's send) never gave its reference back: give it now.
    // Asks about the caller `up` frames above this one, with `key` (see
    // CallInProgress::enclosesCaller).
    CORVANE_NOINLINE void forgetAbandonedOperation(const void* key = nullptr, unsigned up = 0) noexcept;

    std::int32_t count;
    bool holding = false;    // the outermost operation in progress holds a reference
    CallInProgress operation;
};
