// The flat model's vector operations for processors with AVX2 but not AVX-512: sixteen
// 16-lane vectors cover the table, and comparisons give vectors of all-one lanes whose bytes
// are counted. Built with AVX2 enabled and only called where the processor has it.
#include "b1coder.h"

#include <immintrin.h>

namespace kvi::b1 {
namespace {

struct Avx2Lanes {
    [[gnu::always_inline]] static unsigned countProductsAtMost(const uint16_t* e, int range, int limit) {
        const __m256i r = _mm256_set1_epi32(range), l = _mm256_set1_epi32(limit);
        const __m256i entries = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e));
        // Products up to 0xFFFF * 2^16 do not fit signed lanes: x <= l as max(x, l) == l.
        auto atMost = [&](__m128i half) {
            const __m256i p = _mm256_mullo_epi32(_mm256_cvtepu16_epi32(half), r);
            return _mm256_cmpeq_epi32(_mm256_max_epu32(p, l), l);
        };
        const __m256i both = _mm256_packs_epi32(atMost(_mm256_castsi256_si128(entries)),
                                                atMost(_mm256_extracti128_si256(entries, 1)));
        return unsigned(std::popcount(unsigned(_mm256_movemask_epi8(both)))) / 2;
    }

    // High halves and bounds below 2^15 compare as signed lanes.
    [[gnu::always_inline]] static unsigned countBelowWindow(const uint16_t* f, int range, int window) {
        const __m256i r = _mm256_set1_epi16(int16_t(uint16_t(range))), w = _mm256_set1_epi16(int16_t(window));
        return countPairs([&](unsigned v) { return _mm256_cmpgt_epi16(w, _mm256_mulhi_epu16(load(f, v), r)); });
    }

    // Entries and bound + 1 stay below 2^15 too: F <= bound as bound + 1 > F.
    [[gnu::always_inline]] static unsigned countAtMost(const uint16_t* f, unsigned bound) {
        const __m256i above = _mm256_set1_epi16(int16_t(bound + 1));
        return countPairs([&](unsigned v) { return _mm256_cmpgt_epi16(above, load(f, v)); });
    }

    [[gnu::always_inline]] static void addOnesAfter(uint16_t* f, unsigned s) {
        const __m256i symbol = _mm256_set1_epi16(int16_t(s));
        const __m256i lane = _mm256_set_epi16(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
#pragma GCC unroll 16
        for (unsigned v = 0; v < 16; ++v) {
            const __m256i after = _mm256_cmpgt_epi16(_mm256_add_epi16(lane, _mm256_set1_epi16(int16_t(16 * v))), symbol);
            _mm256_store_si256(reinterpret_cast<__m256i*>(f + 16 * v), _mm256_sub_epi16(load(f, v), after));
        }
    }

private:
    [[gnu::always_inline]] static __m256i load(const uint16_t* f, unsigned v) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(f + 16 * v)); }

    // The all-one lanes of the sixteen vectors, two vectors' worth of bytes at a time; the
    // order of the lanes does not matter to a count.
    template <class Lanes16>
    [[gnu::always_inline]] static unsigned countPairs(Lanes16 lanes) {
        auto pair = [&](unsigned v) {
            return unsigned(std::popcount(unsigned(_mm256_movemask_epi8(_mm256_packs_epi16(lanes(v), lanes(v + 1))))));
        };
        return ((pair(0) + pair(2)) + (pair(4) + pair(6))) + ((pair(8) + pair(10)) + (pair(12) + pair(14)));
    }
};

}  // namespace

void decodeSymbolsAvx2(const SymbolStream* streams, size_t streamCount, size_t count) {
    decodeStreams<FlatModel<Avx2Lanes>>(streams, streamCount, count);
}

}  // namespace kvi::b1
