// Halving, doubling and resizing.
#include "internal.h"

#include <kaldorgl/kaldorgl.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace kdgl;

namespace {

// Where result position `pos` of a doubled line takes its bytes from: source `a` alone,
// `b` alone, or the average of both. The last two positions repeat the last source.
struct Tap {
    uint32_t a;
    uint32_t b;
    enum Kind : uint8_t { kA, kAverage, kB } kind;
};

Tap doubledTap(uint32_t pos, uint32_t size) {
    if (size == 1) return Tap{0, 0, Tap::kA};
    const uint32_t block = std::min(pos / 2, size - 2);
    const uint32_t local = pos - 2 * block;
    const Tap::Kind kind = local == 0 ? Tap::kA : local == 1 ? Tap::kAverage : Tap::kB;
    return Tap{block, block + 1, kind};
}

// Twice the vertical value of each source column for one result row: the sum of both rows
// where the row averages, else twice the chosen row. Halving or quartering these sums
// gives the table's values exactly.
void verticalSums(const uint8_t* top, const uint8_t* bottom, const Tap& ry, size_t count, uint16_t* out) {
    if (ry.kind == Tap::kAverage) {
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>(top[i] + bottom[i]);
        return;
    }
    const uint8_t* row = ry.kind == Tap::kA ? top : bottom;
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>(row[i] * 2);
}

// One line of a smooth resize: `n` source pixels `step` bytes apart into `m` result pixels.
struct Line {
    const uint8_t* src;
    size_t srcStep;
    uint8_t* dst;
    size_t dstStep;
};

// Area average along the line. Each source pixel joins the running group; when the
// integer position moves on, the group goes to that position. Position 0 and positions
// after the last move are filled from the first pixel and the dropped tail pixels.
void shrinkLine(const Line& l, uint32_t n, uint32_t m, uint32_t bpp) {
    const float scale = float(m) / float(n);
    float position = 0.0f;
    uint32_t last = 0;
    uint32_t sums[4] = {};
    uint32_t count = 0;
    for (uint32_t j = 0; j < n; ++j) {
        const uint8_t* p = l.src + j * l.srcStep;
        for (uint32_t c = 0; c < bpp; ++c) sums[c] += p[c];
        ++count;
        const uint32_t k = std::min(static_cast<uint32_t>(position), m - 1);
        if (k > last) {
            for (uint32_t c = 0; c < bpp; ++c) l.dst[k * l.dstStep + c] = static_cast<uint8_t>(sums[c] / count);
            std::fill(sums, sums + 4, 0);
            count = 0;
            last = k;
        }
        position += scale;
    }
    std::memcpy(l.dst, l.src, bpp);
    for (uint32_t k = last + 1; k < m; ++k) {
        for (uint32_t c = 0; c < bpp; ++c) {
            const uint8_t fromPrevious = l.dst[(k - 1) * l.dstStep + c];
            l.dst[k * l.dstStep + c] = count ? static_cast<uint8_t>(sums[c] / count) : fromPrevious;
        }
    }
}

// Linear steps between neighbouring source pixels; positions from the last source pixel's
// place onward repeat it.
void enlargeLine(const Line& l, uint32_t n, uint32_t m, uint32_t bpp) {
    const float scale = float(m) / float(n);
    for (uint32_t j = 0; j + 1 < n; ++j) {
        const uint32_t a = std::min(static_cast<uint32_t>(float(j) * scale), m - 1);
        const uint32_t b = std::min(static_cast<uint32_t>(float(j + 1) * scale), m - 1);
        const uint32_t steps = b > a ? b - a : 1;
        const uint8_t* p = l.src + j * l.srcStep;
        const uint8_t* q = p + l.srcStep;
        for (uint32_t c = 0; c < bpp; ++c) {
            const float d = float(int(q[c]) - int(p[c])) / float(steps);
            for (uint32_t k = 0; k < steps && a + k < m; ++k)
                l.dst[(a + k) * l.dstStep + c] = static_cast<uint8_t>(float(p[c]) + float(k) * d);
        }
    }
    const uint32_t tail = std::min(static_cast<uint32_t>(float(n - 1) * scale), m - 1);
    const uint8_t* lastPixel = l.src + size_t(n - 1) * l.srcStep;
    for (uint32_t k = n == 1 ? 0 : tail; k < m; ++k) std::memcpy(l.dst + k * l.dstStep, lastPixel, bpp);
}

void resizeLine(const Line& l, uint32_t n, uint32_t m, uint32_t bpp) {
    if (m < n)
        shrinkLine(l, n, m, bpp);
    else
        enlargeLine(l, n, m, bpp);
}

void nearestResize(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t nw,
                   uint32_t nh, uint32_t bpp) {
    std::vector<uint32_t> columns(nw);
    for (uint32_t x = 0; x < nw; ++x) columns[x] = static_cast<uint32_t>(uint64_t(x) * w / nw);
    for (uint32_t y = 0; y < nh; ++y) {
        const uint8_t* srow = src + uint64_t(y) * h / nh * w * bpp;
        uint8_t* drow = dst + uint64_t(y) * nw * bpp;
        for (uint32_t x = 0; x < nw; ++x) std::memcpy(drow + x * bpp, srow + columns[x] * bpp, bpp);
    }
}

}  // namespace

uint8_t* CKaldorGL::FX_SqueezeX2(const uint8_t* data, uint32_t width, uint32_t height,
                                 uint32_t* newWidth, uint32_t* newHeight, uint32_t type) {
    if (!data || !isRgbType(type) || width < 2 || height < 2) return nullptr;
    const uint32_t bpp = bytesPerPixel(type);
    const uint32_t nw = width / 2, nh = height / 2;
    uint8_t* out = allocOrNull(pixelBytes(nw, nh, bpp));
    if (!out) return nullptr;
    const size_t stride = size_t(width) * bpp;
    for (uint32_t y = 0; y < nh; ++y) {
        const uint8_t* top = data + 2 * y * stride;
        const uint8_t* bottom = top + stride;
        uint8_t* dst = out + size_t(y) * nw * bpp;
        for (uint32_t x = 0; x < nw; ++x) {
            for (uint32_t c = 0; c < bpp; ++c) {
                const size_t l = size_t(2 * x) * bpp + c;
                uint32_t v = top[l];
                v = (v + top[l + bpp]) >> 1;
                v = (v + bottom[l + bpp]) >> 1;
                v = (v + bottom[l]) >> 1;
                *dst++ = static_cast<uint8_t>(v);
            }
        }
    }
    if (newWidth) *newWidth = nw;
    if (newHeight) *newHeight = nh;
    return out;
}

uint8_t* CKaldorGL::FX_ExpandX2(const uint8_t* data, uint32_t width, uint32_t height,
                                uint32_t* newWidth, uint32_t* newHeight, uint32_t type) {
    if (!data || !isRgbType(type) || !width || !height || width > UINT32_MAX / 2 || height > UINT32_MAX / 2)
        return nullptr;
    const uint32_t bpp = bytesPerPixel(type);
    const uint32_t nw = width * 2, nh = height * 2;
    uint8_t* out = allocOrNull(pixelBytes(nw, nh, bpp));
    if (!out) return nullptr;
    std::vector<Tap> columns(nw);
    for (uint32_t x = 0; x < nw; ++x) columns[x] = doubledTap(x, width);
    const size_t stride = size_t(width) * bpp;
    std::vector<uint16_t> sums(stride);
    uint8_t* dst = out;
    for (uint32_t y = 0; y < nh; ++y) {
        const Tap ry = doubledTap(y, height);
        verticalSums(data + ry.a * stride, data + ry.b * stride, ry, stride, sums.data());
        for (uint32_t x = 0; x < nw; ++x) {
            const Tap& cx = columns[x];
            const uint16_t* a = &sums[size_t(cx.a) * bpp];
            const uint16_t* b = &sums[size_t(cx.b) * bpp];
            for (uint32_t c = 0; c < bpp; ++c) {
                const uint32_t v = cx.kind == Tap::kAverage ? (a[c] + b[c]) >> 2 : (cx.kind == Tap::kA ? a[c] : b[c]) >> 1;
                *dst++ = static_cast<uint8_t>(v);
            }
        }
    }
    if (newWidth) *newWidth = nw;
    if (newHeight) *newHeight = nh;
    return out;
}

uint8_t* CKaldorGL::FX_Resize(const uint8_t* data, uint32_t width, uint32_t height,
                              uint32_t newWidth, uint32_t newHeight, uint32_t type, bool smooth) {
    if (!data || !width || !height || !newWidth || !newHeight || !isRgbType(type)) return nullptr;
    if (width == newWidth && height == newHeight) return nullptr;
    const uint32_t bpp = bytesPerPixel(type);
    uint8_t* out = allocOrNull(pixelBytes(newWidth, newHeight, bpp));
    if (!out) return nullptr;
    if (!smooth) {
        nearestResize(data, width, height, out, newWidth, newHeight, bpp);
        return out;
    }
    // Rows first into a newWidth x height picture, then columns into the result.
    std::vector<uint8_t> across;
    const uint8_t* rows = data;
    if (newWidth != width) {
        across.resize(pixelBytes(newWidth, height, bpp));
        uint8_t* target = height == newHeight ? out : across.data();
        for (uint32_t y = 0; y < height; ++y)
            resizeLine(Line{data + size_t(y) * width * bpp, bpp, target + size_t(y) * newWidth * bpp, bpp},
                       width, newWidth, bpp);
        if (height == newHeight) return out;
        rows = across.data();
    }
    const size_t stride = size_t(newWidth) * bpp;
    for (uint32_t x = 0; x < newWidth; ++x)
        resizeLine(Line{rows + size_t(x) * bpp, stride, out + size_t(x) * bpp, stride}, height, newHeight, bpp);
    return out;
}
