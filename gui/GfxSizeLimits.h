// The size a graphics base asks for in measure: each side of the host's
// proposal clamped to 15..100 pixels. Shared by the GDI and composited bases.
#pragma once

#include <algorithm>
#include <cstdint>

#include "interfaces/GraphicsTypes.h"

constexpr std::int32_t gfxMinimumSide = 15;
constexpr std::int32_t gfxMaximumSide = 100;

constexpr MpSize clampToGfxSizeLimits(MpSize proposed) {
    return {std::clamp(proposed.width, gfxMinimumSide, gfxMaximumSide),
            std::clamp(proposed.height, gfxMinimumSide, gfxMaximumSide)};
}
