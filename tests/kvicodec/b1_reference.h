// A literal reference of the B1 plane coder, written step by step from the format's
// definition with no attention to speed: the production coder must produce and accept the
// same bytes. Shared by the tests and the benchmark.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace b1ref {

struct Plane {
    int srcWidth = 0, srcHeight = 0, levels = 1, padWidth = 0, padHeight = 0;
    int quality = 0, qualityBase = 0;
    std::vector<double> block;
    std::vector<double*> rows;
    int freq[257] = {};

    Plane(int w, int h, int q) : srcWidth(w), srcHeight(h), quality(q) {
        levels = (w > 32 && h > 32) ? 5 : 1;
        const int unit = levels == 5 ? 32 : 2;
        padWidth = (w + unit - 1) / unit * unit;
        padHeight = (h + unit - 1) / unit * unit;
        qualityBase = quality == 100 ? 1 : 100 - quality;
        block.assign(size_t(padWidth) * padHeight, 0.0);
        for (int y = 0; y < padHeight; ++y) rows.push_back(&block[size_t(y) * padWidth]);
    }

    double q(int l) const {
        const double x = double(levels - l + 1) / double(levels);
        const double x5 = x * x * x * x * x;
        return double(qualityBase - 1) * x5 + 1.0001;
    }

    static double roundHalfAway(double v) { return v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5); }

    void resetModel() {
        for (int k = 0; k <= 256; ++k) freq[k] = k;
    }
    void update(int s) {
        for (int k = s + 1; k <= 256; ++k) freq[k] += 1;
        if (freq[256] >= 0x3FFF) {
            freq[0] = 0;
            for (int k = 1; k <= 256; ++k) {
                freq[k] = freq[k] >> 1;
                if (freq[k] <= freq[k - 1]) freq[k] = freq[k - 1] + 1;
            }
        }
    }

    // Visits positions in coding order: coarsest level first, blocks in row order.
    template <class F> void scan(F&& visit) {
        for (int l = levels; l >= 1; --l) {
            const int S = 1 << l, h = S / 2;
            for (int i = 0; i < padHeight / S; ++i)
                for (int j = 0; j < padWidth / S; ++j) {
                    const int r = i * S, c = j * S;
                    if (l == levels) visit(rows[r][c]);
                    visit(rows[r][c + h]);
                    visit(rows[r + h][c]);
                    visit(rows[r + h][c + h]);
                }
        }
    }
    template <class F> void blocks(int l, F&& visit) {
        const int S = 1 << l, h = S / 2;
        for (int i = 0; i < padHeight / S; ++i)
            for (int j = 0; j < padWidth / S; ++j) {
                const int r = i * S, c = j * S;
                visit(rows[r][c], rows[r][c + h], rows[r + h][c], rows[r + h][c + h]);
            }
    }
};

// Returns the plane stream, or an empty vector for the arguments the coder refuses.
inline std::vector<uint8_t> encode(const uint8_t* src, int w, int h, int quality) {
    std::vector<uint8_t> out;
    if (w < 1 || h < 1 || w * h < 2 || quality < 0 || quality > 100) return out;
    Plane p(w, h, quality);
    out.push_back(uint8_t(p.levels));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.rows[y][x] = src[y * w + x];
    for (int y = 0; y < h; ++y)
        for (int x = w; x < p.padWidth; ++x) p.rows[y][x] = p.rows[y][2 * w - 1 - x];
    for (int y = h; y < p.padHeight; ++y)
        for (int x = 0; x < p.padWidth; ++x) p.rows[y][x] = p.rows[2 * h - 1 - y][x];
    for (double& v : p.block) v -= 128;
    for (int l = 1; l <= p.levels; ++l)
        p.blocks(l, [](double& o, double& r, double& b, double& d) {
            const double a = o, bb = r, c = b, dd = d;
            o = (a + bb + c + dd) * 0.25;
            r = (bb + dd - a - c) * 0.25;
            b = (c + dd - a - bb) * 0.25;
            d = (a + dd - bb - c) * 0.25;
        });
    for (int l = 1; l <= p.levels; ++l) {
        const double inv = 1 / p.q(l);
        const bool coarsest = l == p.levels;
        p.blocks(l, [&](double& o, double& r, double& b, double& d) {
            r = Plane::roundHalfAway(r * inv);
            b = Plane::roundHalfAway(b * inv);
            d = Plane::roundHalfAway(d * inv);
            if (coarsest) o = Plane::roundHalfAway(o * inv);
        });
    }
    p.resetModel();
    int low = 0, high = 0xFFFF, pending = 0;
    int byte = 0, bits = 0;
    auto putBit = [&](int b) {
        byte = (byte << 1) | b;
        if (++bits == 8) {
            out.push_back(uint8_t(byte));
            byte = 0;
            bits = 0;
        }
    };
    auto outputBit = [&](int b) {
        putBit(b);
        for (; pending > 0; --pending) putBit(!b);
    };
    p.scan([&](double value) {
        const int v = int(value);
        const int s = v >= 0 ? 255 - 2 * v : 256 + 2 * v;
        const int range = high - low + 1, total = p.freq[256];
        high = low + (range * p.freq[s + 1]) / total - 1;
        low = low + (range * p.freq[s]) / total;
        for (;;) {
            if (high < 0x8000) {
                outputBit(0);
            } else if (low >= 0x8000) {
                outputBit(1);
                low -= 0x8000;
                high -= 0x8000;
            } else if (low >= 0x4000 && high < 0xC000) {
                pending += 1;
                low -= 0x4000;
                high -= 0x4000;
            } else {
                break;
            }
            low = 2 * low;
            high = 2 * high + 1;
        }
        p.update(s);
    });
    pending += 1;
    outputBit(low >= 0x4000 ? 1 : 0);
    if (bits > 0) out.push_back(uint8_t(byte << (8 - bits)));
    return out;
}

// Decodes a plane stream; false for the sizes the decoder refuses.
inline bool decode(const uint8_t* stream, size_t length, int w, int h, int quality, uint8_t* dst) {
    if (int64_t(w) * h <= 1) return false;
    Plane p(w, h, quality);
    size_t pos = 1;
    int bitIndex = 0;
    auto nextBit = [&]() {
        if (pos >= length) return 0;
        const int b = (stream[pos] >> (7 - bitIndex)) & 1;
        if (++bitIndex == 8) {
            bitIndex = 0;
            ++pos;
        }
        return b;
    };
    p.resetModel();
    int low = 0, high = 0xFFFF, code = 0;
    for (int i = 0; i < 16; ++i) code = 2 * code + nextBit();
    p.scan([&](double& slot) {
        const int range = high - low + 1, total = p.freq[256];
        const int target = ((code - low + 1) * total - 1) / range;
        int s = 255;
        while (p.freq[s] > target) --s;
        high = low + (range * p.freq[s + 1]) / total - 1;
        low = low + (range * p.freq[s]) / total;
        for (;;) {
            if (high >= 0x8000) {
                if (low >= 0x8000) {
                    low -= 0x8000;
                    high -= 0x8000;
                    code -= 0x8000;
                } else if (low >= 0x4000 && high < 0xC000) {
                    low -= 0x4000;
                    high -= 0x4000;
                    code -= 0x4000;
                } else {
                    break;
                }
            }
            low = 2 * low;
            high = 2 * high + 1;
            code = 2 * code + nextBit();
        }
        p.update(s);
        slot = (s % 2 == 0) ? s / 2 - 128 : 128 - (s + 1) / 2;
    });
    for (int l = 1; l <= p.levels; ++l) {
        const double q = p.q(l);
        const bool coarsest = l == p.levels;
        p.blocks(l, [&](double& o, double& r, double& b, double& d) {
            r *= q;
            b *= q;
            d *= q;
            if (coarsest) o *= q;
        });
    }
    for (int l = p.levels; l >= 1; --l)
        p.blocks(l, [](double& o, double& r, double& b, double& d) {
            const double a = o, bb = r, c = b, dd = d;
            o = a - bb - c + dd;
            r = a + bb - c - dd;
            b = a - bb + c - dd;
            d = a + bb + c + dd;
        });
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v = Plane::roundHalfAway(p.rows[y][x] + 128);
            v = v < 0 ? 0 : v > 255 ? 255 : v;
            dst[y * w + x] = uint8_t(v);
        }
    return true;
}

}  // namespace b1ref
