// Texture sampling for the triangle pipeline: point and bilinear filtering, mip levels and
// the addressing modes, over 32-bit texels.
#pragma once

#include "sample.h"
#include "target.h"

#include <algorithm>

#include <cstdint>

namespace platform::d3d8::raster {

constexpr int kMaxLevels = 15;

struct TextureLevel {
    const uint32_t* bits = nullptr;
    int32_t pitch = 0;  // in texels
    int32_t width = 0, height = 0;
};

struct TextureView {
    TextureLevel levels[kMaxLevels];
    int levelCount = 0;
    uint32_t alphaOr = 0;  // 0xFF000000 for formats without alpha
};

enum class Filter { None = 0, Point = 1, Linear = 2 };
enum class Address { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4 };

struct Sampler {
    const TextureView* texture = nullptr;
    Filter magnify = Filter::Point, minify = Filter::Point, mip = Filter::None;
    Address addressU = Address::Wrap, addressV = Address::Wrap;
    uint32_t border = 0;
    float lodBias = 0;
    int firstLevel = 0;  // MAXMIPLEVEL: the largest level used
    // Whether the level of detail matters (mip levels in use, or different filters).
    bool needsLod() const {
        return (mip != Filter::None && texture->levelCount > firstLevel + 1) || magnify != minify;
    }
};

// Inline so that the span loops can take them in.

// Texel index i of a row or column `size` long, placed by the addressing mode; -1 for the
// border colour.
inline int32_t address(Address mode, int64_t i, int32_t size) {
    switch (mode) {
    case Address::Wrap: {
        if ((size & (size - 1)) == 0) return static_cast<int32_t>(i & (size - 1));
        const int64_t r = i % size;
        return static_cast<int32_t>(r < 0 ? r + size : r);
    }
    case Address::Mirror: {
        int64_t r = i % (2 * int64_t(size));
        if (r < 0) r += 2 * int64_t(size);
        return static_cast<int32_t>(r < size ? r : 2 * int64_t(size) - 1 - r);
    }
    case Address::Border: return i < 0 || i >= size ? -1 : static_cast<int32_t>(i);
    case Address::Clamp: break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(i, 0, size - 1));
}

// Texel coordinates are kept well inside int64 whatever the texture coordinate.
inline int64_t floorToInt(float value) {
    const float limited = value > -1.0e15f ? (value < 1.0e15f ? value : 1.0e15f) : -1.0e15f;  // NaN too
    const int64_t truncated = static_cast<int64_t>(limited);
    return truncated - (limited < float(truncated));
}

inline uint32_t texel(const Sampler& s, const TextureLevel& level, int64_t x, int64_t y) {
    const int32_t ix = address(s.addressU, x, level.width), iy = address(s.addressV, y, level.height);
    if (ix < 0 || iy < 0) return s.border;
    return level.bits[int64_t(iy) * level.pitch + ix] | s.texture->alphaOr;
}

inline uint32_t samplePoint(const Sampler& s, const TextureLevel& level, float u, float v) {
    return texel(s, level, floorToInt(u * float(level.width)), floorToInt(v * float(level.height)));
}

// The weight of the texel after `whole`, 0 to 255. NaN and coordinates beyond floorToInt's
// range weigh 0 instead of converting out of range.
inline uint32_t weight256(float coordinate, int64_t whole) {
    const float weight = (coordinate - float(whole)) * 256.0f;
    return weight >= 0.0f && weight < 256.0f ? static_cast<uint32_t>(weight) : 0;
}

// Texel centres sit at half-integer texel coordinates.
inline uint32_t sampleLinear(const Sampler& s, const TextureLevel& level, float u, float v) {
    const float x = u * float(level.width) - 0.5f, y = v * float(level.height) - 0.5f;
    const int64_t x0 = floorToInt(x), y0 = floorToInt(y);
    const uint32_t fx = weight256(x, x0), fy = weight256(y, y0);
    return narrow(bilinear(texel(s, level, x0, y0), texel(s, level, x0 + 1, y0), texel(s, level, x0, y0 + 1),
                           texel(s, level, x0 + 1, y0 + 1), Weights(fx, fy)));
}

inline uint32_t sampleLevel(const Sampler& s, int level, Filter filter, float u, float v) {
    const TextureLevel& l = s.texture->levels[level];
    return filter == Filter::Linear ? sampleLinear(s, l, u, v) : samplePoint(s, l, u, v);
}


// The texel colour at (u, v) for level of detail `lod` (log2 of texels per pixel).
uint32_t sample(const Sampler& sampler, float u, float v, float lod);

// Halves `from` into `to` (each dimension halved, at least 1) with a 2 x 2 box filter.
void boxDownsample(const ColorView& from, const ColorView& to);

}  // namespace platform::d3d8::raster
