#include "b1plane.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

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

inline uint8_t sampleOf(double value) {
    const double t = value + 128.0 + 0.5;  // values below 0 clamp to 0 either way
    return t >= 255.0 ? 255 : t >= 1.0 ? uint8_t(int(t)) : 0;
}

// Exact division by the model total without a divide instruction: for n < 2^31 and
// d <= 16384, n / d == (n * m) >> (31 + l) with l = ceil(log2 d) and m = ceil(2^(31+l) / d),
// because m * d - 2^(31+l) < d <= 2^l. The total moves by one per symbol, so the table is
// walked almost in order.
class TotalDivider {
public:
    static constexpr uint32_t kMaxTotal = 0x4000;

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
    int divide(int n, int d) const { return int((uint64_t(uint32_t(n)) * multiplier_[d]) >> shift_[d]); }

private:
    uint64_t multiplier_[kMaxTotal + 1] = {};
    uint8_t shift_[kMaxTotal + 1] = {};
};

// Adaptive cumulative frequencies over 256 symbols. Symbol 255 (a zero coefficient) is the
// most common and the cheapest to update.
struct Model {
    typedef uint16_t Lanes __attribute__((vector_size(16)));

    alignas(16) uint16_t f[264];  // 257 entries, padded to whole lanes

    void reset() {
        for (int k = 0; k < 264; ++k) f[k] = uint16_t(k <= 256 ? k : 0);
    }
    // Adds 1 to F[s+1..256]: single steps up to a lane boundary, then eight at a time.
    void update(unsigned s) {
        unsigned k = s + 1;
        for (; k % 8 != 0; ++k) ++f[k];
        const Lanes one = {1, 1, 1, 1, 1, 1, 1, 1};
        for (; k <= 256; k += 8) {
            Lanes lanes;
            std::memcpy(&lanes, &f[k], sizeof lanes);
            lanes += one;
            std::memcpy(&f[k], &lanes, sizeof lanes);
        }
        if (f[256] >= 0x3FFF) rescale();
    }
    void rescale() {
        f[0] = 0;
        for (int k = 1; k <= 256; ++k) {
            f[k] = uint16_t(f[k] >> 1);
            if (f[k] <= f[k - 1]) f[k] = uint16_t(f[k - 1] + 1);
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

// Bits come in most significant first; past the end of the stream they read as 0.
class BitReader {
public:
    BitReader(const uint8_t* begin, const uint8_t* end) : p_(begin), end_(end) {}
    // The next count bits (1 to 16) as a number.
    unsigned bits(unsigned count) {
        if (count_ < count) refill();
        count_ -= count;
        return unsigned(cache_ >> count_) & ((1u << count) - 1);
    }

private:
    void refill() {
        for (; count_ <= 56; count_ += 8) cache_ = (cache_ << 8) | (p_ < end_ ? *p_++ : 0);
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t cache_ = 0;
    unsigned count_ = 0;
};

// Leading bits that low and high share: the bits the coder can settle at once.
inline int sharedLeadingBits(int low, int high) { return std::countl_zero(uint16_t(low ^ high)); }

// Settling n shared bits shifts them out of both registers; high takes in ones.
inline void shiftOut(int& low, int& high, int n) {
    low = (low << n) & 0xFFFF;
    high = ((high << n) & 0xFFFF) | ((1 << n) - 1);
}

void encodeSymbols(const uint8_t* symbols, size_t count, BitWriter& out) {
    const TotalDivider& div = TotalDivider::instance();
    Model model;
    model.reset();
    int low = 0, high = 0xFFFF;
    uint32_t pending = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t s = symbols[i];
        const int range = high - low + 1, total = model.f[256];
        high = low + div.divide(range * model.f[s + 1], total) - 1;
        low = low + div.divide(range * model.f[s], total);
        // All settled bits first (the first one releases the pending bits), then the
        // straddling steps; once straddling, low and high cannot share a leading bit again.
        if (const int n = sharedLeadingBits(low, high)) {
            out.putWithOpposites(unsigned(low >> 15), pending);
            pending = 0;
            if (n > 1) out.put(unsigned(low >> (16 - n)) & ((1u << (n - 1)) - 1), unsigned(n - 1));
            shiftOut(low, high, n);
        }
        while (low >= 0x4000 && high < 0xC000) {
            ++pending;
            low = 2 * (low - 0x4000);
            high = 2 * (high - 0x4000) + 1;
        }
        model.update(s);
    }
    out.putWithOpposites(low >= 0x4000 ? 1 : 0, pending + 1);
    out.finish();
}

void decodeSymbols(BitReader& in, uint8_t* symbols, size_t count) {
    const TotalDivider& div = TotalDivider::instance();
    Model model;
    model.reset();
    int low = 0, high = 0xFFFF, code = 0;
    code = int(in.bits(16));
    for (size_t i = 0; i < count; ++i) {
        const int range = high - low + 1, total = model.f[256];
        // The symbol is the largest s with F[s] <= (scaled - 1) / range, that is with
        // F[s] * range <= scaled - 1: the same test without the division.
        const int scaled = (code - low + 1) * total;
        unsigned s = 255;
        while (s > 0 && model.f[s] * range > scaled - 1) --s;
        high = low + div.divide(range * model.f[s + 1], total) - 1;
        low = low + div.divide(range * model.f[s], total);
        // As the encoder: code lies between low and high, so it shares their leading bits.
        if (const int n = sharedLeadingBits(low, high)) {
            shiftOut(low, high, n);
            code = ((code << n) & 0xFFFF) | int(in.bits(unsigned(n)));
        }
        while (low >= 0x4000 && high < 0xC000) {
            low = 2 * (low - 0x4000);
            high = 2 * (high - 0x4000) + 1;
            code = 2 * (code - 0x4000) + int(in.bits(1));
        }
        model.update(s);
        symbols[i] = uint8_t(s);
    }
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
        for (size_t n = bw * bh; n-- > 0;) {
            const size_t i = n / bw, j = n % bw;
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

// The finest level straight into the output samples, dropping the padding.
void inverseFinestLevel(const uint8_t* symbols, const Geometry& g, uint32_t quality, const double* grid,
                        uint8_t* out) {
    const Dequantiser dq(g, quality, 1);
    const size_t bw = g.blocksWide(1), bh = g.blocksHigh(1), w = g.width, h = g.height;
    const uint8_t* s = &symbols[g.levelOffset(1)];
    const bool coarsest = g.levels == 1;
    for (size_t i = 0; i < bh; ++i) {
        const size_t y = 2 * i;
        if (y >= h) break;
        uint8_t* top = out + y * w;
        uint8_t* bottom = y + 1 < h ? top + w : nullptr;
        for (size_t j = 0; j < bw; ++j) {
            const double a = coarsest ? dq.value[*s++] : grid[i * bw + j];
            const Quad q = inverse(a, dq.value[s[0]], dq.value[s[1]], dq.value[s[2]]);
            s += 3;
            const size_t x = 2 * j;
            if (x >= w) continue;
            top[x] = sampleOf(q.origin);
            if (bottom) bottom[x] = sampleOf(q.below);
            if (x + 1 < w) {
                top[x + 1] = sampleOf(q.right);
                if (bottom) bottom[x + 1] = sampleOf(q.diagonal);
            }
        }
    }
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

Status decodePlane(const uint8_t* stream, size_t length, uint32_t width, uint32_t height,
                   uint32_t quality, uint8_t* samples) noexcept {
    if (uint64_t(width) * height <= 1 || !samples) return BadArguments;
    const Geometry g(width, height);
    if (!fitsInMemory(g)) return NoMemory;
    try {
        Scratch<uint8_t> symbols(g.symbolCount());
        BitReader in(stream && length > 1 ? stream + 1 : nullptr, stream && length > 1 ? stream + length : nullptr);
        decodeSymbols(in, symbols.data(), symbols.size());
        Scratch<double> grid(g.levels > 1 ? g.blocksWide(1) * g.blocksHigh(1) : 0);
        inverseCoarseLevels(symbols.data(), g, quality, grid.data());
        inverseFinestLevel(symbols.data(), g, quality, grid.data(), samples);
        return Ok;
    } catch (...) {  // allocation failures only
        return NoMemory;
    }
}

}  // namespace kvi::b1
