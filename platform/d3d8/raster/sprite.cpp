#include "sprite.h"

#include "sprite_spans.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace platform::d3d8::raster {

namespace {

using sprite::Kernels;

SpriteSimd widest() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) return SpriteSimd::Avx2;
    if (__builtin_cpu_supports("sse4.1")) return SpriteSimd::Sse41;
    return SpriteSimd::Sse2;
#else
    return SpriteSimd::Portable;
#endif
}

const Kernels& kernelsFor(SpriteSimd simd) {
    switch (simd) {
#if defined(__x86_64__)
        case SpriteSimd::Avx2: return sprite::avx2Kernels();
        case SpriteSimd::Sse41: return sprite::sse41Kernels();
        case SpriteSimd::Sse2: return sprite::sse2Kernels();
#endif
        default: return sprite::portableKernels();
    }
}

struct Paths {
    const Kernels* kernels;
    bool specialised;
};

Paths& paths() {
    static Paths chosen{&kernelsFor(widest()), true};
    return chosen;
}

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

// Narrows [first, last) to the steps i with low <= start + i * step < high.
void limitSteps(int64_t start, int64_t step, int64_t low, int64_t high, int64_t& first, int64_t& last) {
    if (step == 0) {
        if (start < low || start >= high) last = first;
        return;
    }
    if (step > 0) {
        first = std::max(first, ceilDiv(low - start, step));
        last = std::min(last, ceilDiv(high - start, step));
    } else {
        first = std::max(first, floorDiv(high - start, step) + 1);
        last = std::min(last, floorDiv(low - start, step) + 1);
    }
}

constexpr double kOne = 1 << sprite::kFracBits;
constexpr int64_t kWhole = int64_t(1) << sprite::kFracBits, kHalf = kWhole / 2;

int64_t toFixed(double value) { return static_cast<int64_t>(std::llround(value * kOne)); }

// The inverse mapping in 16.16 fixed point: sprite-local (u, v) of the centre of target
// pixel (left, top), and its steps along a target row and down a column.
struct Mapping {
    int64_t u, v;
    int64_t dudx, dudy, dvdx, dvdy;
};

// Per-draw tables of the axis-aligned bilinear path, kept between draws so that drawing
// allocates only when a sprite is wider than any before.
struct Scratch {
    std::vector<int32_t> x;
    std::vector<uint16_t> weights;
    std::vector<uint32_t> blended;
};

Scratch& scratch() {
    thread_local Scratch tables;
    return tables;
}

// Columns [first, first + count) of every row share their taps and weights, so they are
// worked out once; each row then blends the two source rows it needs and filters across.
void drawAxisAligned(const Target& target, const sprite::Texels& texels, const Mapping& m, int32_t top,
                     int32_t bottom, int64_t first, int64_t count, const Kernels::ColumnsFn columns,
                     const Kernels::RowsFn blendRows, const sprite::Shade& shade) {
    Scratch& s = scratch();
    const size_t padded = (size_t(count) + 7) / 8 * 8;
    s.x.assign(padded, 0);
    s.weights.assign(padded * 8, 0);
    int32_t xMin = texels.maxX, xMax = 0;
    for (int64_t i = 0; i < count; ++i) {
        const uint32_t u = static_cast<uint32_t>(m.u + (first + i) * m.dudx) - sprite::kCentreShift;
        const int32_t ix = sprite::whole(u);
        const bool edge = ix < 0 || ix >= texels.maxX;  // both taps on the edge texel
        s.x[i] = std::max(ix, 0);
        xMin = std::min(xMin, s.x[i]);
        xMax = std::max(xMax, s.x[i]);
        const uint16_t f = edge ? 0 : uint16_t(sprite::fraction(u));
        std::fill_n(&s.weights[i * 8], 4, uint16_t(256 - f));
        std::fill_n(&s.weights[i * 8 + 4], 4, f);
    }
    for (size_t i = 0; i < padded; ++i) {
        s.x[i] = i < size_t(count) ? s.x[i] - xMin : 0;
        if (i >= size_t(count)) s.weights[i * 8] = s.weights[i * 8 + 1] = s.weights[i * 8 + 2] = s.weights[i * 8 + 3] = 256;
    }
    // Texels xMin .. xMax + 1 are read, the last only where it is inside the rectangle.
    const int32_t span = std::min(xMax + 1, texels.maxX) - xMin + 1;
    s.blended.resize(size_t(span) + 1);
    const sprite::Columns table{s.x.data(), s.weights.data()};
    const int64_t vLimit = int64_t(texels.maxY + 1) << sprite::kFracBits;

    int32_t lastY0 = -1, lastY1 = -1;
    uint32_t lastFy = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const int64_t v = m.v + (y - top) * m.dvdy;
        if (v < 0 || v >= vLimit) continue;
        const uint32_t shifted = static_cast<uint32_t>(v) - sprite::kCentreShift;
        const int32_t iy = sprite::whole(shifted);
        const int32_t y0 = std::max(iy, 0), y1 = std::min(iy + 1, texels.maxY);
        const uint32_t fy = y0 == y1 ? 0 : sprite::fraction(shifted);  // one row blended with itself is that row
        if (y0 != lastY0 || y1 != lastY1 || fy != lastFy) {
            blendRows(sprite::texelRow(texels, y0) + xMin, sprite::texelRow(texels, y1) + xMin, fy, s.blended.data(), span);
            s.blended[span] = s.blended[span - 1];  // read by the edge columns' second tap, with weight 0
            lastY0 = y0, lastY1 = y1, lastFy = fy;
        }
        columns(s.blended.data(), table, target.color.row(y) + target.clip.left + first, int32_t(count), shade);
    }
}

}  // namespace

SpriteSimd widestSpriteSimd() { return widest(); }

void setSpritePaths(SpriteSimd simd, bool specialised) {
    paths() = Paths{&kernelsFor(std::min(simd, widest())), specialised};
}

void drawSprite(const Target& target, const SpriteSource& source, const SpriteTransform& m,
                SpriteFilter filter, uint32_t color) {
    const int32_t width = source.rect.right - source.rect.left;
    const int32_t height = source.rect.bottom - source.rect.top;
    const double det = m.m11 * m.m22 - m.m12 * m.m21;
    if (width <= 0 || height <= 0 || !std::isfinite(det) || std::fabs(det) < 1e-9) return;
    if (!std::isfinite(m.dx) || !std::isfinite(m.dy)) return;

    // Rows the transformed rectangle can touch.
    double minY = m.dy, maxY = m.dy;
    for (const auto& [u, v] : {std::pair{double(width), 0.0}, {0.0, double(height)}, {double(width), double(height)}}) {
        const double y = u * m.m12 + v * m.m22 + m.dy;
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const int32_t top = static_cast<int32_t>(std::max<double>(target.clip.top, std::floor(minY)));
    const int32_t bottom = static_cast<int32_t>(std::min<double>(target.clip.bottom, std::ceil(maxY)));
    const int32_t left = target.clip.left, columns = target.clip.right - target.clip.left;
    if (top >= bottom || columns <= 0) return;

    // Inverse mapping, sampled at pixel centres, in 16.16 fixed point.
    // Scales below 1/65536 would step past whole textures per pixel; nothing sensible to draw.
    for (const double c : {m.m22 / det, m.m21 / det, m.m12 / det, m.m11 / det})
        if (std::fabs(c) > 65536.0) return;
    const double cx = left + 0.5 - m.dx, cy = top + 0.5 - m.dy;
    const double u0 = (cx * m.m22 - cy * m.m21) / det, v0 = (-cx * m.m12 + cy * m.m11) / det;
    if (std::fabs(u0) > 1e9 || std::fabs(v0) > 1e9) return;
    const Mapping map{toFixed(u0), toFixed(v0), toFixed(m.m22 / det), toFixed(-m.m21 / det),
                      toFixed(-m.m12 / det), toFixed(m.m11 / det)};
    const int64_t uLimit = int64_t(width) << sprite::kFracBits, vLimit = int64_t(height) << sprite::kFracBits;

    const sprite::Texels texels{source.bits + int64_t(source.rect.top) * source.pitch + int64_t(source.rect.left) * 4,
                                source.pitch, width - 1, height - 1,
                                source.pitch > 0 && int64_t(source.pitch) * height + int64_t(width) * 4 < INT32_MAX};
    const sprite::Shade shade{source.opaque ? 0xFF000000u : 0u, color};
    const Paths chosen = paths();
    const Kernels& k = *chosen.kernels;
    const int blend = !((source.opaque || source.allOpaque) && (color >> 24) == 0xFF);
    const int modulate = color != 0xFFFFFFFF;

    // Linear sampling that only ever hits texel centres is point sampling.
    const bool aligned = map.dudx % kWhole == 0 && map.dudy % kWhole == 0 && map.dvdx % kWhole == 0 &&
                         map.dvdy % kWhole == 0 && (map.u - kHalf) % kWhole == 0 && (map.v - kHalf) % kWhole == 0;
    const bool point = filter == SpriteFilter::Point || (chosen.specialised && aligned);
    const bool axisAligned = map.dudy == 0 && map.dvdx == 0;
    if (chosen.specialised && axisAligned && !point) {
        int64_t first = 0, last = columns;
        limitSteps(map.u, map.dudx, 0, uLimit, first, last);
        if (first < last)
            drawAxisAligned(target, texels, map, top, bottom, first, last - first, k.columns[blend][modulate], k.rows,
                            shade);
        return;
    }
    const bool unitStep = chosen.specialised && point && map.dudx == kWhole && map.dvdx == 0;
    const Kernels::SpanFn span = point ? k.point[blend][modulate] : k.linear[blend][modulate];
    // Without rotation every row starts and ends in the same columns: the divisions that
    // find them are done once.
    int64_t alignedFirst = 0, alignedLast = columns;
    if (axisAligned) limitSteps(map.u, map.dudx, 0, uLimit, alignedFirst, alignedLast);

    for (int32_t y = top; y < bottom; ++y) {
        const int64_t u = map.u + (y - top) * map.dudy, v = map.v + (y - top) * map.dvdy;
        int64_t first = alignedFirst, last = alignedLast;
        if (!axisAligned) limitSteps(u, map.dudx, 0, uLimit, first, last);
        limitSteps(v, map.dvdx, 0, vLimit, first, last);
        if (first >= last) continue;
        uint32_t* row = target.color.row(y) + left + first;
        const uint32_t su = static_cast<uint32_t>(u + first * map.dudx), sv = static_cast<uint32_t>(v + first * map.dvdx);
        if (unitStep)
            k.row[blend][modulate](sprite::texelRow(texels, sprite::whole(sv)) + sprite::whole(su), row,
                                   static_cast<int32_t>(last - first), shade);
        else
            span(sprite::Span{row, static_cast<int32_t>(last - first), su, sv, static_cast<uint32_t>(map.dudx),
                              static_cast<uint32_t>(map.dvdx)},
                 texels, shade);
    }
}

}  // namespace platform::d3d8::raster
