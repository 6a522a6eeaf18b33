#include "gui/ObjectLifetime.h"

#include <limits>

namespace {

constexpr std::int32_t Saturated = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::int32_t ObjectLifetime::addRef() noexcept {
    forgetAbandonedOperation();
    take();
    return count;
}

void ObjectLifetime::take() noexcept {
    if (count != Saturated) ++count;
}

std::int32_t ObjectLifetime::release() noexcept {
    forgetAbandonedOperation();
    if (count != Saturated) --count;
    return count;
}

void ObjectLifetime::forgetAbandonedOperation(const void* key, unsigned up) noexcept {
    if (!operation.recorded() || operation.enclosesCaller(key, up)) return;
    operation.end();
    // The caller is a host call, made with a reference of the host's own, so
    // the count stays above 0 here.
    if (holding && count != Saturated) --count;
    holding = false;
}

// The operation is the constructor's caller: one frame above this one for
// begin, two above forgetAbandonedOperation. The hold's own address tells a
// hold that the optimiser placed inside the operation's frame (a nested one)
// from the first hold of a later operation at the same place.
ObjectLifetime::Hold::Hold(ObjectLifetime& lifetime, gmpi::IMpUnknown& object) noexcept
    : life(lifetime), self(object) {
    life.forgetAbandonedOperation(this, 2);
    outermost = !life.operation.recorded();
    if (!outermost) return;
    life.operation.begin(this, 1);
    life.take();
    life.holding = true;
}

ObjectLifetime::Hold::~Hold() {
    if (!outermost) return;
    life.operation.end();
    life.holding = false;
    self.release();
}
