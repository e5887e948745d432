#include "sprite_raster.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::d3d8 {

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

// Bilinear weights of the four taps in 1/256, summing to exactly 256 so that a texel centre
// (both fractions 0) reproduces its texel.
struct Weights {
    uint32_t w00, w01, w10, w11;
    Weights(uint32_t fx, uint32_t fy)
        : w01((fx * (256 - fy)) >> 8), w10(((256 - fx) * fy) >> 8), w11((fx * fy) >> 8) {
        w00 = 256 - w01 - w10 - w11;
    }
};

#if defined(__SSE2__)

// Pixels travel as four 16-bit channels in the low half of an SSE2 register.
inline __m128i expand(uint32_t p) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p)), _mm_setzero_si128());
}
inline uint32_t narrow(__m128i v) { return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v))); }

// Two weights as [a a a a b b b b].
inline __m128i weightPair(uint32_t a, uint32_t b) {
    const __m128i v = _mm_cvtsi32_si128(static_cast<int>(a | (b << 16)));
    const __m128i doubled = _mm_unpacklo_epi16(v, v);
    return _mm_unpacklo_epi32(doubled, doubled);
}

struct Shader {
    __m128i modulation;  // channel + 1, so x * m >> 8 keeps x for 255 and gives 0 for 0
    __m128i alphaOr;
    explicit Shader(const Texels& t)
        : modulation(_mm_add_epi16(expand(t.color), _mm_set1_epi16(1))),
          alphaOr(expand(t.alphaOr)) {}

    inline __m128i shade(__m128i texel) const {
        return _mm_srli_epi16(_mm_mullo_epi16(_mm_or_si128(texel, alphaOr), modulation), 8);
    }
    template <bool Blend>
    inline uint32_t output(__m128i s, uint32_t d) const {
        if constexpr (!Blend) return narrow(s);
        __m128i a = _mm_shufflelo_epi16(s, 0xFF);
        a = _mm_add_epi16(a, _mm_srli_epi16(a, 7));
        const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), a);
        return narrow(_mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(expand(d), inverse)), 8));
    }
    inline __m128i fetch(uint32_t texel) const { return expand(texel); }
    inline __m128i bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, const Weights& w) const {
        const __m128i top = _mm_unpacklo_epi64(expand(t00), expand(t01));
        const __m128i bottom = _mm_unpacklo_epi64(expand(t10), expand(t11));
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(top, weightPair(w.w00, w.w01)),
                                    _mm_mullo_epi16(bottom, weightPair(w.w10, w.w11)));
        sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
        return _mm_srli_epi16(sum, 8);
    }
};

#else

// The same arithmetic on plain integers, channel by channel.
struct Channels {
    uint32_t c[4];
};

struct Shader {
    uint32_t modulation[4];
    uint32_t alphaOr;
    explicit Shader(const Texels& t) : alphaOr(t.alphaOr) {
        for (int i = 0; i < 4; ++i) modulation[i] = ((t.color >> (8 * i)) & 0xFF) + 1;
    }
    static Channels split(uint32_t p) { return {{p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF, p >> 24}}; }
    static uint32_t join(const Channels& x) { return x.c[0] | x.c[1] << 8 | x.c[2] << 16 | x.c[3] << 24; }

    Channels shade(Channels texel) const {
        const Channels with = split(join(texel) | alphaOr);
        Channels out;
        for (int i = 0; i < 4; ++i) out.c[i] = (with.c[i] * modulation[i]) >> 8;
        return out;
    }
    template <bool Blend>
    uint32_t output(const Channels& s, uint32_t d) const {
        if constexpr (!Blend) return join(s);
        const uint32_t a = s.c[3] + (s.c[3] >> 7);
        const Channels dst = split(d);
        Channels out;
        for (int i = 0; i < 4; ++i) out.c[i] = (s.c[i] * a + dst.c[i] * (256 - a)) >> 8;
        return join(out);
    }
    Channels fetch(uint32_t texel) const { return split(texel); }
    Channels bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, const Weights& w) const {
        const Channels a = split(t00), b = split(t01), c = split(t10), d = split(t11);
        Channels out;
        for (int i = 0; i < 4; ++i) out.c[i] = (a.c[i] * w.w00 + b.c[i] * w.w01 + c.c[i] * w.w10 + d.c[i] * w.w11) >> 8;
        return out;
    }
};

#endif

// Texels in a row, one per pixel: unscaled, unrotated drawing.
template <bool Blend>
void rowSpan(const Span& s, const Texels& t) {
    const Shader shader(t);
    const uint32_t* src = t.row(whole(s.v)) + whole(s.u);
    for (int32_t i = 0; i < s.count; ++i)
        s.dst[i] = shader.template output<Blend>(shader.shade(shader.fetch(src[i])), s.dst[i]);
}

template <bool Blend>
void pointSpan(const Span& s, const Texels& t) {
    const Shader shader(t);
    uint32_t u = s.u, v = s.v;
    for (int32_t i = 0; i < s.count; ++i, u += s.du, v += s.dv) {
        const uint32_t texel = t.row(whole(v))[whole(u)];
        s.dst[i] = shader.template output<Blend>(shader.shade(shader.fetch(texel)), s.dst[i]);
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
        const auto texel = shader.bilinear(r0[x0], r0[x1], r1[x0], r1[x1], Weights(weight(u), weight(v)));
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

void drawSprite(const SpriteTarget& target, const SpriteSource& source, const SpriteTransform& m,
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
        uint32_t* row = reinterpret_cast<uint32_t*>(target.bits + int64_t(y) * target.pitch) + left;
        span(Span{row + first, static_cast<int32_t>(last - first), static_cast<uint32_t>(u + first * dudx),
                  static_cast<uint32_t>(v + first * dvdx), static_cast<uint32_t>(dudx), static_cast<uint32_t>(dvdx)},
             texels);
    }
}

}  // namespace platform::d3d8
