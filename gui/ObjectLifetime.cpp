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

void ObjectLifetime::forgetAbandonedOperation() noexcept {
    if (!operation.recorded() || operation.enclosesCaller()) return;
    operation.end();
    // The caller is a host call, made with a reference of the host's own, so
    // the count stays above 0 here.
    if (holding && count != Saturated) --count;
    holding = false;
}

ObjectLifetime::Hold::~Hold() {
    if (!outermost) return;
    life.operation.end();
    life.holding = false;
    self.release();
}
