#include "setup.h"

#include "row_walker.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform::d3d8::raster {

namespace {

constexpr int64_t kOne = int64_t(1) << kSubpixelBits;

// Pixel centres (integer coordinates) strictly inside, or on a top or left edge. The
// triangle winds clockwise on screen (y down), so a left edge runs upward and a top edge
// runs to the right.
Edge makeEdge(const ScreenVertex& from, const ScreenVertex& to) {
    const int64_t dx = int64_t(to.fx) - from.fx, dy = int64_t(to.fy) - from.fy;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    return Edge{-dy * kOne, dx * kOne, dy * from.fx - dx * from.fy + (topLeft ? 0 : -1)};
}

// Round half away from zero to the subpixel grid; exact in double for the guard band's range.
int32_t snap(float value) {
    const double scaled = double(std::clamp(value, -kGuardBand, kGuardBand)) * double(kOne);
    return static_cast<int32_t>(scaled + (scaled < 0 ? -0.5 : 0.5));
}

// The plane through three values at the corners, given the corners' offsets from corner 0
// and the reciprocal of the determinant.
struct PlaneMaker {
    double x0, y0, ex1, ey1, ex2, ey2, inverse;
    Plane operator()(double f0, double f1, double f2) const {
        const double dx = ((f1 - f0) * ey2 - (f2 - f0) * ey1) * inverse;
        const double dy = ((f2 - f0) * ex1 - (f1 - f0) * ex2) * inverse;
        return Plane{static_cast<float>(f0 - dx * x0 - dy * y0), static_cast<float>(dx), static_cast<float>(dy)};
    }
};

bool sameColors(const ClipVertex& a, const ClipVertex& b, VaryingMask colors) {
    for (int k = kDiffuse; k < kFog; ++k)
        if ((colors & (1u << k)) && a.v[k] != b.v[k]) return false;
    return true;
}

}  // namespace

ScreenVertex toScreen(const ScreenMapping& m, const ClipVertex& v) {
    const float q = 1.0f / v.pos[3];
    return ScreenVertex{v.pos[0] * q * m.scaleX + m.offsetX, v.pos[1] * q * m.scaleY + m.offsetY,
                        v.pos[2] * q * m.scaleZ + m.offsetZ, q, 0, 0};
}

bool project(const ScreenMapping& mapping, const ClipVertex& v, ScreenVertex& out) {
    out = toScreen(mapping, v);
    if (!std::isfinite(out.x) || !std::isfinite(out.y) || !std::isfinite(out.z) || !std::isfinite(out.q)) return false;
    // Clipping kept |x|, |y| within the guard band; the clamp only guards rounding.
    out.fx = snap(out.x);
    out.fy = snap(out.y);
    return true;
}

bool coverTriangle(const SetupState& state, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   Triangle& out, bool& swapped) {
    const int64_t area = (int64_t(b.fx) - a.fx) * (int64_t(c.fy) - a.fy) - (int64_t(c.fx) - a.fx) * (int64_t(b.fy) - a.fy);
    if (area == 0) return false;
    if ((state.cull == Cull::Clockwise && area > 0) || (state.cull == Cull::CounterClockwise && area < 0)) return false;
    const int64_t minX = std::min({a.fx, b.fx, c.fx}), maxX = std::max({a.fx, b.fx, c.fx});
    const int64_t minY = std::min({a.fy, b.fy, c.fy}), maxY = std::max({a.fy, b.fy, c.fy});
    out.left = static_cast<int32_t>(std::max<int64_t>(state.clip.left, ceilDiv(minX, kOne)));
    out.right = static_cast<int32_t>(std::min<int64_t>(state.clip.right, floorDiv(maxX, kOne) + 1));
    out.top = static_cast<int32_t>(std::max<int64_t>(state.clip.top, ceilDiv(minY, kOne)));
    out.bottom = static_cast<int32_t>(std::min<int64_t>(state.clip.bottom, floorDiv(maxY, kOne) + 1));
    if (out.left >= out.right || out.top >= out.bottom) return false;
    swapped = area < 0;
    const ScreenVertex& second = swapped ? c : b;
    const ScreenVertex& third = swapped ? b : c;
    out.edges[0] = makeEdge(a, second);
    out.edges[1] = makeEdge(second, third);
    out.edges[2] = makeEdge(third, a);
    return true;
}

void interpolateTriangle(const SetupState& state, const ScreenVertex* const s[3], const ClipVertex* const v[3],
                         const ClipVertex& provoking, Triangle& out) {
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) x[i] = double(s[i]->fx) / kOne, y[i] = double(s[i]->fy) / kOne;
    const double ex1 = x[1] - x[0], ey1 = y[1] - y[0], ex2 = x[2] - x[0], ey2 = y[2] - y[0];
    const PlaneMaker plane{x[0], y[0], ex1, ey1, ex2, ey2, 1.0 / (ex1 * ey2 - ex2 * ey1)};
    out.z = plane(s[0]->z, s[1]->z, s[2]->z);
    out.q = plane(s[0]->q, s[1]->q, s[2]->q);
    const VaryingMask colors = state.varyings & (kDiffuseBits | kSpecularBits);
    out.flatColor = state.flat || (sameColors(*v[0], *v[1], colors) && sameColors(*v[0], *v[2], colors));
    const ClipVertex& flatSource = state.flat ? provoking : *v[0];
    for (int k = 0; k < kVaryings; ++k) {
        if (!(state.varyings & (1u << k))) continue;
        if (out.flatColor && k < kFog) {
            out.v[k] = Plane{flatSource.v[k], 0.0f, 0.0f};
            continue;
        }
        out.v[k] = plane(double(v[0]->v[k]) * s[0]->q, double(v[1]->v[k]) * s[1]->q, double(v[2]->v[k]) * s[2]->q);
    }
}

bool setupTriangle(const SetupState& state, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                   const ClipVertex& provoking, Triangle& out) {
    ScreenVertex s[3];
    if (!project(state.mapping, a, s[0]) || !project(state.mapping, b, s[1]) || !project(state.mapping, c, s[2]))
        return false;
    bool swapped = false;
    if (!coverTriangle(state, s[0], s[1], s[2], out, swapped)) return false;
    const ScreenVertex* screen[3] = {&s[0], swapped ? &s[2] : &s[1], swapped ? &s[1] : &s[2]};
    const ClipVertex* corner[3] = {&a, swapped ? &c : &b, swapped ? &b : &c};
    interpolateTriangle(state, screen, corner, provoking, out);
    return true;
}

}  // namespace platform::d3d8::raster
