// Texel filtering shared by the sprite path and the triangle pipeline.
#pragma once

#include "blend.h"

#include <cstdint>

namespace platform::d3d8::raster {

// Bilinear weights of the four taps in 1/256 from the fractions fx, fy (0..255), summing to
// exactly 256 so that a texel centre (both fractions 0) reproduces its texel.
struct Weights {
    uint32_t w00, w01, w10, w11;
    Weights(uint32_t fx, uint32_t fy)
        : w01((fx * (256 - fy)) >> 8), w10(((256 - fx) * fy) >> 8), w11((fx * fy) >> 8) {
        w00 = 256 - w01 - w10 - w11;
    }
};

#if defined(__SSE2__)

// Two weights as [a a a a b b b b].
inline __m128i weightPair(uint32_t a, uint32_t b) {
    const __m128i v = _mm_cvtsi32_si128(static_cast<int>(a | (b << 16)));
    const __m128i doubled = _mm_unpacklo_epi16(v, v);
    return _mm_unpacklo_epi32(doubled, doubled);
}

// t00 t01 on the upper row, t10 t11 below.
inline Pixel bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, const Weights& w) {
    const __m128i top = _mm_unpacklo_epi64(expand(t00).v, expand(t01).v);
    const __m128i bottom = _mm_unpacklo_epi64(expand(t10).v, expand(t11).v);
    __m128i sum = _mm_add_epi16(_mm_mullo_epi16(top, weightPair(w.w00, w.w01)),
                                _mm_mullo_epi16(bottom, weightPair(w.w10, w.w11)));
    sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
    return {_mm_srli_epi16(sum, 8)};
}

#else

inline Pixel bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, const Weights& w) {
    const Pixel a = expand(t00), b = expand(t01), c = expand(t10), d = expand(t11);
    Pixel out;
    for (int i = 0; i < 4; ++i) out.c[i] = (a.c[i] * w.w00 + b.c[i] * w.w01 + c.c[i] * w.w10 + d.c[i] * w.w11) >> 8;
    return out;
}

#endif

}  // namespace platform::d3d8::raster
