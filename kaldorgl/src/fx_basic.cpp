// In-place pixel effects, blends and masks.
#include "internal.h"

#include <kaldorgl/kaldorgl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace kdgl;

namespace kdgl {

void flipRows(uint8_t* data, uint32_t width, uint32_t height, uint32_t bpp) {
    const size_t stride = size_t(width) * bpp;
    for (uint32_t y = 0; y < height / 2; ++y)
        std::swap_ranges(data + y * stride, data + (y + 1) * stride, data + (height - 1 - y) * stride);
}

void flipColumns(uint8_t* data, uint32_t width, uint32_t height, uint32_t bpp) {
    const size_t stride = size_t(width) * bpp;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = data + y * stride;
        for (uint32_t x = 0; x < width / 2; ++x)
            std::swap_ranges(row + x * bpp, row + (x + 1) * bpp, row + (width - 1 - x) * bpp);
    }
}

}  // namespace kdgl

namespace {

bool usable(const uint8_t* data, uint32_t width, uint32_t height, uint32_t type) {
    return data && width && height && isRgbType(type);
}

uint8_t clampByte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Runs `op(pixel)` over every pixel of a 5 or 513 picture.
template <typename Op>
void forEachPixel(uint8_t* data, uint32_t width, uint32_t height, uint32_t type, Op op) {
    if (!usable(data, width, height, type)) return;
    const uint32_t bpp = bytesPerPixel(type);
    const uint64_t end = pixelBytes(width, height, bpp);
    for (uint64_t i = 0; i < end; i += bpp) op(data + i);
}

// Sums of one channel over the columns x - half .. x + half - 1 inside the row.
void rowWindowSums(const uint8_t* row, uint32_t width, uint32_t bpp, uint32_t channel,
                   uint32_t half, uint32_t* out) {
    uint32_t sum = 0;
    // The window of x covers [x - half, x + half); slide it one column at a time.
    for (uint32_t x = 0; x < std::min(half, width); ++x) sum += row[x * bpp + channel];
    for (uint32_t x = 0; x < width; ++x) {
        out[x] = sum;
        if (x + half < width) sum += row[(x + half) * bpp + channel];
        if (x >= half) sum -= row[(x - half) * bpp + channel];
    }
}

uint32_t windowCount(uint32_t pos, uint32_t half, uint32_t size) {
    const uint32_t first = pos >= half ? pos - half : 0;
    const uint32_t last = std::min<uint64_t>(uint64_t(pos) + half, size);  // exclusive
    return last - first;
}

}  // namespace

void CKaldorGL::FX_VerticalFlip(uint8_t* data, uint32_t width, uint32_t height, uint32_t type) {
    const uint32_t bpp = bytesPerPixel(type);
    if (data && bpp) flipRows(data, width, height, bpp);
}
void CKaldorGL::FX_VerticalFlip(KDGL_CANVAS* target) {
    if (target) FX_VerticalFlip(target->data, target->width, target->height, target->type);
}
void CKaldorGL::FX_VerticalFlip() { FX_VerticalFlip(&canvas); }

void CKaldorGL::FX_HorizontalFlip(uint8_t* data, uint32_t width, uint32_t height, uint32_t type) {
    if (data && (type == KDGL_TYPE_8BIT || isRgbType(type)))
        flipColumns(data, width, height, bytesPerPixel(type));
}
void CKaldorGL::FX_HorizontalFlip(KDGL_CANVAS* target) {
    if (target) FX_HorizontalFlip(target->data, target->width, target->height, target->type);
}
void CKaldorGL::FX_HorizontalFlip() { FX_HorizontalFlip(&canvas); }

void CKaldorGL::FX_BnW(uint8_t* data, uint32_t width, uint32_t height, uint32_t type) {
    forEachPixel(data, width, height, type, [](uint8_t* p) {
        p[0] = p[1] = p[2] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
    });
}

void CKaldorGL::FX_Brightness(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                              uint32_t type) {
    if (level == 100) return;
    uint8_t table[256];
    for (uint32_t v = 0; v < 256; ++v) {
        table[v] = level < 100 ? static_cast<uint8_t>(v * level / 100)
                               : clampByte(v + (uint64_t(level) * 255 / 100 * v) / 255);
    }
    forEachPixel(data, width, height, type, [&](uint8_t* p) {
        p[0] = table[p[0]];
        p[1] = table[p[1]];
        p[2] = table[p[2]];
    });
}

// Which old value each letter takes: R, G, B, A, then the constants 255 (A of a 24-bit
// pixel) and 0 (X); -1 keeps the byte.
static int sourceOfLetter(char letter, uint32_t type) {
    switch (letter) {
        case 'R': case 'r': return 0;
        case 'G': case 'g': return 1;
        case 'B': case 'b': return 2;
        case 'A': case 'a': return type == KDGL_TYPE_32BIT ? 3 : 4;
        case 'X': case 'x': return 5;
        default: return -1;
    }
}

void CKaldorGL::FX_RepakBits(uint8_t* data, uint32_t width, uint32_t height, uint32_t type,
                             const char* format) {
    if (!format) return;
    // Letters past the pixel's own bytes would spill into the next pixel: ignore them.
    const size_t letters = std::min<size_t>(strnlen(format, 7), bytesPerPixel(type));
    int from[4] = {-1, -1, -1, -1};
    for (size_t j = 0; j < letters; ++j) from[j] = sourceOfLetter(format[j], type);
    forEachPixel(data, width, height, type, [&](uint8_t* p) {
        const uint8_t old[6] = {p[0], p[1], p[2], type == KDGL_TYPE_32BIT ? p[3] : uint8_t(0), 255, 0};
        for (size_t j = 0; j < letters; ++j)
            if (from[j] >= 0) p[j] = old[from[j]];
    });
}
void CKaldorGL::FX_RepakBits(KDGL_CANVAS target, const char* format) {
    FX_RepakBits(target.data, target.width, target.height, target.type, format);
}

void CKaldorGL::FX_Antialiasing(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                                uint32_t type) {
    const uint32_t half = level / 2;
    if (half == 0 || !usable(data, width, height, type)) return;
    const uint32_t bpp = bytesPerPixel(type);
    const size_t stride = size_t(width) * bpp;
    // Separable box: window sums along rows, then running sums of those down the columns.
    std::vector<uint32_t> rowSums(size_t(width) * height);
    std::vector<uint64_t> column(width);
    std::vector<uint32_t> colCount(width);
    for (uint32_t x = 0; x < width; ++x) colCount[x] = windowCount(x, half, width);
    for (uint32_t c = 0; c < 3; ++c) {
        for (uint32_t y = 0; y < height; ++y)
            rowWindowSums(data + y * stride, width, bpp, c, half, &rowSums[size_t(y) * width]);
        std::fill(column.begin(), column.end(), 0);
        for (uint32_t y = 0; y < std::min(half, height); ++y)
            for (uint32_t x = 0; x < width; ++x) column[x] += rowSums[size_t(y) * width + x];
        for (uint32_t y = 0; y < height; ++y) {
            const uint32_t rows = windowCount(y, half, height);
            uint8_t* out = data + y * stride + c;
            for (uint32_t x = 0; x < width; ++x)
                out[x * bpp] = clampByte(column[x] / (uint64_t(rows) * colCount[x]));
            if (y + half < height)
                for (uint32_t x = 0; x < width; ++x) column[x] += rowSums[size_t(y + half) * width + x];
            if (y >= half)
                for (uint32_t x = 0; x < width; ++x) column[x] -= rowSums[size_t(y - half) * width + x];
        }
    }
}

void CKaldorGL::FX_VideoHind(uint8_t* destination, const uint8_t* source, uint32_t level,
                             uint32_t width, uint32_t height, uint32_t type) {
    if (!destination || !usable(source, width, height, type)) return;
    const uint32_t bpp = bytesPerPixel(type);
    const uint64_t end = pixelBytes(width, height, bpp);
    const int64_t range = int64_t(level) * 2;
    for (uint64_t i = 0; i < end; i += bpp) {
        const int64_t d = range ? int64_t(std::rand() % range) - level : 0;
        for (uint32_t c = 0; c < 3; ++c) destination[i + c] = clampByte(source[i + c] + d);
    }
}
void CKaldorGL::FX_VideoHind(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                             uint32_t type) {
    FX_VideoHind(data, data, level, width, height, type);
}
void CKaldorGL::FX_VideoHind(uint8_t* destination, uint32_t level) {
    FX_VideoHind(destination, canvas.data, level, canvas.width, canvas.height, canvas.type);
}
void CKaldorGL::FX_VideoHind(uint32_t level) {
    FX_VideoHind(canvas.data, canvas.data, level, canvas.width, canvas.height, canvas.type);
}

uint8_t* CKaldorGL::FX_Mix50(const uint8_t* first, const uint8_t* second, uint32_t width,
                             uint32_t height, uint32_t type) {
    if (!second || !usable(first, width, height, type)) return nullptr;
    const uint64_t bytes = pixelBytes(width, height, bytesPerPixel(type));
    uint8_t* out = allocOrNull(bytes);
    if (!out) return nullptr;
    for (uint64_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>((first[i] + second[i]) >> 1);
    return out;
}

uint8_t* CKaldorGL::FX_MixLevel(const uint8_t* first, const uint8_t* second, uint32_t width,
                                uint32_t height, uint32_t type, int32_t level) {
    if (!second || !usable(first, width, height, type)) return nullptr;
    const uint32_t weight = static_cast<uint32_t>(std::clamp(level, 0, 100));
    const uint64_t bytes = pixelBytes(width, height, bytesPerPixel(type));
    uint8_t* out = allocOrNull(bytes);
    if (!out) return nullptr;
    for (uint64_t i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>((first[i] * (100 - weight) + second[i] * weight) / 100);
    return out;
}

namespace {

// Builds a 32-bit picture from 3- or 4-byte source pixels, with `alphaOf(index, pixel)`.
template <typename Alpha>
uint8_t* withAlpha(const uint8_t* src, uint32_t srcBpp, uint32_t width, uint32_t height, Alpha alphaOf) {
    if (!src || !width || !height) return nullptr;
    const uint64_t count = uint64_t(width) * height;
    uint8_t* out = allocOrNull(count * 4);
    if (!out) return nullptr;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = src + i * srcBpp;
        uint8_t* q = out + i * 4;
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
        q[3] = alphaOf(i, p);
    }
    return out;
}

bool matchesKey(const uint8_t* p, uint32_t key) {
    return p[0] == uint8_t(key >> 24) && p[1] == uint8_t(key >> 16) && p[2] == uint8_t(key >> 8);
}

}  // namespace

uint8_t* CKaldorGL::SetMaskToImage24(const uint8_t* rgb, const uint8_t* mask, uint32_t width,
                                     uint32_t height) {
    if (!mask) return nullptr;
    return withAlpha(rgb, 3, width, height, [&](uint64_t i, const uint8_t*) { return mask[i]; });
}

uint8_t* CKaldorGL::SetMaskToImage32(const uint8_t* rgba, const uint8_t* mask, uint32_t width,
                                     uint32_t height) {
    if (!mask) return nullptr;
    return withAlpha(rgba, 4, width, height, [&](uint64_t i, const uint8_t*) { return mask[i]; });
}

uint8_t* CKaldorGL::SetAlphaToImage24KeyColor(const uint8_t* rgb, uint32_t width, uint32_t height,
                                              uint32_t key, uint8_t alpha) {
    return withAlpha(rgb, 3, width, height, [&](uint64_t, const uint8_t* p) {
        return matchesKey(p, key) ? alpha : uint8_t(255);
    });
}

void CKaldorGL::SetAlphaToImage32KeyColor(uint8_t* rgba, uint32_t width, uint32_t height,
                                          uint32_t key, uint8_t alpha) {
    forEachPixel(rgba, width, height, KDGL_TYPE_32BIT, [&](uint8_t* p) {
        if (matchesKey(p, key)) p[3] = alpha;
    });
}
