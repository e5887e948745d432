// Per-channel pixel arithmetic shared by every path that writes colour: sprites, glyphs and
// triangles. Pixels are 32-bit B, G, R, A; weights run 0..256 so that 256 keeps all of the
// source and the arithmetic stays exact in 16-bit lanes.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::d3d8::raster {

// An 8-bit alpha or coverage as a 0..256 weight: 255 becomes 256, 0 stays 0.
inline uint32_t widen(uint32_t value) { return value + (value >> 7); }

// Per channel (s * w + d * (256 - w)) >> 8, two channels per multiply.
inline uint32_t lerp(uint32_t d, uint32_t s, uint32_t w) {
    const uint32_t inv = 256 - w;
    return ((((d & 0xFF00FF) * inv + (s & 0xFF00FF) * w) >> 8) & 0xFF00FF) |
           ((((d >> 8) & 0xFF00FF) * inv + ((s >> 8) & 0xFF00FF) * w) & 0xFF00FF00);
}

#if defined(__SSE2__)

// Four 16-bit channels in the low half of an SSE2 register.
struct Pixel {
    __m128i v;
};

inline Pixel expand(uint32_t p) {
    return {_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p)), _mm_setzero_si128())};
}
inline uint32_t narrow(Pixel p) { return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(p.v, p.v))); }
inline Pixel bitOr(Pixel a, Pixel b) { return {_mm_or_si128(a.v, b.v)}; }
// (a * m) >> 8 per channel; m holds channel + 1 so that 255 keeps a and 0 clears it.
inline Pixel modulate(Pixel a, Pixel m) { return {_mm_srli_epi16(_mm_mullo_epi16(a.v, m.v), 8)}; }
inline Pixel modulator(uint32_t color) { return {_mm_add_epi16(expand(color).v, _mm_set1_epi16(1))}; }

// Source over destination by the source's own alpha.
inline uint32_t blendSourceAlpha(Pixel s, uint32_t d) {
    __m128i a = _mm_shufflelo_epi16(s.v, 0xFF);
    a = _mm_add_epi16(a, _mm_srli_epi16(a, 7));
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), a);
    return narrow({_mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s.v, a), _mm_mullo_epi16(expand(d).v, inverse)), 8)});
}

#else

struct Pixel {
    uint32_t c[4];
};

inline Pixel expand(uint32_t p) { return {{p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF, p >> 24}}; }
inline uint32_t narrow(Pixel p) { return p.c[0] | p.c[1] << 8 | p.c[2] << 16 | p.c[3] << 24; }
inline Pixel bitOr(Pixel a, Pixel b) { return {{a.c[0] | b.c[0], a.c[1] | b.c[1], a.c[2] | b.c[2], a.c[3] | b.c[3]}}; }
inline Pixel modulate(Pixel a, Pixel m) {
    return {{(a.c[0] * m.c[0]) >> 8, (a.c[1] * m.c[1]) >> 8, (a.c[2] * m.c[2]) >> 8, (a.c[3] * m.c[3]) >> 8}};
}
inline Pixel modulator(uint32_t color) {
    Pixel m = expand(color);
    for (uint32_t& c : m.c) c += 1;
    return m;
}
inline uint32_t blendSourceAlpha(Pixel s, uint32_t d) { return lerp(d, narrow(s), widen(s.c[3])); }

#endif

}  // namespace platform::d3d8::raster
