#include "clip.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::d3d8::raster {

namespace {

float distance(const ClipPlanes& planes, int i, const float* pos) {
    const float* p = planes.plane[i];
    return p[0] * pos[0] + p[1] * pos[1] + p[2] * pos[2] + p[3] * pos[3] - planes.bias[i];
}

void lerp(const ClipVertex& a, const ClipVertex& b, float t, ClipVertex& out) {
    for (int i = 0; i < 4; ++i) out.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    for (int i = 0; i < kVaryings; ++i) out.v[i] = a.v[i] + (b.v[i] - a.v[i]) * t;
}

// Sutherland-Hodgman against one plane; the new vertex is always interpolated from the
// inside end, so an edge shared by two triangles is cut at the same point.
int clipAgainst(const ClipPlanes& planes, int plane, const ClipVertex* in, int count, ClipVertex* out) {
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % count];
        const float da = distance(planes, plane, a.pos), db = distance(planes, plane, b.pos);
        if (da >= 0) out[written++] = a;
        if ((da >= 0) != (db >= 0)) {
            if (da >= 0)
                lerp(a, b, da / (da - db), out[written++]);
            else
                lerp(b, a, db / (db - da), out[written++]);
        }
    }
    return written;
}

}  // namespace

ClipPlanes clipPlanes(const ScreenMapping& m, bool depthPlanes) {
    ClipPlanes planes;
    auto add = [&](float a, float b, float c, float d, float bias) {
        float* p = planes.plane[planes.count];
        p[0] = a, p[1] = b, p[2] = c, p[3] = d;
        planes.bias[planes.count] = bias;
        const float lanes[5] = {a, b, c, d, bias};
        for (int k = 0; k < 5; ++k) planes.lanes[k][planes.count] = lanes[k];
        ++planes.count;
    };
    add(0, 0, 0, 1, 1e-6f);  // w > 0, so that the division that follows stays finite
    if (depthPlanes) {
        add(0, 0, 1, 0, 0);   // z >= 0
        add(0, 0, -1, 1, 0);  // z <= w
    }
    // |x / w * scale + offset| <= guard band, likewise y.
    add(-m.scaleX, 0, 0, kGuardBand - m.offsetX, 0);
    add(m.scaleX, 0, 0, kGuardBand + m.offsetX, 0);
    add(0, -m.scaleY, 0, kGuardBand - m.offsetY, 0);
    add(0, m.scaleY, 0, kGuardBand + m.offsetY, 0);
    return planes;
}

#if defined(__SSE2__)

// Four planes at a time, each term in the order distance() takes, so the signs agree.
uint32_t outcode(const ClipPlanes& planes, const float* pos) {
    const __m128 x = _mm_set1_ps(pos[0]), y = _mm_set1_ps(pos[1]), z = _mm_set1_ps(pos[2]), w = _mm_set1_ps(pos[3]);
    auto outside = [&](int first) {
        const auto& k = planes.lanes;
        __m128 d = _mm_mul_ps(_mm_loadu_ps(&k[0][first]), x);
        d = _mm_add_ps(d, _mm_mul_ps(_mm_loadu_ps(&k[1][first]), y));
        d = _mm_add_ps(d, _mm_mul_ps(_mm_loadu_ps(&k[2][first]), z));
        d = _mm_add_ps(d, _mm_mul_ps(_mm_loadu_ps(&k[3][first]), w));
        d = _mm_sub_ps(d, _mm_loadu_ps(&k[4][first]));
        return uint32_t(_mm_movemask_ps(_mm_cmpnge_ps(d, _mm_setzero_ps())));  // NaN is outside
    };
    return (outside(0) | outside(4) << 4) & ((1u << planes.count) - 1);
}

#else

uint32_t outcode(const ClipPlanes& planes, const float* pos) {
    uint32_t code = 0;
    for (int i = 0; i < planes.count; ++i)
        if (!(distance(planes, i, pos) >= 0)) code |= 1u << i;
    return code;
}

#endif

int clipPolygon(const ClipPlanes& planes, uint32_t planesToClip, const ClipVertex* in, int count, ClipVertex* out) {
    ClipVertex buffers[2][3 + ClipPlanes::kMax];
    const ClipVertex* source = in;
    int n = count;
    for (int i = 0, flip = 0; i < planes.count && n > 0; ++i) {
        if (!(planesToClip & (1u << i))) continue;
        n = clipAgainst(planes, i, source, n, buffers[flip]);
        source = buffers[flip];
        flip ^= 1;
    }
    for (int i = 0; i < n; ++i) out[i] = source[i];
    return n;
}

bool finitePosition(const float* pos) {
    return std::isfinite(pos[0]) && std::isfinite(pos[1]) && std::isfinite(pos[2]) && std::isfinite(pos[3]);
}

}  // namespace platform::d3d8::raster
