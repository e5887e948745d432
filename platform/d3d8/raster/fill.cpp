#include "fill.h"

#include "blend.h"

#include <algorithm>

namespace platform::d3d8::raster {

void fillColor(const Target& target, const RECT& rect, uint32_t value) {
    const RECT r = intersect(rect, target.clip);
    for (int32_t y = r.top; y < r.bottom; ++y) std::fill(target.color.row(y) + r.left, target.color.row(y) + r.right, value);
}

void fillDepth(const Target& target, const RECT& rect, float value) {
    if (!target.depth) return;
    const RECT r = intersect(rect, target.clip);
    const DepthView& depth = target.depth;
    const uint32_t stored = depth.quantize(value);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        if (depth.wide)
            std::fill(depth.row32(y) + r.left, depth.row32(y) + r.right, stored);
        else
            std::fill(depth.row16(y) + r.left, depth.row16(y) + r.right, static_cast<uint16_t>(stored));
    }
}

void blendCoverage(const Target& target, int64_t x, int64_t y, const Coverage& mask, uint32_t color) {
    const int64_t left = std::max<int64_t>(x, target.clip.left), top = std::max<int64_t>(y, target.clip.top);
    const int64_t right = std::min<int64_t>(x + mask.width, target.clip.right);
    const int64_t bottom = std::min<int64_t>(y + mask.height, target.clip.bottom);
    const uint32_t alpha = widen(color >> 24);
    const uint32_t opaque = color | 0xFF000000u;
    for (int64_t py = top; py < bottom; ++py) {
        const uint8_t* cover = mask.bits + (py - y) * mask.pitch - x;
        uint32_t* out = target.color.row(static_cast<int32_t>(py));
        for (int64_t px = left; px < right; ++px) out[px] = lerp(out[px], opaque, widen(cover[px] * alpha >> 8));
    }
}

}  // namespace platform::d3d8::raster
