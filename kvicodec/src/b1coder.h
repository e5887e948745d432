// The B1 arithmetic coder's registers, bits, decoding loop and flat model, shared by the
// portable symbol decoder and the ones built for AVX2 and AVX-512. These are compiled for
// different processors, so everything here has internal linkage: none can end up calling a
// copy of a function that another compiled.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__BMI__)
#include <immintrin.h>
#endif

namespace kvi::b1 {

// A plane's coded symbols and where its decoded symbols go.
struct SymbolStream {
    const uint8_t* begin;
    const uint8_t* end;
    uint8_t* symbols;
};

// Decode count symbols of each of one or two streams with the flat model, in the instruction
// set of the name; only called where the processor has it.
void decodeSymbolsAvx512(const SymbolStream* streams, size_t streamCount, size_t count);
void decodeSymbolsAvx2(const SymbolStream* streams, size_t streamCount, size_t count);

namespace {

// A symbol with its cumulative frequencies: F[symbol] and F[symbol + 1].
struct Interval {
    unsigned symbol;
    int low, high;
};

constexpr int kRescaleTotal = 0x3FFF;

// Halves the cumulative frequencies f[0..256] when the total reaches kRescaleTotal; each
// entry stays above the one before it.
inline void halveCumulative(uint16_t* f) {
    f[0] = 0;
    for (unsigned k = 1; k <= 256; ++k) {
        f[k] = uint16_t(f[k] >> 1);
        if (f[k] <= f[k - 1]) f[k] = uint16_t(f[k - 1] + 1);
    }
}

// floor(range * f / total) without a divide instruction: for n < 2^31 and d <= 16384,
// n / d == (n * m) >> (31 + l) with l = ceil(log2 d) and m = ceil(2^(31+l) / d), because
// m * d - 2^(31+l) < d <= 2^l. With range <= 2^16 and f < 2^14, range * m is a factor
// that f multiplies within 64 bits (m <= 2^32), taken before f is known.
class TotalDivider {
public:
    static constexpr uint32_t kMaxTotal = 0x4000;

    struct Scale {
        uint64_t factor;
        unsigned shift;
        [[gnu::always_inline]] int operator()(int f) const { return int((uint64_t(uint32_t(f)) * factor) >> shift); }
    };

    TotalDivider() {
        for (uint32_t d = 1; d <= kMaxTotal; ++d) {
            unsigned l = 0;
            while ((uint32_t(1) << l) < d) ++l;
            shift_[d] = uint8_t(31 + l);
            multiplier_[d] = ((uint64_t(1) << (31 + l)) + d - 1) / d;
        }
    }
    static const TotalDivider& instance() {
        static const TotalDivider table;
        return table;
    }
    [[gnu::always_inline]] Scale scale(int range, int total) const { return {uint64_t(uint32_t(range)) * multiplier_[total], shift_[total]}; }

private:
    uint64_t multiplier_[kMaxTotal + 1] = {};
    uint8_t shift_[kMaxTotal + 1] = {};
};

// Bits come in most significant first; past the end of the stream they read as 0.
class BitReader {
public:
    BitReader(const uint8_t* begin, const uint8_t* end) : p_(begin), end_(end) {}
    // The next count bits (0 to 16) as a number.
    [[gnu::always_inline]] unsigned bits(unsigned count) {
        refill();
        const unsigned value = unsigned((cache_ >> 1) >> (63 - count));  // 0 for no bits
        cache_ <<= count;
        count_ -= count;
        return value;
    }

private:
    // Tops the cache up to at least 56 bits on every read, so that how many bits a symbol
    // took is no branch. The cache holds its bits at the top; below them it may hold the
    // stream's following bits already, which the next load puts there again.
    [[gnu::always_inline]] void refill() {
        if (end_ - p_ >= 8) [[likely]] {
            uint64_t next;
            std::memcpy(&next, p_, sizeof next);
            if constexpr (std::endian::native == std::endian::little) next = __builtin_bswap64(next);
            cache_ |= next >> count_;
            p_ += (63 - count_) / 8;
            count_ |= 56;  // count_ + 8 times the bytes taken
            return;
        }
        for (; count_ <= 56; count_ += 8) cache_ |= uint64_t(p_ < end_ ? *p_++ : 0) << (56 - count_);
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t cache_ = 0;  // count_ bits, most significant first
    unsigned count_ = 0;
};

// Leading zeros of a 16-bit value, 16 for 0, without the branch that a count of a value
// that may be 0 costs.
[[gnu::always_inline]] inline int leadingZeros16(unsigned value) { return std::countl_zero(((value & 0xFFFF) << 16) | 0x8000); }

// Leading bits that low and high share: the bits the coder can settle at once.
[[gnu::always_inline]] inline int sharedLeadingBits(int low, int high) { return leadingZeros16(unsigned(low ^ high)); }

// After the n shared bits, the steps while low is 01... and high 10...: each of them drops
// the second bit of both registers. The range at least doubles each time, so n + k <= 16.
[[gnu::always_inline]] inline int straddlingSteps(int low, int high, int n) {
#if defined(__BMI__)
    // Spelt out: with AVX-512 the compiler may otherwise take this through mask registers,
    // which puts two crossings on every symbol's path.
    const unsigned straddling = _andn_u32(unsigned(high) << n, unsigned(low) << n);
#else
    const unsigned straddling = (unsigned(low) << n) & ~(unsigned(high) << n);
#endif
    return leadingZeros16(~(straddling << 1));
}

// Shifts the n shared bits out of both registers, then takes the k straddling steps at once,
// without a loop whose length varies; high takes in ones.
[[gnu::always_inline]] inline void settle(int& low, int& high, int n, int k) {
    low = (low << n) & 0xFFFF;
    high = ((high << n) & 0xFFFF) | ((1 << n) - 1);
    low = (low << k) & 0x7FFF;
    high = ((high << k) & 0x7FFF) | 0x8000 | ((1 << k) - 1);
}

// One plane's arithmetic decoder over a model of the cumulative frequencies, which offers
// reset(), total(), find(range, limit): the largest symbol s with F[s] * range <= limit,
// and update(symbol).
template <class Model>
class SymbolDecoder {
public:
    explicit SymbolDecoder(const SymbolStream& stream) : in_(stream.begin, stream.end), symbols_(stream.symbols) {
        model_.reset();
        offset_ = int(in_.bits(16));
    }

    // Always inlined into the loop that takes the planes' steps in turn: as a call, it passed
    // the decoder's registers through memory.
    [[gnu::always_inline]] void step(const TotalDivider& div, size_t i) {
        const int range = high_ - low_ + 1, total = model_.total();
        const TotalDivider::Scale scale = div.scale(range, total);
        // The symbol is the largest s with F[s] <= (scaled - 1) / range, scaled being
        // (offset + 1) * total: the same test without the division.
        const Interval found = model_.find(range, (offset_ + 1) * total - 1);
        const int rise = scale(found.low);
        high_ = low_ + scale(found.high) - 1;
        low_ += rise;
        offset_ -= rise;
        // As the encoder: the code lies between low and high, so it shares their n leading
        // bits, and each straddling step drops its second bit as well; its distance from low
        // is what both steps double, taking in a bit each.
        const int n = sharedLeadingBits(low_, high_);
        const int k = straddlingSteps(low_, high_, n);
        // No branch on n + k > 0: whether a symbol takes in bits is up to the stream.
        settle(low_, high_, n, k);
        const unsigned taken = unsigned(n + k);
        offset_ = (offset_ << taken) | int(in_.bits(taken));
        model_.update(found.symbol);
        symbols_[i] = uint8_t(found.symbol);
    }

private:
    Model model_;
    BitReader in_;
    uint8_t* symbols_;
    int low_ = 0, high_ = 0xFFFF;
    // The code register less low, all the decoder needs of it: 0 <= offset_ <= high_ - low_
    // whatever the stream holds, since each symbol's interval contains it.
    int offset_ = 0;
};

// Each step of a decoder waits for the one before it, but the decoders of different planes
// do not wait for each other: taking their steps in turn keeps the processor busy with one
// plane while the other's step completes.
template <class... Decoders>
void decodeSymbols(size_t count, Decoders&... decoders) {
    const TotalDivider& div = TotalDivider::instance();
    for (size_t i = 0; i < count; ++i) (decoders.step(div, i), ...);
}

// One or two streams through decodeSymbols with the given model.
template <class Model>
void decodeStreams(const SymbolStream* streams, size_t streamCount, size_t count) {
    SymbolDecoder<Model> first(streams[0]);
    if (streamCount == 2) {
        SymbolDecoder<Model> second(streams[1]);
        decodeSymbols(count, first, second);
    } else {
        decodeSymbols(count, first);
    }
}

// Adaptive cumulative frequencies F[0..256] over 256 symbols in one flat table of 16-bit
// entries, F[256] being the total, searched and counted with the vector operations of Lanes
// (one set per instruction set): whatever the symbol, a few comparisons of the whole table.
// Lanes offers, for entries at most 2^14 (padding aside), range at most 2^16 and limit < 2^30:
// - countProductsAtMost(e, range, limit): how many of the 16 entries from e have
//   products with range at most limit;
// - countBelowWindow(f, range, window): how many of F[0..255] have products with range
//   (below 2^16) whose high 16 bits are below window;
// - countAtMost(f, bound): how many of F[0..255] are at most bound;
// - addOnesAfter(f, s): adds 1 to F[s + 1..255].
template <class Lanes>
struct FlatModel {
    // Past F[256], entries of 0xFFFF, whose products no limit reaches, so that 16 entries
    // can be compared from any index.
    alignas(64) uint16_t f[256 + 32];
    int total_;
    unsigned last_;  // the symbol counted last

    void reset() {
        for (unsigned k = 0; k < 256 + 32; ++k) f[k] = uint16_t(k <= 256 ? k : 0xFFFF);
        total_ = 256;
        last_ = 255;
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
            s = 239 + Lanes::countProductsAtMost(f + 240, range, limit);
        } else if (unsigned(limit - f[last_] * range) < unsigned((f[last_ + 1] - f[last_]) * range)) {
            s = last_;
        } else if (range < 0x10000) [[likely]] {
            s = Lanes::countBelowWindow(f, range, limit >> 16) - 1;  // wraps when none is
            if ((f[s + 1] * range) >> 16 == limit >> 16) [[unlikely]]
                s += Lanes::countProductsAtMost(f + (s + 1), range, limit);
        } else {
            s = Lanes::countAtMost(f, unsigned(limit) / unsigned(range)) - 1;
        }
        return {s, f[s], f[s + 1]};
    }

    [[gnu::always_inline]] void update(unsigned s) {
        Lanes::addOnesAfter(f, s);
        last_ = s;
        f[256] = uint16_t(++total_);
        if (total_ >= kRescaleTotal) rescale();
    }

private:
    [[gnu::noinline]] void rescale() {
        halveCumulative(f);
        total_ = f[256];
    }
};

}  // namespace
}  // namespace kvi::b1
