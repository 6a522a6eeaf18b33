#include "@CLASS@Scale.h"

#include <algorithm>
#include <cmath>

float @CLASS@Scale::shownLevel(float value) { return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f); }

int @CLASS@Scale::barWidth(float value, int width) {
    if (width <= 0) return 0;
    return static_cast<int>(std::lround(shownLevel(value) * static_cast<float>(width)));
}

float @CLASS@Scale::levelAt(int x, int width) {
    if (width <= 0) return 0.0f;
    return shownLevel(static_cast<float>(x) / static_cast<float>(width));
}
