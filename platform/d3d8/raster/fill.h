// Rectangle fills and coverage masks: clears and glyphs.
#pragma once

#include "target.h"

namespace platform::d3d8::raster {

// Both fill `rect` cut to the target's clip rectangle.
void fillColor(const Target& target, const RECT& rect, uint32_t value);
void fillDepth(const Target& target, const RECT& rect, float value);

// An 8-bit coverage mask of width x height (rows `pitch` bytes apart) with its top-left at
// (x, y): each covered pixel moves toward `color` by coverage x the colour's alpha; the
// destination's alpha moves toward 255.
struct Coverage {
    const uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
};
void blendCoverage(const Target& target, int64_t x, int64_t y, const Coverage& mask, uint32_t color);

}  // namespace platform::d3d8::raster
