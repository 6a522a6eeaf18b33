#include "gui/MpGuiBase.h"

std::int32_t MpGuiBase::addRef() { return ++refCount; }

std::int32_t MpGuiBase::release() { return releaseCounted(refCount); }
