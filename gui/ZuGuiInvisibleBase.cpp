#include "gui/ZuGuiInvisibleBase.h"

std::int32_t ZuGuiInvisibleBase::addRef() { return ++refCount; }

std::int32_t ZuGuiInvisibleBase::release() {
    if (--refCount != 0) return refCount;
    delete this;
    return 0;
}
