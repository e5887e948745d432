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
    // Past F[256], entries of 0xFFFF, whose products no limit reaches, so that 16 entries
    // can be compared from any index.
    alignas(64) uint16_t f[256 + 32];
    int total_;
    unsigned last_;  // the symbol counted last

    void reset() {
        last_ = 255;
        for (unsigned k = 0; k < 256 + 32; ++k) f[k] = uint16_t(k <= 256 ? k : 0xFFFF);
        total_ = 256;
    }
    int total() const { return total_; }

    // The largest s with F[s] * range <= limit (limit >= 0).
    // - The small values of real pictures, symbols 240 to 255: the products of their 16
    //   entries compared with the limit at once.
    // - The symbol before, which a stream no encoder wrote may repeat over and over: its two
    //   products.
    // - Any other symbol: the high halves of all 256 products, which wait only for the range,
    //   settle every entry whose product lies in a lower 2^16 window than the limit. Products
    //   are range > 2^14 apart, so at most four share the limit's window; when the entry after
    //   the settled ones is among them, the 16 entries from it are compared whole.
    // - A range of 2^16, which has no 16-bit high halves: one division, since
    //   F[s] * range <= limit exactly when F[s] <= limit / range, and a comparison with all
    //   256 entries.
    [[gnu::always_inline]] Interval find(int range, int limit) const {
        unsigned s;
        if (f[240] * range <= limit) {
            s = 239 + countProductsAtMost(240, range, limit);
        } else if (unsigned(limit - f[last_] * range) < unsigned((f[last_ + 1] - f[last_]) * range)) {
            s = last_;
        } else if (range < 0x10000) [[likely]] {
            s = countBelowWindow(range, limit) - 1;  // wraps when none is
            if ((f[s + 1] * range) >> 16 == limit >> 16) [[unlikely]]
                s += countProductsAtMost(s + 1, range, limit);
        } else {
            s = countAtMost(unsigned(limit) / unsigned(range)) - 1;
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
        last_ = s;
        f[256] = uint16_t(++total_);
        if (total_ >= kRescaleTotal) rescale();
    }

private:
    // How many of the 16 entries from first have products with range at most limit.
    unsigned countProductsAtMost(unsigned first, int range, int limit) const {
        // Zero-masked with every lane kept: the plain widening trips GCC 12's
        // uninitialised-value warning inside its own header.
        const __m512i entries =
            _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + first)));
        const __mmask16 atMost = _mm512_cmple_epu32_mask(_mm512_mullo_epi32(entries, _mm512_set1_epi32(range)),
                                                         _mm512_set1_epi32(limit));
        return unsigned(std::popcount(_cvtmask16_u32(atMost)));
    }

    // How many of the entries F[0..255] have products with range (below 2^16) whose high
    // half is below the limit's.
    unsigned countBelowWindow(int range, int limit) const {
        const __m512i r = _mm512_set1_epi16(int16_t(uint16_t(range)));
        const __m512i window = _mm512_set1_epi16(int16_t(uint16_t(limit >> 16)));
        auto below = [&](unsigned v) {
            return _mm512_cmplt_epu16_mask(_mm512_mulhi_epu16(_mm512_load_si512(f + 32 * v), r), window);
        };
        return countPairs(below);
    }

    // How many of the entries F[0..255] are at most bound.
    unsigned countAtMost(unsigned bound) const {
        const __m512i b = _mm512_set1_epi16(int16_t(uint16_t(bound)));
        return countPairs([&](unsigned v) { return _mm512_cmple_epu16_mask(_mm512_load_si512(f + 32 * v), b); });
    }

    // The lanes set in the masks of the eight vectors, taken two at a time.
    template <class Mask>
    static unsigned countPairs(Mask mask) {
        auto pair = [&](unsigned v) { return unsigned(std::popcount(_cvtmask64_u64(_mm512_kunpackd(mask(v + 1), mask(v))))); };
        return (pair(0) + pair(2)) + (pair(4) + pair(6));
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
