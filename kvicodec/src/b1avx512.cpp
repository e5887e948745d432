// The flat model's vector operations for processors with AVX-512: eight 32-lane vectors cover
// the table, and comparisons give masks that are counted directly. Built with AVX-512 enabled
// and only called where the processor has it.
#include "b1coder.h"

#include <immintrin.h>

namespace kvi::b1 {
namespace {

struct Avx512Lanes {
    [[gnu::always_inline]] static unsigned countProductsAtMost(const uint16_t* e, int range, int limit) {
        // Zero-masked with every lane kept: the plain widening trips GCC 12's
        // uninitialised-value warning inside its own header.
        const __m512i entries = _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e)));
        const __mmask16 atMost = _mm512_cmple_epu32_mask(_mm512_mullo_epi32(entries, _mm512_set1_epi32(range)),
                                                         _mm512_set1_epi32(limit));
        return unsigned(std::popcount(_cvtmask16_u32(atMost)));
    }

    [[gnu::always_inline]] static unsigned countBelowWindow(const uint16_t* f, int range, int window) {
        const __m512i r = _mm512_set1_epi16(int16_t(uint16_t(range))), w = _mm512_set1_epi16(int16_t(uint16_t(window)));
        return countPairs([&](unsigned v) { return _mm512_cmplt_epu16_mask(_mm512_mulhi_epu16(load(f, v), r), w); });
    }

    [[gnu::always_inline]] static unsigned countAtMost(const uint16_t* f, unsigned bound) {
        const __m512i b = _mm512_set1_epi16(int16_t(uint16_t(bound)));
        return countPairs([&](unsigned v) { return _mm512_cmple_epu16_mask(load(f, v), b); });
    }

    [[gnu::always_inline]] static void addOnesAfter(uint16_t* f, unsigned s) {
        const __m512i symbol = _mm512_set1_epi16(int16_t(s)), one = _mm512_set1_epi16(1);
        const __m512i lane = _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                                              14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
#pragma GCC unroll 8
        for (unsigned v = 0; v < 8; ++v) {
            const __m512i index = _mm512_add_epi16(lane, _mm512_set1_epi16(int16_t(32 * v)));
            const __m512i entries = load(f, v);
            _mm512_store_si512(f + 32 * v, _mm512_mask_add_epi16(entries, _mm512_cmpgt_epu16_mask(index, symbol), entries, one));
        }
    }

private:
    [[gnu::always_inline]] static __m512i load(const uint16_t* f, unsigned v) { return _mm512_load_si512(f + 32 * v); }

    // The lanes set in the masks of the eight vectors, taken two at a time.
    template <class Mask>
    [[gnu::always_inline]] static unsigned countPairs(Mask mask) {
        auto pair = [&](unsigned v) { return unsigned(std::popcount(_cvtmask64_u64(_mm512_kunpackd(mask(v + 1), mask(v))))); };
        return (pair(0) + pair(2)) + (pair(4) + pair(6));
    }
};

}  // namespace

void decodeSymbolsAvx512(const SymbolStream* streams, size_t streamCount, size_t count) {
    decodeStreams<FlatModel<Avx512Lanes>>(streams, streamCount, count);
}

}  // namespace kvi::b1
