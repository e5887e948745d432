#include "line.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d8::raster {

namespace {

// Far beyond any target yet well inside int64_t: positions past it convert without overflow.
constexpr float kFar = 1e12f;

int64_t pixelOf(float position) { return static_cast<int64_t>(std::floor(std::clamp(position + 0.5f, -kFar, kFar))); }

bool inside(const RECT& clip, int64_t x, int64_t y) {
    return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
}

// Varyings at fraction t from a to b, perspective-correct through q.
void interpolate(const PixelProgram& p, const ClipVertex& a, const ClipVertex& b, const ScreenVertex& sa,
                 const ScreenVertex& sb, float t, float* out, float& w) {
    const float q = sa.q + (sb.q - sa.q) * t;
    w = 1.0f / q;
    for (int k = 0; k < kVaryings; ++k) {
        if (!(p.varyings & (1u << k))) continue;
        const float va = a.v[k] * sa.q, vb = b.v[k] * sb.q;
        out[k] = (va + (vb - va) * t) * w;
    }
}

}  // namespace

void drawLine(const PixelProgram& p, const SetupState& state, const ClipVertex& a, const ClipVertex& b,
              bool lastPixel) {
    const ScreenVertex sa = toScreen(state.mapping, a), sb = toScreen(state.mapping, b);
    const float dx = sb.x - sa.x, dy = sb.y - sa.y;
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float from = xMajor ? sa.x : sa.y, to = xMajor ? sb.x : sb.y;
    const float length = to - from;
    const int64_t start = pixelOf(from), end = pixelOf(to);
    const int64_t step = end >= start ? 1 : -1;
    const int64_t count = (end - start) * step + (lastPixel ? 1 : 0);
    // Only the steps whose major coordinate lies inside the clip rectangle: a line reaching far
    // off the target costs what its visible part does.
    const int64_t lo = xMajor ? state.clip.left : state.clip.top;
    const int64_t hi = (xMajor ? state.clip.right : state.clip.bottom) - 1;
    const int64_t first = std::max<int64_t>(0, step > 0 ? lo - start : start - hi);
    const int64_t last = std::min<int64_t>(count - 1, step > 0 ? hi - start : start - lo);
    float v[kVaryings] = {};
    for (int64_t i = first; i <= last; ++i) {
        const int64_t major = start + i * step;
        const float t = length != 0.0f ? std::clamp((float(major) - from) / length, 0.0f, 1.0f) : 0.0f;
        const float minor = xMajor ? sa.y + dy * t : sa.x + dx * t;
        const int64_t m = pixelOf(minor);
        const int64_t x = xMajor ? major : m, y = xMajor ? m : major;
        if (!inside(state.clip, x, y)) continue;
        float w;
        interpolate(p, a, b, sa, sb, t, v, w);
        shadePixel(p, static_cast<int32_t>(x), static_cast<int32_t>(y), v, sa.z + (sb.z - sa.z) * t, w);
    }
}

void drawPoint(const PixelProgram& p, const SetupState& state, const ClipVertex& a) {
    const ScreenVertex s = toScreen(state.mapping, a);
    if (!std::isfinite(s.x) || !std::isfinite(s.y)) return;
    const int64_t x = pixelOf(s.x), y = pixelOf(s.y);
    if (!inside(state.clip, x, y)) return;
    shadePixel(p, static_cast<int32_t>(x), static_cast<int32_t>(y), a.v, s.z, 1.0f / s.q);
}

}  // namespace platform::d3d8::raster
