// Vectors of kLanes 32-bit lanes for the kernel files, written with the compiler's generic
// vectors so that one source compiles to SSE2 (4 lanes) or AVX2 (8 lanes). A kernel file
// defines KV_LANES before including this. Everything here has internal linkage, and kernel
// files call no inline function of other headers: code built for AVX2 must never stand in
// for a function that the rest of the library calls on any processor.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#ifndef KV_LANES
#error "define KV_LANES (4 or 8) before including simd.h"
#endif

namespace platform::d3d8::raster {
namespace {

constexpr int kLanes = KV_LANES;

typedef float F32 __attribute__((vector_size(4 * kLanes)));
typedef int32_t I32 __attribute__((vector_size(4 * kLanes)));
typedef uint32_t U32 __attribute__((vector_size(4 * kLanes)));
typedef uint16_t U16 __attribute__((vector_size(4 * kLanes)));    // two per 32-bit lane
typedef uint16_t Depth16 __attribute__((vector_size(2 * kLanes)));  // one per lane

#define KV_INLINE [[gnu::always_inline]] inline

KV_INLINE F32 splat(float value) { return F32{} + value; }
KV_INLINE I32 splat(int32_t value) { return I32{} + value; }
KV_INLINE U32 splat(uint32_t value) { return U32{} + value; }

// 0, 1, 2, ... kLanes - 1.
KV_INLINE I32 laneIndex() {
    I32 index;
    for (int i = 0; i < kLanes; ++i) index[i] = i;
    return index;
}

KV_INLINE F32 sqrt(F32 v) {
#if KV_LANES == 8
    return F32(_mm256_sqrt_ps(__m256(v)));
#else
    return F32(_mm_sqrt_ps(__m128(v)));
#endif
}

KV_INLINE F32 toFloat(I32 v) { return __builtin_convertvector(v, F32); }
// Toward zero; the caller keeps values inside int32.
KV_INLINE I32 truncate(F32 v) { return __builtin_convertvector(v, I32); }

// mask ? a : b, lane by lane, for masks of all ones or zeros.
KV_INLINE I32 select(I32 mask, I32 a, I32 b) { return (a & mask) | (b & ~mask); }
KV_INLINE U32 select(I32 mask, U32 a, U32 b) { return (a & U32(mask)) | (b & ~U32(mask)); }
KV_INLINE F32 select(I32 mask, F32 a, F32 b) { return F32(select(mask, I32(a), I32(b))); }

KV_INLINE I32 min(I32 a, I32 b) { return select(a < b, a, b); }
KV_INLINE I32 max(I32 a, I32 b) { return select(a > b, a, b); }

KV_INLINE bool any(I32 mask) {
#if KV_LANES == 8
    return _mm256_movemask_ps(__m256(mask)) != 0;
#else
    return _mm_movemask_ps(__m128(mask)) != 0;
#endif
}

KV_INLINE bool all(I32 mask) {
#if KV_LANES == 8
    return _mm256_movemask_ps(__m256(mask)) == 0xFF;
#else
    return _mm_movemask_ps(__m128(mask)) == 0xF;
#endif
}

template <class V>
KV_INLINE V load(const void* from) {
    V v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
template <class V>
KV_INLINE void store(void* to, V v) {
    std::memcpy(to, &v, sizeof v);
}

// base[index[i]] for every lane.
KV_INLINE U32 gather(const uint32_t* base, I32 index) {
#if KV_LANES == 8 && defined(__AVX2__)
    return U32(_mm256_i32gather_epi32(reinterpret_cast<const int*>(base), __m256i(index), 4));
#else
    U32 out;
    for (int i = 0; i < kLanes; ++i) out[i] = base[index[i]];
    return out;
#endif
}

// base[index[i]] and base[index[i] + 1] for every lane, read as one 64-bit pair each.
KV_INLINE void gatherPairs(const uint32_t* base, I32 index, U32& first, U32& second) {
#if KV_LANES == 8 && defined(__AVX2__)
    // Pixels 0, 1, 4, 5 from one gather and 2, 3, 6, 7 from the other, so that picking the
    // even and odd words of both gives the lanes in order.
    const auto* pairs = reinterpret_cast<const long long*>(base);
    const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const __m256i arranged = _mm256_permutevar8x32_epi32(__m256i(index), order);
    const __m256 a = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(arranged), 4));
    const __m256 b = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(arranged, 1), 4));
    first = U32(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0x88)));
    second = U32(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0xDD)));
#else
    for (int i = 0; i < kLanes; ++i) {
        uint64_t pair;
        std::memcpy(&pair, base + index[i], sizeof pair);
        first[i] = uint32_t(pair);
        second[i] = uint32_t(pair >> 32);
    }
#endif
}

#if KV_LANES == 8 && defined(__AVX2__)
// window[offset[i]] and window[offset[i] + 1] for every lane, offsets 0 .. kLanes - 2,
// from kLanes texels read at once.
KV_INLINE void windowPairs(const uint32_t* window, I32 offset, U32& first, U32& second) {
    const __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window));
    first = U32(_mm256_permutevar8x32_epi32(texels, __m256i(offset)));
    second = U32(_mm256_permutevar8x32_epi32(texels, __m256i(offset + 1)));
}
#endif

// floor(value) kept inside int32, NaN as the low end; `limited` receives the clamped value.
KV_INLINE I32 floorToInt(F32 value, F32& limited) {
    const F32 low = splat(-1.0e9f), high = splat(1.0e9f);
    limited = select(value > low, select(value < high, value, high), low);
    const I32 truncated = truncate(limited);
    return truncated + (limited < toFloat(truncated));  // a true lane is -1
}

// Bytes 0 and 2 of each lane, and bytes 1 and 3 moved down, as 16-bit values.
KV_INLINE U16 evenBytes(U32 v) { return U16(v & 0x00FF00FFu); }
KV_INLINE U16 oddBytes(U32 v) { return U16((v >> 8) & 0x00FF00FFu); }
KV_INLINE U32 joinBytes(U16 even, U16 odd) { return U32(even) | (U32(odd) << 8); }

// a * b / 255 rounded to nearest, per 16-bit value of at most 255.
KV_INLINE U16 mul255(U16 a, U16 b) {
    const U16 t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Channel by channel a * b / 255 of two packed pixels.
KV_INLINE U32 modulate(U32 a, U32 b) {
    return joinBytes(mul255(evenBytes(a), evenBytes(b)), mul255(oddBytes(a), oddBytes(b)));
}

// A colour channel 0..255 from its interpolated value, rounded; NaN gives 0.
KV_INLINE I32 toChannel(F32 c) {
    return truncate(select(c > 0.0f, select(c < 255.0f, c + 0.5f, splat(255.0f)), splat(0.0f)));
}

}  // namespace
}  // namespace platform::d3d8::raster
