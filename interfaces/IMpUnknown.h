// The base of every interface that crosses the boundary: identity query and
// reference counting. Hosts call these by slot; the order is the contract.
#pragma once

#include <cstdint>

#include "interfaces/InterfaceId.h"

namespace gmpi {

/// [the thread of the interface it heads] An object's views share one count
/// and one identity; the IMpUnknown view is the object's identity.
class IMpUnknown {
public:
    /// Slot 1. Answers the object's view for `iid` and adds one reference,
    /// or ResultNoInterface with *out null. Any view answers as the primary one.
    virtual std::int32_t queryInterface(const InterfaceId& iid, void** out) = 0;
    /// Slot 2. Adds one reference; answers the new count.
    virtual std::int32_t addRef() = 0;
    /// Slot 3. Drops one reference; answers the new count, 0 once the object
    /// is destroyed.
    virtual std::int32_t release() = 0;

protected:
    // Interfaces declare no virtual destructor: it would shift every slot
    // after it on some compilers. Objects are destroyed through release().
    ~IMpUnknown() = default;
};

}  // namespace gmpi
