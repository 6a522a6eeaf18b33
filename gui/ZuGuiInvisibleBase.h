// Base of version-2 GUI objects that draw nothing: MpGuiBase2 with its own
// reference count. Concrete objects derive from it, register their pins in
// their constructor and are created through the factory with a count of 1.
#pragma once

#include <cstdint>

#include "gui/MpGuiBase2.h"

class ZuGuiInvisibleBase : public MpGuiBase2 {
public:
    /// Adds one reference; answers the new count. Plain arithmetic, GUI thread.
    std::int32_t addRef() override;
    /// Drops one reference; at 0 destroys the object and answers 0.
    std::int32_t release() override;

protected:
    ZuGuiInvisibleBase() = default;

private:
    std::int32_t refCount = 1;  // the creator's reference
};
