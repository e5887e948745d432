#include "b1plane.h"

#include "b1coder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvi::b1 {
namespace {

// Size, levels and padding of one plane; symbols are stored per level in coding order,
// coarsest level first, so the arithmetic coder walks them front to back.
struct Geometry {
    uint32_t width, height;
    int levels;
    size_t padWidth, padHeight;

    Geometry(uint32_t w, uint32_t h) : width(w), height(h) {
        levels = (w > 32 && h > 32) ? 5 : 1;
        const size_t unit = levels == 5 ? 32 : 2;
        padWidth = (size_t(w) + unit - 1) / unit * unit;
        padHeight = (size_t(h) + unit - 1) / unit * unit;
    }
    size_t blocksWide(int level) const { return padWidth >> level; }
    size_t blocksHigh(int level) const { return padHeight >> level; }
    size_t perBlock(int level) const { return level == levels ? 4 : 3; }
    size_t symbolCount() const { return padWidth * padHeight; }
    size_t levelOffset(int level) const {
        size_t offset = 0;
        for (int l = levels; l > level; --l) offset += perBlock(l) * blocksWide(l) * blocksHigh(l);
        return offset;
    }
};

// Working memory that the coder fills completely before reading it, so it is not zeroed.
template <class T>
class Scratch {
public:
    explicit Scratch(size_t count) : items_(std::make_unique_for_overwrite<T[]>(count ? count : 1)), count_(count) {}
    T* data() { return items_.get(); }
    const T* data() const { return items_.get(); }
    T& operator[](size_t i) { return items_[i]; }
    const T& operator[](size_t i) const { return items_[i]; }
    size_t size() const { return count_; }

private:
    std::unique_ptr<T[]> items_;
    size_t count_;
};

// Quantiser step of a level: 1 is the finest. x^5 is multiplied out left to right so every
// implementation rounds alike.
double stepOf(const Geometry& g, uint32_t quality, int level) {
    const int64_t base = quality == 100 ? 1 : 100 - int64_t(int32_t(quality));
    const double x = double(g.levels - level + 1) / double(g.levels);
    const double x5 = x * x * x * x * x;
    return double(base - 1) * x5 + 1.0001;
}

struct Quad {
    double origin, right, below, diagonal;
};

inline Quad forward(double a, double b, double c, double d) {
    return {(a + b + c + d) * 0.25, (b + d - a - c) * 0.25, (c + d - a - b) * 0.25,
            (a + d - b - c) * 0.25};
}

inline Quad inverse(double a, double b, double c, double d) {
    return {a - b - c + d, a + b - c - d, a - b + c - d, a + b + c + d};
}

// Nearest integer with halves away from zero, as a symbol: 0 -> 255, 1 -> 253, -1 -> 254.
inline uint8_t symbolOf(double value, double inverseStep) {
    const double p = value * inverseStep;
    // p + 0.5 or p - 0.5 by the sign, without a branch: details change sign at random.
    int v = int(p + std::copysign(0.5, p));
    v = std::clamp(v, -128, 127);  // the transform cannot leave this range; a guard only
    return uint8_t(v >= 0 ? 255 - 2 * v : 256 + 2 * v);
}

inline int valueOf(unsigned symbol) {
    return (symbol & 1) == 0 ? int(symbol / 2) - 128 : 128 - int((symbol + 1) / 2);
}

// Clamped as an integer, without branches: a damaged stream clamps at random. Values stay
// far inside int: five levels of four coefficients of at most 128 steps of at most 100.
[[gnu::always_inline]] inline uint8_t sampleOf(double value) {
    const double t = value + 128.0 + 0.5;  // truncation takes values between -1 and 0 to 0
    return uint8_t(std::clamp(int(t), 0, 255));
}

// row[p] holds 1 at the positions after p and 0 elsewhere.
struct OnesAfter {
    alignas(16) uint16_t row[16][16];
};

constexpr OnesAfter makeOnesAfter() {
    OnesAfter table{};
    for (unsigned p = 0; p < 16; ++p)
        for (unsigned j = 0; j < 16; ++j) table.row[p][j] = j > p ? 1 : 0;
    return table;
}

constexpr OnesAfter kOnesAfter = makeOnesAfter();

// How many of the 16 entries first + row[0..15], increasing, times range are at most limit
// (first + row[k] < 2^15, 1 <= range <= 2^16): 32-bit products compared all at once.
inline unsigned countProductsAtMost(const uint16_t* row, int first, int range, int limit) {
#if defined(__SSE2__)
    const __m128i offset = _mm_set1_epi16(int16_t(first)), zero = _mm_setzero_si128();
    const __m128i rangeLess1 = _mm_set1_epi16(int16_t(uint16_t(range - 1)));  // 16 bits even for 2^16
    const __m128i bound = _mm_set1_epi32(limit);
    __m128i above[2];
    for (unsigned half = 0; half < 2; ++half) {
        const __m128i f = _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 8 * half)), offset);
        // f * range = f * (range - 1) + f, from the low and high halves of the 16-bit products
        const __m128i low = _mm_mullo_epi16(f, rangeLess1), high = _mm_mulhi_epu16(f, rangeLess1);
        const __m128i first4 = _mm_add_epi32(_mm_unpacklo_epi16(low, high), _mm_unpacklo_epi16(f, zero));
        const __m128i last4 = _mm_add_epi32(_mm_unpackhi_epi16(low, high), _mm_unpackhi_epi16(f, zero));
        above[half] = _mm_packs_epi32(_mm_cmpgt_epi32(first4, bound), _mm_cmpgt_epi32(last4, bound));
    }
    const unsigned mask = unsigned(_mm_movemask_epi8(_mm_packs_epi16(above[0], above[1])));
    return unsigned(std::countr_zero(mask | 0x10000u));
#else
    unsigned count = 0;
    for (unsigned k = 0; k < 16; ++k) count += (first + row[k]) * range <= limit ? 1 : 0;
    return count;
#endif
}

// Adaptive cumulative frequencies F[0..256] over 256 symbols, kept as the F of each block
// of 16 symbols plus offsets within the blocks: F[k] = base[k / 16] + offset[k], with
// base[16] = F[256] (the total) and offset[256] = 0. Counting a symbol adds 1 to the
// offsets after it in its block and to the bases of the later blocks: four short vector
// additions whatever the symbol, where one flat table would take up to 257 additions for
// the lowest symbols.
struct Model {
    typedef uint16_t Lanes __attribute__((vector_size(16)));

    alignas(16) uint16_t base[17];
    alignas(16) uint16_t offset[257];
    unsigned lastBlock;  // of the symbol counted last

    void reset() {
        lastBlock = 15;
        for (unsigned k = 0; k <= 256; ++k) offset[k] = uint16_t(k % 16);
        for (unsigned b = 0; b <= 16; ++b) base[b] = uint16_t(16 * b);
    }
    int at(unsigned k) const { return base[k / 16] + offset[k]; }
    int total() const { return base[16]; }
    Interval interval(unsigned s) const { return {s, at(s), at(s + 1)}; }

    void update(unsigned s) {
        // Both additions run for every symbol: for the last symbol of a block, or a symbol
        // of the last block, they add a row of zeros, which costs less than a branch that
        // the stream decides.
        addOnesAfter(&offset[s & ~15u], s % 16);
        addOnesAfter(base, s / 16);
        lastBlock = s / 16;
        if (++base[16] >= kRescaleTotal) rescale();
    }
    void rescale() {
        uint16_t f[257];
        for (unsigned k = 0; k <= 256; ++k) f[k] = uint16_t(at(k));
        halveCumulative(f);
        for (unsigned k = 0; k <= 256; ++k) {
            base[k / 16] = f[k & ~15u];
            offset[k] = uint16_t(f[k] - f[k & ~15u]);
        }
    }
    // The largest s with F[s] * range <= limit. Real streams are nearly all small values,
    // symbols 240 to 255, and a stream no encoder wrote may repeat one value over and over:
    // a symbol in block 15 or in the block of the symbol before is found by comparing with
    // the entries of that block at once, products and all. Any other block is found by
    // counting the block starts at or below the symbol first: products again, so there is
    // no division, and no branch on where in a block the symbol lies. Always inlined: as a
    // call it returned the interval through memory, a quarter of the decoding time.
    [[gnu::always_inline]] Interval find(int range, int limit) const {
        if (base[15] * range <= limit) return within(15, range, limit);
        const unsigned last = lastBlock;
        const int start = base[last] * range, width = (base[last + 1] - base[last]) * range;
        if (unsigned(limit - start) < unsigned(width)) return within(last, range, limit);
        limit = std::max(limit, 0);  // base[0] is 0, so the count is at least 1
        return within(countProductsAtMost(base, 0, range, limit) - 1, range, limit);
    }

private:
    // The symbol of block b, whose start is at or below the limit (offset[16 * b] is 0, so
    // the count is at least 1).
    Interval within(unsigned b, int range, int limit) const {
        return interval(16 * b + countProductsAtMost(&offset[16 * b], base[b], range, limit) - 1);
    }
    // Adds 1 to the entries of a 16-entry row that come after position p.
    static void addOnesAfter(uint16_t* row, unsigned p) {
        for (unsigned half = 0; half < 16; half += 8) {
            Lanes lanes, ones;
            std::memcpy(&lanes, row + half, sizeof lanes);
            std::memcpy(&ones, &kOnesAfter.row[p][half], sizeof ones);
            lanes += ones;
            std::memcpy(row + half, &lanes, sizeof lanes);
        }
    }
};

// Bits go out most significant first; the stream grows as needed.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

    // The low count bits of bits, count <= 32.
    void put(uint32_t bits, unsigned count) {
        acc_ = (acc_ << count) | bits;
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            store(uint8_t(acc_ >> pending_));
        }
    }
    // One bit followed by repeat copies of its opposite.
    void putWithOpposites(unsigned bit, uint32_t repeat) {
        if (repeat < 32) {
            const uint32_t opposite = bit ? 0 : (uint32_t(1) << repeat) - 1;
            put((bit << repeat) | opposite, repeat + 1);
            return;
        }
        put(bit, 1);
        const uint32_t fill = bit ? 0 : 0xFFFFFFFFu;
        for (; repeat >= 32; repeat -= 32) put(fill, 32);
        if (repeat > 0) put(fill & ((uint32_t(1) << repeat) - 1), repeat);
    }
    void finish() {
        if (pending_ > 0) store(uint8_t(acc_ << (8 - pending_)));
        out_.resize(pos_);
    }

private:
    void store(uint8_t byte) {
        if (pos_ == out_.size()) out_.resize(out_.size() * 2 + 64);
        out_[pos_++] = byte;
    }

    std::vector<uint8_t>& out_;
    size_t pos_ = out_.size();
    uint64_t acc_ = 0;
    unsigned pending_ = 0;
};

// The bits settled with n >= 1 shared bits: the first of them, the pending copies of its
// opposite, then the other n - 1; pending + n <= 32. Any other n gives bits to discard.
inline uint32_t settledBits(int low, int n, uint32_t pending) {
    const unsigned rest = unsigned(n - (n > 0));
    const uint32_t first = uint32_t(low) >> 15;
    const uint32_t opposites = ((uint32_t(1) << (pending & 31)) - 1) & (first - 1);
    const uint32_t others = (uint32_t(low) >> (16 - n)) & ((1u << rest) - 1);
    return (first << ((pending + rest) & 31)) | (opposites << rest) | others;
}

void encodeSymbols(const uint8_t* symbols, size_t count, BitWriter& out) {
    const TotalDivider& div = TotalDivider::instance();
    Model model;
    model.reset();
    int low = 0, high = 0xFFFF;
    uint32_t pending = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t s = symbols[i];
        const int range = high - low + 1, total = model.total();
        const TotalDivider::Scale scale = div.scale(range, total);
        const Interval in = model.interval(s);
        high = low + scale(in.high) - 1;
        low = low + scale(in.low);
        // All settled bits first (the first one releases the pending bits), then the
        // straddling steps; once straddling, low and high cannot share a leading bit again.
        const int n = sharedLeadingBits(low, high);
        const int k = straddlingSteps(low, high, n);
        if (pending + uint32_t(n) <= 32 || n == 0) {
            // Without a branch on n: whether a symbol settles bits is up to the stream.
            out.put(n ? settledBits(low, n, pending) : 0, n ? pending + uint32_t(n) : 0);
            pending = n ? 0 : pending;
        } else {
            out.putWithOpposites(unsigned(low >> 15), pending);
            pending = 0;
            out.put(unsigned(low >> (16 - n)) & ((1u << (n - 1)) - 1), unsigned(n - 1));
        }
        settle(low, high, n, k);
        pending += uint32_t(k);
        model.update(s);
    }
    out.putWithOpposites(low >= 0x4000 ? 1 : 0, pending + 1);
    out.finish();
}

// The plane with mirrored padding: columns past the width and rows past the height repeat
// the picture backwards from its edge.
Scratch<uint8_t> padPlane(const uint8_t* samples, const Geometry& g) {
    Scratch<uint8_t> padded(g.padWidth * g.padHeight);
    const size_t w = g.width;
    for (size_t y = 0; y < g.height; ++y) {
        uint8_t* row = &padded[y * g.padWidth];
        std::memcpy(row, samples + y * w, w);
        for (size_t x = w; x < g.padWidth; ++x) row[x] = row[2 * w - 1 - x];
    }
    for (size_t y = g.height; y < g.padHeight; ++y)
        std::memcpy(&padded[y * g.padWidth], &padded[(2 * size_t(g.height) - 1 - y) * g.padWidth], g.padWidth);
    return padded;
}

// One forward level: the 2x2 blocks of the input grid (read through at(row, col)) become one
// origin each, kept in origins (which may alias the input: block i,j only overwrites cells
// already read) and three quantised details; the coarsest level quantises the origin too.
template <class At>
void forwardLevel(At at, const Geometry& g, int level, double step, uint8_t* symbols, double* origins) {
    const size_t bw = g.blocksWide(level), bh = g.blocksHigh(level);
    const double inv = 1 / step;
    const bool coarsest = level == g.levels;
    for (size_t i = 0; i < bh; ++i) {
        for (size_t j = 0; j < bw; ++j) {
            const Quad q = forward(at(2 * i, 2 * j), at(2 * i, 2 * j + 1), at(2 * i + 1, 2 * j),
                                   at(2 * i + 1, 2 * j + 1));
            if (coarsest) {
                *symbols++ = symbolOf(q.origin, inv);
            } else {
                origins[i * bw + j] = q.origin;
            }
            *symbols++ = symbolOf(q.right, inv);
            *symbols++ = symbolOf(q.below, inv);
            *symbols++ = symbolOf(q.diagonal, inv);
        }
    }
}

void transformAndQuantise(const uint8_t* samples, const Geometry& g, uint32_t quality,
                          uint8_t* symbols) {
    const Scratch<uint8_t> padded = padPlane(samples, g);
    Scratch<double> grid(g.levels > 1 ? g.blocksWide(1) * g.blocksHigh(1) : 0);
    const size_t pw = g.padWidth;
    forwardLevel([&](size_t r, size_t c) { return double(padded[r * pw + c]) - 128; }, g, 1,
                 stepOf(g, quality, 1), &symbols[g.levelOffset(1)], grid.data());
    for (int l = 2; l <= g.levels; ++l) {
        const size_t gw = g.blocksWide(l - 1);
        double* cells = grid.data();
        forwardLevel([cells, gw](size_t r, size_t c) { return cells[r * gw + c]; }, g, l,
                     stepOf(g, quality, l), &symbols[g.levelOffset(l)], cells);
    }
}

struct Dequantiser {
    double value[256];
    Dequantiser(const Geometry& g, uint32_t quality, int level) {
        const double step = stepOf(g, quality, level);
        for (unsigned s = 0; s < 256; ++s) value[s] = double(valueOf(s)) * step;
    }
};

// Inverse of the coarser levels into grid: each level doubles the grid in both directions,
// in place, working backwards so no origin is overwritten before it is read.
void inverseCoarseLevels(const uint8_t* symbols, const Geometry& g, uint32_t quality, double* grid) {
    for (int l = g.levels; l >= 2; --l) {
        const Dequantiser dq(g, quality, l);
        const size_t bw = g.blocksWide(l), bh = g.blocksHigh(l), outWidth = 2 * bw;
        const uint8_t* sym = &symbols[g.levelOffset(l)];
        const bool coarsest = l == g.levels;
        const size_t per = g.perBlock(l);
        for (size_t i = bh; i-- > 0;) {
            for (size_t j = bw; j-- > 0;) {
                const size_t n = i * bw + j;
                const uint8_t* s = sym + n * per;
                const double a = coarsest ? dq.value[*s++] : grid[n];
                const Quad q = inverse(a, dq.value[s[0]], dq.value[s[1]], dq.value[s[2]]);
                double* top = &grid[2 * i * outWidth + 2 * j];
                top[0] = q.origin;
                top[1] = q.right;
                top[outWidth] = q.below;
                top[outWidth + 1] = q.diagonal;
            }
        }
    }
}

// The finest level straight into the output samples, one every stride bytes, dropping the
// padding.
void inverseFinestLevel(const uint8_t* symbols, const Geometry& g, uint32_t quality, const double* grid,
                        uint8_t* out, size_t stride) {
    const Dequantiser dq(g, quality, 1);
    const size_t bw = g.blocksWide(1), bh = g.blocksHigh(1), w = g.width, h = g.height;
    const uint8_t* s = &symbols[g.levelOffset(1)];
    const bool coarsest = g.levels == 1;
    for (size_t i = 0; i < bh; ++i) {
        const size_t y = 2 * i;
        if (y >= h) break;
        uint8_t* top = out + y * w * stride;
        uint8_t* bottom = y + 1 < h ? top + w * stride : nullptr;
        for (size_t j = 0; j < bw; ++j) {
            const double a = coarsest ? dq.value[*s++] : grid[i * bw + j];
            const Quad q = inverse(a, dq.value[s[0]], dq.value[s[1]], dq.value[s[2]]);
            s += 3;
            const size_t x = 2 * j;
            if (x >= w) continue;
            top[x * stride] = sampleOf(q.origin);
            if (bottom) bottom[x * stride] = sampleOf(q.below);
            if (x + 1 < w) {
                top[(x + 1) * stride] = sampleOf(q.right);
                if (bottom) bottom[(x + 1) * stride] = sampleOf(q.diagonal);
            }
        }
    }
}

// The instruction set a search takes on this processor.
enum class SymbolPath { Portable, Avx2, Avx512 };

SymbolPath symbolPath(Search search) {
#if defined(KVI_B1_WIDE)
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                      __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl");
    if (search == Search::Fastest && avx512) return SymbolPath::Avx512;
    if (search != Search::Portable && avx2) return SymbolPath::Avx2;
#else
    (void)search;
#endif
    return SymbolPath::Portable;
}

// The symbols of one or two planes.
void decodeSymbolPlanes(const SymbolStream* streams, size_t streamCount, size_t count, SymbolPath path) {
#if defined(KVI_B1_WIDE)
    if (path == SymbolPath::Avx512) return decodeSymbolsAvx512(streams, streamCount, count);
    if (path == SymbolPath::Avx2) return decodeSymbolsAvx2(streams, streamCount, count);
#else
    (void)path;
#endif
    decodeStreams<Model>(streams, streamCount, count);
}

bool fitsInMemory(const Geometry& g) {
    const uint64_t cells = uint64_t(g.padWidth) * g.padHeight;
    return g.padWidth < (uint64_t(1) << 32) && g.padHeight < (uint64_t(1) << 32) &&
           cells <= SIZE_MAX / (3 * sizeof(double));
}

}  // namespace

Status encodePlane(const uint8_t* samples, uint32_t width, uint32_t height, uint32_t quality,
                   std::vector<uint8_t>& stream) noexcept {
    if (!samples || width < 1 || height < 1 || uint64_t(width) * height < 2 || quality > 100)
        return BadArguments;
    const Geometry g(width, height);
    if (!fitsInMemory(g)) return NoMemory;
    try {
        Scratch<uint8_t> symbols(g.symbolCount());
        transformAndQuantise(samples, g, quality, symbols.data());
        stream.clear();
        stream.reserve(symbols.size() / 4 + 64);
        stream.push_back(uint8_t(g.levels));
        BitWriter out(stream);
        encodeSymbols(symbols.data(), symbols.size(), out);
        return Ok;
    } catch (...) {  // allocation failures only
        stream.clear();
        return NoMemory;
    }
}

size_t minStreamBytes(uint32_t width, uint32_t height) noexcept {
    const Geometry g(width, height);
    if (g.padHeight > SIZE_MAX / g.padWidth) return SIZE_MAX;
    return (g.symbolCount() + kMaxSymbolsPerByte - 1) / kMaxSymbolsPerByte;
}

Status decodePlane(const uint8_t* stream, size_t length, uint32_t width, uint32_t height,
                   uint32_t quality, uint8_t* samples, Search search) noexcept {
    const PlaneStream plane{stream, length, samples};
    return decodePlanes(&plane, 1, width, height, quality, 1, search);
}

Status decodePlanes(const PlaneStream* planes, size_t count, uint32_t width, uint32_t height,
                    uint32_t quality, size_t stride, Search search) noexcept {
    if (uint64_t(width) * height <= 1 || (count > 0 && !planes) || stride < 1) return BadArguments;
    for (size_t p = 0; p < count; ++p)
        if (!planes[p].samples) return BadArguments;
    const Geometry g(width, height);
    if (!fitsInMemory(g)) return NoMemory;
    try {
        const size_t symbolCount = g.symbolCount();
        Scratch<uint8_t> symbols(2 * symbolCount);
        Scratch<double> grid(g.levels > 1 ? g.blocksWide(1) * g.blocksHigh(1) : 0);
        // The stream's first byte repeats the number of levels, which the size decides.
        auto streamOf = [&](const PlaneStream& plane, uint8_t* out) {
            const bool bits = plane.stream && plane.length > 1;
            return SymbolStream{bits ? plane.stream + 1 : nullptr, bits ? plane.stream + plane.length : nullptr, out};
        };
        const SymbolPath path = symbolPath(search);
        for (size_t p = 0; p < count; p += 2) {
            const size_t pair = std::min<size_t>(2, count - p);
            SymbolStream streams[2];
            for (size_t q = 0; q < pair; ++q) streams[q] = streamOf(planes[p + q], symbols.data() + q * symbolCount);
            decodeSymbolPlanes(streams, pair, symbolCount, path);
            for (size_t q = 0; q < pair; ++q) {
                const uint8_t* planeSymbols = symbols.data() + q * symbolCount;
                inverseCoarseLevels(planeSymbols, g, quality, grid.data());
                inverseFinestLevel(planeSymbols, g, quality, grid.data(), planes[p + q].samples, stride);
            }
        }
        return Ok;
    } catch (...) {  // allocation failures only
        return NoMemory;
    }
}

}  // namespace kvi::b1
