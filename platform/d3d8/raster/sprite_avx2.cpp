// The sprite loops on AVX2, four pixels a group (built with -mavx2; used only where the
// processor has it).
#include "sprite_sse.h"

namespace platform::d3d8::raster::sprite {
namespace {

struct Avx2 {
    using G = __m256i;
    static constexpr int N = 4;

    // Four pixels widened to 16-bit channels: the first two in the low half, in order.
    static G load(const uint32_t* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
    static void store(uint32_t* p, G v) {
        const __m256i packed = _mm256_packus_epi16(v, v);  // pixels 0 1 0 1 | 2 3 2 3
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
    }
    static G set1(uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static G splat(uint32_t color) { return _mm256_cvtepu8_epi16(_mm_set1_epi32(static_cast<int>(color))); }
    static G add(G a, G b) { return _mm256_add_epi16(a, b); }
    static G sub(G a, G b) { return _mm256_sub_epi16(a, b); }
    static G mul(G a, G b) { return _mm256_mullo_epi16(a, b); }
    static G bitOr(G a, G b) { return _mm256_or_si256(a, b); }
    template <int n>
    static G shr(G a) {
        return _mm256_srli_epi16(a, n);
    }
    static G alpha(G v) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF); }

    // The tap pairs of two columns, one per half, and those columns' weights.
    static G pairs(const uint32_t* blended, int32_t low, int32_t high) {
        return _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(blended + low)),
                                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(blended + high))));
    }
    static G weightsOf(const uint16_t* weights, int low, int high) {
        return _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * low))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * high)), 1);
    }
    // Pixels 0 1 4 5 in the first group and 2 3 6 7 in the second: what unpacking the bytes
    // of one 32-byte load gives, and what one pack puts back in order.
    struct Wide {
        G a, b;
    };
    static Wide loadWide(const uint32_t* p) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        return {_mm256_unpacklo_epi8(v, _mm256_setzero_si256()), _mm256_unpackhi_epi8(v, _mm256_setzero_si256())};
    }
    static void storeWide(uint32_t* p, const Wide& w) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_packus_epi16(w.a, w.b));
    }

    // Columns i and k share a register (one per half), j and l the other, so that summing the
    // halves of each pair leaves pixels i j | k l.
    static G lerpFour(const uint32_t* blended, const int32_t* x, const uint16_t* weights, int i, int j, int k, int l) {
        const G first = mul(pairs(blended, x[i], x[k]), weightsOf(weights, i, k));
        const G second = mul(pairs(blended, x[j], x[l]), weightsOf(weights, j, l));
        const G sum = add(_mm256_unpacklo_epi64(first, second), _mm256_unpackhi_epi64(first, second));
        return shr<8>(add(sum, set1(128)));
    }
    static Wide lerpWide(const uint32_t* blended, const int32_t* x, const uint16_t* weights) {
        return {lerpFour(blended, x, weights, 0, 1, 4, 5), lerpFour(blended, x, weights, 2, 3, 6, 7)};
    }

    using P = Sse::P;
    static P pixel(uint32_t texel) { return Sse::pixel(texel); }
    static G group(const P (&p)[N]) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(p[0], p[1])),
                                       _mm_unpacklo_epi64(p[2], p[3]), 1);
    }
    static P sampleLinear(const Texels& t, uint32_t u, uint32_t v) { return Sse::sampleLinear(t, u, v); }

    // Fraction of pixels `low` and `high` (0..3) of four 32-bit fractions, eight times in
    // 16-bit lanes of the low and the high half.
    template <int low, int high>
    static G spread(__m128i fractions) {
        constexpr char l = 4 * low, h = 4 * high;
        const __m256i pick = _mm256_setr_epi8(l, -1, l, -1, l, -1, l, -1, l, -1, l, -1, l, -1, l, -1,  //
                                              h, -1, h, -1, h, -1, h, -1, h, -1, h, -1, h, -1, h, -1);
        return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(fractions), pick);
    }

    // Two samples, one per half: their tap pairs at byte offsets `top` (and one row down),
    // blended down by fy, then across by fx; the result is in each half's low 64 bits.
    static G samplePair(const Texels& t, int32_t topLow, int32_t topHigh, G fy, G fx) {
        auto pairs = [&](int32_t low, int32_t high) {
            return _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t.base + low)),
                                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t.base + high))));
        };
        const G rows = blendRows<Avx2>(pairs(topLow, topHigh), pairs(topLow + t.pitch, topHigh + t.pitch),
                                       sub(set1(256), fy), fy);
        const G weighted = mul(rows, _mm256_blend_epi16(sub(set1(256), fx), fx, 0xF0));
        return add(weighted, _mm256_srli_si256(weighted, 8));
    }

    // Four samples with their taps found together. Groups reaching the rectangle's last row
    // or column (whose taps are clamped), or textures too large for 32-bit offsets, take
    // them one pixel at a time.
    static G linearGroup(const Texels& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
        const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
        const __m128i us = _mm_add_epi32(_mm_set1_epi32(int(u)), _mm_mullo_epi32(_mm_set1_epi32(int(du)), lanes));
        const __m128i vs = _mm_add_epi32(_mm_set1_epi32(int(v)), _mm_mullo_epi32(_mm_set1_epi32(int(dv)), lanes));
        const __m128i ix = _mm_srai_epi32(us, kFracBits), iy = _mm_srai_epi32(vs, kFracBits);
        const __m128i none = _mm_set1_epi32(-1);
        const __m128i inside = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(ix, none), _mm_cmpgt_epi32(_mm_set1_epi32(t.maxX), ix)),
            _mm_and_si128(_mm_cmpgt_epi32(iy, none), _mm_cmpgt_epi32(_mm_set1_epi32(t.maxY), iy)));
        if (!t.smallOffsets || _mm_movemask_epi8(inside) != 0xFFFF) return linearByPixel<Avx2>(t, u, v, du, dv);
        alignas(16) int32_t top[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(top),
                        _mm_add_epi32(_mm_mullo_epi32(iy, _mm_set1_epi32(t.pitch)), _mm_slli_epi32(ix, 2)));
        const __m128i byte = _mm_set1_epi32(0xFF);
        const __m128i fx = _mm_and_si128(_mm_srli_epi32(us, 8), byte), fy = _mm_and_si128(_mm_srli_epi32(vs, 8), byte);
        const G even = samplePair(t, top[0], top[2], spread<0, 2>(fy), spread<0, 2>(fx));
        const G odd = samplePair(t, top[1], top[3], spread<1, 3>(fy), spread<1, 3>(fx));
        return shr<8>(add(_mm256_unpacklo_epi64(even, odd), set1(128)));
    }
};

}  // namespace

const Kernels& avx2Kernels() {
    static const Kernels kernels = makeKernels<Avx2>("AVX2");
    return kernels;
}

}  // namespace platform::d3d8::raster::sprite
