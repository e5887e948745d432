// 128-bit operations for the sprite loops, two pixels a group. Built twice: plain SSE2, and
// with SSE4.1, whose zero-extending load saves an unpack in every texel fetch. The AVX2 build
// takes its single bilinear samples from here too.
#pragma once

#include "sprite_spans.h"

#include <immintrin.h>

namespace platform::d3d8::raster::sprite {
namespace {

struct Sse {
    using G = __m128i;
    static constexpr int N = 2;

    // Two pixels at p, widened to 16-bit channels.
    static G load(const uint32_t* p) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
#if defined(__SSE4_1__)
        return _mm_cvtepu8_epi16(bytes);
#else
        return _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
#endif
    }
    static void store(uint32_t* p, G v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v)); }
    static G set1(uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static G splat(uint32_t color) {
        const __m128i c = _mm_cvtsi32_si128(static_cast<int>(color));
        return _mm_unpacklo_epi8(_mm_shuffle_epi32(c, 0), _mm_setzero_si128());
    }
    static G add(G a, G b) { return _mm_add_epi16(a, b); }
    static G sub(G a, G b) { return _mm_sub_epi16(a, b); }
    static G mul(G a, G b) { return _mm_mullo_epi16(a, b); }
    static G bitOr(G a, G b) { return _mm_or_si128(a, b); }
    template <int n>
    static G shr(G a) {
        return _mm_srli_epi16(a, n);
    }
    static G alpha(G v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }

    struct Wide {
        G a, b;
    };
    static Wide loadWide(const uint32_t* p) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return {_mm_unpacklo_epi8(v, _mm_setzero_si128()), _mm_unpackhi_epi8(v, _mm_setzero_si128())};
    }
    static void storeWide(uint32_t* p, const Wide& w) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(w.a, w.b));
    }

    // Each pixel's two taps times its column's weights, then the two halves summed.
    static G lerpPairs(const uint32_t* blended, const int32_t* x, const uint16_t* weights) {
        const __m128i a = _mm_mullo_epi16(load(blended + x[0]), _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights)));
        const __m128i b =
            _mm_mullo_epi16(load(blended + x[1]), _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8)));
        const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b));
        return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
    }
    static Wide lerpWide(const uint32_t* blended, const int32_t* x, const uint16_t* weights) {
        return {lerpPairs(blended, x, weights), lerpPairs(blended, x + 2, weights + 16)};
    }

    // Two neighbouring texels of one row; at the rectangle's edges both are the edge texel.
    static G tapPair(const uint32_t* row, int32_t ix, int32_t maxX) {
        if (ix >= 0 && ix < maxX) return load(row + ix);
        const uint32_t edge = row[ix < 0 ? 0 : maxX];
        const uint32_t pair[2] = {edge, edge};
        return load(pair);
    }

    // One pixel in the low half.
    using P = __m128i;
    static P pixel(uint32_t texel) {
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(texel)), _mm_setzero_si128());
    }
    static G group(const P (&p)[N]) { return _mm_unpacklo_epi64(p[0], p[1]); }

    static G linearGroup(const Texels& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
        return linearByPixel<Sse>(t, u, v, du, dv);
    }

    static P sampleLinear(const Texels& t, uint32_t u, uint32_t v) {
        const int32_t ix = whole(u), iy = whole(v);
        const uint32_t fx = fraction(u), fy = fraction(v);
        const uint32_t* top = texelRow(t, iy < 0 ? 0 : iy);
        const uint32_t* bottom = texelRow(t, iy + 1 > t.maxY ? t.maxY : iy + 1);
        const __m128i rows = blendRows<Sse>(tapPair(top, ix, t.maxX), tapPair(bottom, ix, t.maxX),
                                            set1(uint16_t(256 - fy)), set1(uint16_t(fy)));
        const __m128i weighted = _mm_mullo_epi16(rows, _mm_unpacklo_epi64(set1(uint16_t(256 - fx)), set1(uint16_t(fx))));
        const __m128i sum = _mm_add_epi16(weighted, _mm_srli_si128(weighted, 8));
        return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
    }
};

}  // namespace
}  // namespace platform::d3d8::raster::sprite
