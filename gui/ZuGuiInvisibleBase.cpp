#include "gui/ZuGuiInvisibleBase.h"

std::int32_t ZuGuiInvisibleBase::addRef() { return lifetime.addRef(); }

std::int32_t ZuGuiInvisibleBase::release() {
    const std::int32_t left = lifetime.release();
    if (left == 0) delete this;
    return left;
}
