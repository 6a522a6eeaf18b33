// Plain geometry records passed across the graphics interfaces, by value or
// by address. Layout is part of the binary contract.
#pragma once

#include <cstdint>

/// A width and height in pixels.
struct MpSize {
    std::int32_t width;
    std::int32_t height;
};

/// A placement rectangle in pixels of the parent window. The vertical extent
/// comes first: r0 top, r1 bottom, then r2 left, r3 right.
struct MpRect {
    std::int32_t top;
    std::int32_t bottom;
    std::int32_t left;
    std::int32_t right;
};
static_assert(sizeof(MpSize) == 8 && sizeof(MpRect) == 16, "geometry records have no padding");
