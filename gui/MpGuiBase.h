// The legacy GUI object base the graphics bases derive from, and the usual
// base of a legacy GUI object that draws nothing. Everything, the object's
// one reference count included, is MpGuiBase_base's.
#pragma once

#include "gui/MpGuiBase_base.h"

class MpGuiBase : public MpGuiBase_base {
public:
    MpGuiBase() = default;
    ~MpGuiBase() override = default;
};
