// The sprite loops as templates over an instruction set's operations `O`:
//   G                  N pixels, four 16-bit channels each
//   load / store       N pixels from / to memory
//   Wide, loadWide,    two G of 2N neighbouring pixels, in the order of the instruction set's
//   storeWide          cheapest unpacking; storeWide puts them back in place
//   set1, splat        one value in every lane; one A8R8G8B8 colour in every pixel
//   add sub mul bitOr  lane-wise (products keep their low 16 bits)
//   shr<n>, alpha      logical shift; each pixel's alpha in all four of its lanes
//   lerpWide           2N horizontal blends of neighbouring texels by per-column weights,
//                      in loadWide's order
//   P, pixel, group    one pixel's channels; a texel as P; N of them as a G
//   sampleLinear       one bilinear sample anywhere in the rectangle, as a P
//   linearGroup        N bilinear samples along a span
// Everything here has internal linkage: each instruction set's file is built with its own
// code generation options, so no function may be shared between those files.
#pragma once

#include "sprite_kernels.h"

namespace platform::d3d8::raster::sprite {
namespace {

constexpr int kFracBits = 16;

// Bilinear taps relative to texel centres: subtracting half a texel less 1/512 rounds the
// 8-bit fraction to nearest, which keeps texel centres exact.
constexpr uint32_t kCentreShift = (1u << (kFracBits - 1)) - 0x80;
inline int32_t whole(uint32_t fixed) { return static_cast<int32_t>(fixed) >> kFracBits; }
inline uint32_t fraction(uint32_t fixed) { return (fixed >> 8) & 0xFF; }

inline const uint32_t* texelRow(const Texels& t, int32_t y) {
    return reinterpret_cast<const uint32_t*>(t.base + int64_t(y) * t.pitch);
}

template <class O>
struct Finisher {
    using G = typename O::G;
    using Wide = typename O::Wide;
    G alphaOr, modulation, full;

    explicit Finisher(const Shade& shade)
        : alphaOr(O::splat(shade.alphaOr)), modulation(O::add(O::splat(shade.color), O::set1(1))),
          full(O::set1(256)) {}

    // Filtered texels `s` shaded and, when blending, laid over the target pixels `d`.
    template <bool Blend, bool Modulate>
    G finish(G s, G d) const {
        s = O::bitOr(s, alphaOr);
        if constexpr (Modulate) s = O::template shr<8>(O::mul(s, modulation));
        if constexpr (Blend) {
            G a = O::alpha(s);
            a = O::add(a, O::template shr<7>(a));
            s = O::template shr<8>(O::add(O::mul(s, a), O::mul(d, O::sub(full, a))));
        }
        return s;
    }

    template <bool Blend, bool Modulate>
    void put(G s, uint32_t* dst) const {
        O::store(dst, finish<Blend, Modulate>(s, Blend ? O::load(dst) : s));
    }

    template <bool Blend, bool Modulate>
    void putWide(const Wide& s, uint32_t* dst) const {
        const Wide d = Blend ? O::loadWide(dst) : s;
        O::storeWide(dst, Wide{finish<Blend, Modulate>(s.a, d.a), finish<Blend, Modulate>(s.b, d.b)});
    }

    // The last count pixels, fewer than a group, go through a full group on the stack.
    template <bool Blend, bool Modulate>
    void putTail(G s, uint32_t* dst, int32_t count) const {
        uint32_t tail[O::N] = {};
        for (int32_t k = 0; k < count; ++k) tail[k] = dst[k];
        put<Blend, Modulate>(s, tail);
        for (int32_t k = 0; k < count; ++k) dst[k] = tail[k];
    }
    template <bool Blend, bool Modulate>
    void putWideTail(const Wide& s, uint32_t* dst, int32_t count) const {
        uint32_t tail[2 * O::N] = {};
        for (int32_t k = 0; k < count; ++k) tail[k] = dst[k];
        putWide<Blend, Modulate>(s, tail);
        for (int32_t k = 0; k < count; ++k) dst[k] = tail[k];
    }
};

template <class O>
typename O::Wide loadWideTail(const uint32_t* src, int32_t count) {
    uint32_t tail[2 * O::N] = {};
    for (int32_t k = 0; k < count; ++k) tail[k] = src[k];
    return O::loadWide(tail);
}

// The row loops take 2N pixels a round: one load or store of the widest register.
template <class O, bool Blend, bool Modulate>
void rowKernel(const uint32_t* src, uint32_t* dst, int32_t count, const Shade& shade) {
    const Finisher<O> f(shade);
    int32_t i = 0;
    for (; i + 2 * O::N <= count; i += 2 * O::N) f.template putWide<Blend, Modulate>(O::loadWide(src + i), dst + i);
    if (i < count) f.template putWideTail<Blend, Modulate>(loadWideTail<O>(src + i, count - i), dst + i, count - i);
}

template <class O>
typename O::G blendRows(typename O::G top, typename O::G bottom, typename O::G wTop, typename O::G wBottom) {
    return O::template shr<8>(O::add(O::add(O::mul(top, wTop), O::mul(bottom, wBottom)), O::set1(128)));
}

template <class O>
void rowsKernel(const uint32_t* top, const uint32_t* bottom, uint32_t fy, uint32_t* out, int32_t count) {
    using G = typename O::G;
    using Wide = typename O::Wide;
    const G wTop = O::set1(uint16_t(256 - fy)), wBottom = O::set1(uint16_t(fy));
    auto blend = [&](const Wide& t, const Wide& b) {
        return Wide{blendRows<O>(t.a, b.a, wTop, wBottom), blendRows<O>(t.b, b.b, wTop, wBottom)};
    };
    int32_t i = 0;
    for (; i + 2 * O::N <= count; i += 2 * O::N) O::storeWide(out + i, blend(O::loadWide(top + i), O::loadWide(bottom + i)));
    if (i < count) {
        uint32_t tail[2 * O::N] = {};
        O::storeWide(tail, blend(loadWideTail<O>(top + i, count - i), loadWideTail<O>(bottom + i, count - i)));
        for (int32_t k = 0; k < count - i; ++k) out[i + k] = tail[k];
    }
}

// Column tables are padded to a multiple of 8 entries, so the last round may read past
// `count` in them.
template <class O, bool Blend, bool Modulate>
void columnsKernel(const uint32_t* blended, const Columns& c, uint32_t* dst, int32_t count, const Shade& shade) {
    const Finisher<O> f(shade);
    int32_t i = 0;
    for (; i + 2 * O::N <= count; i += 2 * O::N)
        f.template putWide<Blend, Modulate>(O::lerpWide(blended, c.x + i, c.weights + 8 * i), dst + i);
    if (i < count)
        f.template putWideTail<Blend, Modulate>(O::lerpWide(blended, c.x + i, c.weights + 8 * i), dst + i, count - i);
}

// N bilinear samples one after another along a span; the samples stay in registers (storing
// them and loading them as one group would stall on store forwarding).
template <class O>
typename O::G linearByPixel(const Texels& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
    typename O::P p[O::N];
    for (int k = 0; k < O::N; ++k, u += du, v += dv) p[k] = O::sampleLinear(t, u, v);
    return O::group(p);
}

template <class O>
typename O::G pointGroup(const Texels& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
    typename O::P p[O::N];
    for (int k = 0; k < O::N; ++k, u += du, v += dv) p[k] = O::pixel(texelRow(t, whole(v))[whole(u)]);
    return O::group(p);
}

// Any affine mapping, N pixels at a time. In the last group the lanes past the span's end
// repeat its first pixel, since stepping on could leave the rectangle; they are not stored.
template <class O, bool Blend, bool Modulate, bool Linear>
void spanKernel(const Span& s, const Texels& t, const Shade& shade) {
    const Finisher<O> f(shade);
    uint32_t u = s.u, v = s.v;
    if constexpr (Linear) {
        u -= kCentreShift;
        v -= kCentreShift;
    }
    int32_t i = 0;
    for (; i + O::N <= s.count; i += O::N, u += O::N * s.du, v += O::N * s.dv) {
        if constexpr (Linear) f.template put<Blend, Modulate>(O::linearGroup(t, u, v, s.du, s.dv), s.dst + i);
        else f.template put<Blend, Modulate>(pointGroup<O>(t, u, v, s.du, s.dv), s.dst + i);
    }
    if (i < s.count) {
        typename O::P p[O::N];
        for (int k = 0; k < O::N; ++k) {
            const uint32_t step = k < s.count - i ? uint32_t(k) : 0;
            const uint32_t uk = u + step * s.du, vk = v + step * s.dv;
            p[k] = Linear ? O::sampleLinear(t, uk, vk) : O::pixel(texelRow(t, whole(vk))[whole(uk)]);
        }
        f.template putTail<Blend, Modulate>(O::group(p), s.dst + i, s.count - i);
    }
}

template <class O>
Kernels makeKernels(const char* name) {
    Kernels k{};
    k.name = name;
    k.rows = rowsKernel<O>;
    k.row[0][0] = rowKernel<O, false, false>;
    k.row[0][1] = rowKernel<O, false, true>;
    k.row[1][0] = rowKernel<O, true, false>;
    k.row[1][1] = rowKernel<O, true, true>;
    k.columns[0][0] = columnsKernel<O, false, false>;
    k.columns[0][1] = columnsKernel<O, false, true>;
    k.columns[1][0] = columnsKernel<O, true, false>;
    k.columns[1][1] = columnsKernel<O, true, true>;
    k.point[0][0] = spanKernel<O, false, false, false>;
    k.point[0][1] = spanKernel<O, false, true, false>;
    k.point[1][0] = spanKernel<O, true, false, false>;
    k.point[1][1] = spanKernel<O, true, true, false>;
    k.linear[0][0] = spanKernel<O, false, false, true>;
    k.linear[0][1] = spanKernel<O, false, true, true>;
    k.linear[1][0] = spanKernel<O, true, false, true>;
    k.linear[1][1] = spanKernel<O, true, true, true>;
    return k;
}

}  // namespace
}  // namespace platform::d3d8::raster::sprite
