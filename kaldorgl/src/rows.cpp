// Byte-order conversions of whole pixel runs. The SSSE3 byte shuffle is chosen at run time
// (SSE2 alone has no byte shuffle); the scalar loops are the floor and handle the tails.
#include "rows.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define KDGL_X86 1
#endif

namespace kdgl {

namespace {

Simd detected() {
#ifdef KDGL_X86
    return __builtin_cpu_supports("ssse3") ? Simd::Ssse3 : Simd::Sse2;
#else
    return Simd::Scalar;
#endif
}

Simd level = detected();

#ifdef KDGL_X86

bool hasSsse3() { return level >= Simd::Ssse3; }

// Sixteen 3-byte pixels a round: four 12-byte groups, realigned and spread to 16 bytes.
__attribute__((target("ssse3"))) uint64_t expandSsse3(const uint8_t* src, uint8_t* dst, uint64_t count, bool swap) {
    const __m128i spread = swap ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                                : _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    uint64_t done = 0;
    for (; done + 16 <= count; done += 16, src += 48, dst += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        const __m128i groups[4] = {a, _mm_alignr_epi8(b, a, 12), _mm_alignr_epi8(c, b, 8), _mm_srli_si128(c, 4)};
        for (int i = 0; i < 4; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * i),
                             _mm_or_si128(_mm_shuffle_epi8(groups[i], spread), alpha));
    }
    return done;
}

// Four pixels of `bpp` bytes a round, through one 16-byte load, shuffle and store. For 3-byte
// pixels the store's last four bytes are rewritten by the next round, so the loop stops while
// a whole 16 bytes remain ahead.
__attribute__((target("ssse3"))) uint64_t shuffleSsse3(const uint8_t* src, uint8_t* dst, uint64_t count, uint32_t bpp,
                                                        __m128i order) {
    const uint64_t ahead = (16 + bpp - 1) / bpp;
    uint64_t done = 0;
    for (; done + ahead <= count; done += 4, src += 4 * bpp, dst += 4 * bpp)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), order));
    return done;
}

// Plain SSE2: byte and word interleaves, sixteen pixels a round.
uint64_t interleaveSse2(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* dst, uint64_t count) {
    const __m128i opaque = _mm_set1_epi8(-1);
    uint64_t done = 0;
    for (; done + 16 <= count; done += 16, dst += 64) {
        const __m128i vr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + done));
        const __m128i vg = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + done));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + done));
        const __m128i rgLow = _mm_unpacklo_epi8(vr, vg), rgHigh = _mm_unpackhi_epi8(vr, vg);
        const __m128i baLow = _mm_unpacklo_epi8(vb, opaque), baHigh = _mm_unpackhi_epi8(vb, opaque);
        const __m128i out[4] = {_mm_unpacklo_epi16(rgLow, baLow), _mm_unpackhi_epi16(rgLow, baLow),
                                _mm_unpacklo_epi16(rgHigh, baHigh), _mm_unpackhi_epi16(rgHigh, baHigh)};
        for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * i), out[i]);
    }
    return done;
}

#endif

}  // namespace

Simd rowsSimd() { return level; }
void capRowsSimd(Simd limit) { level = std::min(detected(), limit); }

void expandRgb(const uint8_t* src, uint8_t* dst, uint64_t count, bool swap) {
    uint64_t done = 0;
#ifdef KDGL_X86
    if (hasSsse3()) done = expandSsse3(src, dst, count, swap);
#endif
    const int first = swap ? 2 : 0, last = swap ? 0 : 2;
    for (src += done * 3, dst += done * 4; done < count; ++done, src += 3, dst += 4) {
        dst[0] = src[first];
        dst[1] = src[1];
        dst[2] = src[last];
        dst[3] = 255;
    }
}

namespace {

// The first and third byte of each `bpp`-byte pixel exchanged.
void swapEnds(const uint8_t* src, uint8_t* dst, uint64_t count, uint32_t bpp) {
    uint64_t done = 0;
#ifdef KDGL_X86
    if (hasSsse3())
        done = shuffleSsse3(src, dst, count, bpp,
                            bpp == 3 ? _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15)
                                     : _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15));
#endif
    for (src += done * bpp, dst += done * bpp; done < count; ++done, src += bpp, dst += bpp) {
        const uint8_t first = src[0];
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = first;
        if (bpp == 4) dst[3] = src[3];
    }
}

}  // namespace

void swapRgb(const uint8_t* src, uint8_t* dst, uint64_t count) { swapEnds(src, dst, count, 3); }
void swapRgba(const uint8_t* src, uint8_t* dst, uint64_t count) { swapEnds(src, dst, count, 4); }

void interleavePlanes(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* dst, uint64_t count) {
    uint64_t done = 0;
#ifdef KDGL_X86
    if (level >= Simd::Sse2) done = interleaveSse2(r, g, b, dst, count);
#endif
    for (dst += done * 4; done < count; ++done, dst += 4) {
        dst[0] = r[done];
        dst[1] = g[done];
        dst[2] = b[done];
        dst[3] = 255;
    }
}

}  // namespace kdgl
