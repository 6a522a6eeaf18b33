// The legacy GUI object base with a reference count of its own: the class the
// graphics bases derive from, and the usual base of a legacy GUI object that
// draws nothing. Everything else is MpGuiBase_base's.
#pragma once

#include <cstdint>

#include "gui/MpGuiBase_base.h"

class MpGuiBase : public MpGuiBase_base {
public:
    MpGuiBase() = default;

    /// Count on MpGuiBase's own refCount, which every view shares; the
    /// MpGuiBase_base count stays unused.
    std::int32_t addRef() override;
    std::int32_t release() override;

    ~MpGuiBase() override = default;

protected:
    std::int32_t refCount = 1;
};
