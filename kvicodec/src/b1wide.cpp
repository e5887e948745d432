// The symbol decoder for processors with AVX-512: a symbol that is not among the few a
// stream most likely holds next is found by searching the whole cumulative table at once,
// not block by block, so no stream costs much more than a real picture. Built with AVX-512
// enabled and only called where wideSearchAvailable() says so.
#include "b1coder.h"

#include <immintrin.h>

namespace kvi::b1 {
namespace {

// Adaptive cumulative frequencies F[0..256] over 256 symbols in one flat table of 16-bit
// entries, eight 32-lane vectors; F[256] is the total. Counting a symbol adds 1 to the
// entries after it: eight masked additions whatever the symbol.
struct WideModel {
    alignas(64) uint16_t f[257];
    int total_;
    unsigned last_;  // the block of the symbol counted last

    void reset() {
        for (unsigned k = 0; k <= 256; ++k) f[k] = uint16_t(k);
        total_ = 256;
        last_ = 15;
    }
    int total() const { return total_; }

    // The largest s with F[s] * range <= limit (limit >= 0). The small values of real
    // pictures, symbols 240 to 255, and the block of the symbol before (a stream no encoder
    // wrote may repeat one value over and over) are found by comparing the products of that
    // block's 16 entries with the limit at once; any other symbol by one division and a
    // comparison with all 256 entries, since F[s] * range <= limit exactly when
    // F[s] <= limit / range.
    [[gnu::always_inline]] Interval find(int range, int limit) const {
        unsigned s;
        if (f[240] * range <= limit) {
            s = within(15, range, limit);
        } else if (unsigned(limit - f[16 * last_] * range) < unsigned((f[16 * last_ + 16] - f[16 * last_]) * range)) {
            s = within(last_, range, limit);
        } else {
            const __m512i bound = _mm512_set1_epi16(int16_t(uint16_t(unsigned(limit) / unsigned(range))));
            auto countAtMost = [&](unsigned first) {
                const __mmask32 a = _mm512_cmple_epu16_mask(_mm512_load_si512(f + first), bound);
                const __mmask32 b = _mm512_cmple_epu16_mask(_mm512_load_si512(f + first + 32), bound);
                return unsigned(std::popcount(_cvtmask64_u64(_mm512_kunpackd(b, a))));
            };
            // F[0] = 0 is always counted and F[256] never compared, so s is 0 to 255.
            s = (countAtMost(0) + countAtMost(64)) + (countAtMost(128) + countAtMost(192)) - 1;
        }
        return {s, f[s], f[s + 1]};
    }

    [[gnu::always_inline]] void update(unsigned s) {
        const __m512i symbol = _mm512_set1_epi16(int16_t(s)), one = _mm512_set1_epi16(1);
        const __m512i lane = _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                                              14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
#pragma GCC unroll 8
        for (unsigned v = 0; v < 8; ++v) {
            const __m512i index = _mm512_add_epi16(lane, _mm512_set1_epi16(int16_t(32 * v)));
            const __m512i entries = _mm512_load_si512(f + 32 * v);
            _mm512_store_si512(f + 32 * v, _mm512_mask_add_epi16(entries, _mm512_cmpgt_epu16_mask(index, symbol), entries, one));
        }
        last_ = s / 16;
        f[256] = uint16_t(++total_);
        if (total_ >= kRescaleTotal) rescale();
    }

private:
    // The symbol of block b, whose first entry times range is at most limit.
    unsigned within(unsigned b, int range, int limit) const {
        // Zero-masked with every lane kept: the plain widening trips GCC 12's
        // uninitialised-value warning inside its own header.
        const __m512i entries =
            _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(f + 16 * b)));
        const __mmask16 atMost = _mm512_cmple_epu32_mask(_mm512_mullo_epi32(entries, _mm512_set1_epi32(range)),
                                                         _mm512_set1_epi32(limit));
        return 16 * b - 1 + unsigned(std::popcount(_cvtmask16_u32(atMost)));
    }

    [[gnu::noinline]] void rescale() {
        halveCumulative(f);
        total_ = f[256];
    }
};

}  // namespace

void decodeSymbolsWide(const SymbolStream* streams, size_t streamCount, size_t count) {
    decodeStreams<WideModel>(streams, streamCount, count);
}

}  // namespace kvi::b1
