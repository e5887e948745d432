#include "sprite.h"

#include "sample.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d8::raster {

namespace {

constexpr int kFracBits = 16;
constexpr double kOne = 1 << kFracBits;

// 16.16 sprite-local coordinates stepped in unsigned arithmetic: every value read lies
// inside the rectangle, and the step past the last pixel may wrap harmlessly.
struct Span {
    uint32_t* dst;
    int32_t count;
    uint32_t u, v, du, dv;
};

inline int32_t whole(uint32_t fixed) { return static_cast<int32_t>(fixed) >> kFracBits; }
inline uint32_t weight(uint32_t fixed) { return (fixed >> 8) & 0xFF; }

struct Texels {
    const uint8_t* base;  // texel at the rectangle's top-left
    int32_t pitch;
    int32_t maxX, maxY;  // last texel inside the rectangle
    uint32_t alphaOr;    // 0xFF000000 for textures without alpha
    uint32_t color;      // modulation, A8R8G8B8
    const uint32_t* row(int32_t y) const { return reinterpret_cast<const uint32_t*>(base + int64_t(y) * pitch); }
};

struct Shader {
    Pixel modulation;
    Pixel alphaOr;
    explicit Shader(const Texels& t) : modulation(modulator(t.color)), alphaOr(expand(t.alphaOr)) {}

    Pixel shade(Pixel texel) const { return modulate(bitOr(texel, alphaOr), modulation); }
    template <bool Blend>
    uint32_t output(Pixel s, uint32_t d) const {
        if constexpr (Blend) return blendSourceAlpha(s, d);
        else return narrow(s);
    }
};

// Texels in a row, one per pixel: unscaled, unrotated drawing.
template <bool Blend>
void rowSpan(const Span& s, const Texels& t) {
    const Shader shader(t);
    const uint32_t* src = t.row(whole(s.v)) + whole(s.u);
    for (int32_t i = 0; i < s.count; ++i)
        s.dst[i] = shader.template output<Blend>(shader.shade(expand(src[i])), s.dst[i]);
}

template <bool Blend>
void pointSpan(const Span& s, const Texels& t) {
    const Shader shader(t);
    uint32_t u = s.u, v = s.v;
    for (int32_t i = 0; i < s.count; ++i, u += s.du, v += s.dv) {
        const uint32_t texel = t.row(whole(v))[whole(u)];
        s.dst[i] = shader.template output<Blend>(shader.shade(expand(texel)), s.dst[i]);
    }
}

// Bilinear sampling with the four taps clamped to the rectangle, so nothing bleeds in.
// The +0x80 rounds the weights to the nearest 1/256, which keeps texel centres exact.
template <bool Blend>
void linearSpan(const Span& s, const Texels& t) {
    const Shader shader(t);
    constexpr uint32_t kShift = (1u << (kFracBits - 1)) - 0x80;
    uint32_t u = s.u - kShift, v = s.v - kShift;
    for (int32_t i = 0; i < s.count; ++i, u += s.du, v += s.dv) {
        const int32_t ix = whole(u), iy = whole(v);
        const int32_t x0 = std::max(ix, 0), x1 = std::min(ix + 1, t.maxX);
        const uint32_t* r0 = t.row(std::max(iy, 0));
        const uint32_t* r1 = t.row(std::min(iy + 1, t.maxY));
        const Pixel texel = bilinear(r0[x0], r0[x1], r1[x0], r1[x1], Weights(weight(u), weight(v)));
        s.dst[i] = shader.template output<Blend>(shader.shade(texel), s.dst[i]);
    }
}

using SpanFunction = void (*)(const Span&, const Texels&);

template <bool Blend>
SpanFunction chooseSpan(SpriteFilter filter, bool aligned, bool unitStep) {
    if (unitStep && (filter == SpriteFilter::Point || aligned)) return rowSpan<Blend>;
    if (filter == SpriteFilter::Point || aligned) return pointSpan<Blend>;
    return linearSpan<Blend>;
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

int64_t toFixed(double value) { return static_cast<int64_t>(std::llround(value * kOne)); }

}  // namespace

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
    const int64_t dudx = toFixed(m.m22 / det), dudy = toFixed(-m.m21 / det);
    const int64_t dvdx = toFixed(-m.m12 / det), dvdy = toFixed(m.m11 / det);
    const double cx = left + 0.5 - m.dx, cy = top + 0.5 - m.dy;
    const double u0 = (cx * m.m22 - cy * m.m21) / det, v0 = (-cx * m.m12 + cy * m.m11) / det;
    if (std::fabs(u0) > 1e9 || std::fabs(v0) > 1e9) return;
    const int64_t uOrigin = toFixed(u0), vOrigin = toFixed(v0);
    const int64_t uLimit = int64_t(width) << kFracBits, vLimit = int64_t(height) << kFracBits;

    const Texels texels{source.bits + int64_t(source.rect.top) * source.pitch + int64_t(source.rect.left) * 4,
                        source.pitch, width - 1, height - 1, source.opaque ? 0xFF000000u : 0u, color};
    // Linear sampling that only ever hits texel centres is point sampling.
    constexpr int64_t kWhole = int64_t(1) << kFracBits, kHalf = kWhole / 2;
    const bool aligned = dudx % kWhole == 0 && dudy % kWhole == 0 && dvdx % kWhole == 0 && dvdy % kWhole == 0 &&
                         (uOrigin - kHalf) % kWhole == 0 && (vOrigin - kHalf) % kWhole == 0;
    const bool unitStep = dudx == kWhole && dvdx == 0;
    const bool blend = !((source.opaque || source.allOpaque) && (color >> 24) == 0xFF);
    const SpanFunction span = blend ? chooseSpan<true>(filter, aligned, unitStep)
                                    : chooseSpan<false>(filter, aligned, unitStep);

    for (int32_t y = top; y < bottom; ++y) {
        const int64_t u = uOrigin + (y - top) * dudy, v = vOrigin + (y - top) * dvdy;
        int64_t first = 0, last = columns;
        limitSteps(u, dudx, 0, uLimit, first, last);
        limitSteps(v, dvdx, 0, vLimit, first, last);
        if (first >= last) continue;
        uint32_t* row = target.color.row(y) + left;
        span(Span{row + first, static_cast<int32_t>(last - first), static_cast<uint32_t>(u + first * dudx),
                  static_cast<uint32_t>(v + first * dvdx), static_cast<uint32_t>(dudx), static_cast<uint32_t>(dvdx)},
             texels);
    }
}

}  // namespace platform::d3d8::raster
