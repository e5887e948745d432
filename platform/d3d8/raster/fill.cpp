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
    for (int32_t y = r.top; y < r.bottom; ++y) std::fill(target.depth.row(y) + r.left, target.depth.row(y) + r.right, value);
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
