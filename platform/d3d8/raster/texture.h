// Texture sampling for the triangle pipeline: point and bilinear filtering, mip levels and
// the addressing modes, over 32-bit texels.
#pragma once

#include "target.h"

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

// The texel colour at (u, v) for level of detail `lod` (log2 of texels per pixel).
uint32_t sample(const Sampler& sampler, float u, float v, float lod);

// Halves `from` into `to` (each dimension halved, at least 1) with a 2 x 2 box filter.
void boxDownsample(const ColorView& from, const ColorView& to);

}  // namespace platform::d3d8::raster
