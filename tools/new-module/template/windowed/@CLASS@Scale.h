// The geometry of @CLASS@Gui's bar: where a level ends on the screen and
// which level a click means. Needs no window, so it is built and tested on
// every platform, natively under the sanitizers too; @CLASS@Gui calls it.
#pragma once

class @CLASS@Scale {
public:
    /// The level shown for a pin value: clamped to 0..1, NaN as 0.
    static float shownLevel(float value);
    /// The bar's width in pixels for the pin value `value` in a window
    /// `width` pixels wide; 0 when the width is not positive.
    static int barWidth(float value, int width);
    /// The level a click at client x means in a window `width` pixels wide:
    /// 0 at the left edge, 1 at the right, clamped; 0 when the width is not positive.
    static float levelAt(int x, int width);
};
