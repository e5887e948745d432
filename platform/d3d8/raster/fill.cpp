#include "fill.h"

#include "blend.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d8::raster {

namespace {

// Fills the first row of the rectangle, then copies it to the others.
template <class T>
void fillRows(uint8_t* bits, int32_t pitch, const RECT& r, T value) {
    if (isEmpty(r)) return;
    T* first = reinterpret_cast<T*>(bits + int64_t(r.top) * pitch) + r.left;
    const size_t count = size_t(r.right - r.left);
    std::fill(first, first + count, value);
    for (int32_t y = r.top + 1; y < r.bottom; ++y)
        std::memcpy(reinterpret_cast<T*>(bits + int64_t(y) * pitch) + r.left, first, count * sizeof(T));
}

}  // namespace

void fillColor(const Target& target, const RECT& rect, uint32_t value) {
    fillRows(target.color.bits, target.color.pitch, intersect(rect, target.clip), value);
}

void fillDepth(const Target& target, const RECT& rect, float value) {
    if (!target.depth) return;
    const RECT r = intersect(rect, target.clip);
    const DepthView& depth = target.depth;
    const uint32_t stored = depth.quantize(value);
    if (depth.wide)
        fillRows(depth.bits, depth.pitch, r, stored);
    else
        fillRows(depth.bits, depth.pitch, r, static_cast<uint16_t>(stored));
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
