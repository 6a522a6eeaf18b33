// Base of version-2 GUI objects that draw nothing: MpGuiBase2 with its
// counting. Concrete objects derive from it, register their pins in their
// constructor and are created through the factory with a count of 1.
#pragma once

#include <cstdint>

#include "gui/MpGuiBase2.h"

class ZuGuiInvisibleBase : public MpGuiBase2 {
public:
    /// Adds one reference; answers the new count, which saturates at
    /// INT32_MAX (see ObjectLifetime). GUI thread.
    std::int32_t addRef() override;
    /// Drops one reference; at 0 destroys the object and answers 0. Inside an
    /// operation that calls the host, the object's own hold keeps it until
    /// the operation ends.
    std::int32_t release() override;

protected:
    ZuGuiInvisibleBase() = default;
};
