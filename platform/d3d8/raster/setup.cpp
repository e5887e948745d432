#include "setup.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform::d3d8::raster {

namespace {

constexpr int64_t kOne = int64_t(1) << kSubpixelBits;

struct Fixed {
    int64_t x, y;
};

// Floor and ceiling of n / d for d > 0.
int64_t floorDiv(int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }
int64_t ceilDiv(int64_t n, int64_t d) { return -floorDiv(-n, d); }

// Pixel centres (integer coordinates) strictly inside, or on a top or left edge. The
// triangle winds clockwise on screen (y down), so a left edge runs upward and a top edge
// runs to the right.
Edge makeEdge(const Fixed& from, const Fixed& to) {
    const int64_t dx = to.x - from.x, dy = to.y - from.y;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    return Edge{-dy * kOne, dx * kOne, dy * from.x - dx * from.y + (topLeft ? 0 : -1)};
}

// The plane through three values at three screen points.
Plane makePlane(const double* x, const double* y, double f0, double f1, double f2) {
    const double ex1 = x[1] - x[0], ey1 = y[1] - y[0], ex2 = x[2] - x[0], ey2 = y[2] - y[0];
    const double det = ex1 * ey2 - ex2 * ey1;
    const double dx = ((f1 - f0) * ey2 - (f2 - f0) * ey1) / det;
    const double dy = ((f2 - f0) * ex1 - (f1 - f0) * ex2) / det;
    return Plane{static_cast<float>(f0 - dx * x[0] - dy * y[0]), static_cast<float>(dx), static_cast<float>(dy)};
}

}  // namespace

ScreenVertex toScreen(const ScreenMapping& m, const ClipVertex& v) {
    const float q = 1.0f / v.pos[3];
    return ScreenVertex{v.pos[0] * q * m.scaleX + m.offsetX, v.pos[1] * q * m.scaleY + m.offsetY,
                        v.pos[2] * q * m.scaleZ + m.offsetZ, q};
}

bool setupTriangle(const SetupState& state, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                   const ClipVertex& provoking, Triangle& out) {
    const ClipVertex* v[3] = {&a, &b, &c};
    ScreenVertex s[3];
    Fixed f[3];
    for (int i = 0; i < 3; ++i) {
        s[i] = toScreen(state.mapping, *v[i]);
        if (!std::isfinite(s[i].x) || !std::isfinite(s[i].y) || !std::isfinite(s[i].z) || !std::isfinite(s[i].q))
            return false;
        // Clipping kept |x|, |y| within the guard band; the clamp only guards rounding.
        f[i] = Fixed{std::llround(std::clamp(s[i].x, -kGuardBand, kGuardBand) * kOne),
                     std::llround(std::clamp(s[i].y, -kGuardBand, kGuardBand) * kOne)};
    }
    const int64_t area = (f[1].x - f[0].x) * (f[2].y - f[0].y) - (f[2].x - f[0].x) * (f[1].y - f[0].y);
    if (area == 0) return false;
    if ((state.cull == Cull::Clockwise && area > 0) || (state.cull == Cull::CounterClockwise && area < 0)) return false;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(s[1], s[2]);
        std::swap(f[1], f[2]);
    }

    const int64_t minX = std::min({f[0].x, f[1].x, f[2].x}), maxX = std::max({f[0].x, f[1].x, f[2].x});
    const int64_t minY = std::min({f[0].y, f[1].y, f[2].y}), maxY = std::max({f[0].y, f[1].y, f[2].y});
    out.left = static_cast<int32_t>(std::max<int64_t>(state.clip.left, ceilDiv(minX, kOne)));
    out.right = static_cast<int32_t>(std::min<int64_t>(state.clip.right, floorDiv(maxX, kOne) + 1));
    out.top = static_cast<int32_t>(std::max<int64_t>(state.clip.top, ceilDiv(minY, kOne)));
    out.bottom = static_cast<int32_t>(std::min<int64_t>(state.clip.bottom, floorDiv(maxY, kOne) + 1));
    if (out.left >= out.right || out.top >= out.bottom) return false;
    for (int i = 0; i < 3; ++i) out.edges[i] = makeEdge(f[i], f[(i + 1) % 3]);

    double x[3], y[3];
    for (int i = 0; i < 3; ++i) x[i] = double(f[i].x) / kOne, y[i] = double(f[i].y) / kOne;
    out.z = makePlane(x, y, s[0].z, s[1].z, s[2].z);
    out.q = makePlane(x, y, s[0].q, s[1].q, s[2].q);
    for (int k = 0; k < state.varyingCount; ++k) {
        if (state.flat && k < kFog) {
            out.v[k] = Plane{provoking.v[k], 0.0f, 0.0f};
            continue;
        }
        out.v[k] = makePlane(x, y, double(v[0]->v[k]) * s[0].q, double(v[1]->v[k]) * s[1].q,
                             double(v[2]->v[k]) * s[2].q);
    }
    return true;
}

bool spanOf(const Triangle& t, int32_t y, int32_t& first, int32_t& last) {
    int64_t low = t.left, high = t.right;  // [low, high)
    for (const Edge& e : t.edges) {
        const int64_t k = e.b * y + e.c;  // a * x + k >= 0
        if (e.a > 0)
            low = std::max(low, ceilDiv(-k, e.a));
        else if (e.a < 0)
            high = std::min(high, floorDiv(k, -e.a) + 1);
        else if (k < 0)
            return false;
    }
    if (low >= high) return false;
    first = static_cast<int32_t>(low);
    last = static_cast<int32_t>(high);
    return true;
}

}  // namespace platform::d3d8::raster
