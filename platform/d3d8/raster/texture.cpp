#include "texture.h"

#include "sample.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d8::raster {

namespace {

// Texel index i of a row or column `size` long, placed by the addressing mode; -1 for the
// border colour.
int32_t address(Address mode, int64_t i, int32_t size) {
    switch (mode) {
    case Address::Wrap: {
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
int64_t floorToInt(float value) {
    const float limited = std::clamp(value, -1.0e15f, 1.0e15f);
    return static_cast<int64_t>(std::floor(limited));
}

uint32_t texel(const Sampler& s, const TextureLevel& level, int64_t x, int64_t y) {
    const int32_t ix = address(s.addressU, x, level.width), iy = address(s.addressV, y, level.height);
    if (ix < 0 || iy < 0) return s.border;
    return level.bits[int64_t(iy) * level.pitch + ix] | s.texture->alphaOr;
}

uint32_t samplePoint(const Sampler& s, const TextureLevel& level, float u, float v) {
    return texel(s, level, floorToInt(u * float(level.width)), floorToInt(v * float(level.height)));
}

// Texel centres sit at half-integer texel coordinates.
uint32_t sampleLinear(const Sampler& s, const TextureLevel& level, float u, float v) {
    const float x = u * float(level.width) - 0.5f, y = v * float(level.height) - 0.5f;
    const int64_t x0 = floorToInt(x), y0 = floorToInt(y);
    const uint32_t fx = static_cast<uint32_t>((x - float(x0)) * 256.0f) & 0xFF;
    const uint32_t fy = static_cast<uint32_t>((y - float(y0)) * 256.0f) & 0xFF;
    return narrow(bilinear(texel(s, level, x0, y0), texel(s, level, x0 + 1, y0), texel(s, level, x0, y0 + 1),
                           texel(s, level, x0 + 1, y0 + 1), Weights(fx, fy)));
}

uint32_t sampleLevel(const Sampler& s, int level, Filter filter, float u, float v) {
    const TextureLevel& l = s.texture->levels[level];
    return filter == Filter::Linear ? sampleLinear(s, l, u, v) : samplePoint(s, l, u, v);
}

}  // namespace

uint32_t sample(const Sampler& s, float u, float v, float lod) {
    lod += s.lodBias;
    const int last = s.texture->levelCount - 1;
    if (!(lod > 0.0f) || s.mip == Filter::None || last <= s.firstLevel) {
        const Filter filter = lod > 0.0f ? s.minify : s.magnify;
        return sampleLevel(s, s.firstLevel, filter, u, v);
    }
    const float level = std::min(lod + float(s.firstLevel), float(last));
    if (s.mip == Filter::Point) return sampleLevel(s, static_cast<int>(level + 0.5f), s.minify, u, v);
    const int lower = static_cast<int>(level);
    const uint32_t a = sampleLevel(s, lower, s.minify, u, v);
    if (lower >= last) return a;
    const uint32_t b = sampleLevel(s, lower + 1, s.minify, u, v);
    return lerp(a, b, static_cast<uint32_t>((level - float(lower)) * 256.0f));
}

void boxDownsample(const ColorView& from, const ColorView& to) {
    for (int32_t y = 0; y < to.height; ++y) {
        const uint32_t* r0 = from.row(std::min(2 * y, from.height - 1));
        const uint32_t* r1 = from.row(std::min(2 * y + 1, from.height - 1));
        uint32_t* out = to.row(y);
        for (int32_t x = 0; x < to.width; ++x) {
            const int32_t x0 = std::min(2 * x, from.width - 1), x1 = std::min(2 * x + 1, from.width - 1);
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t sum = ((r0[x0] >> shift) & 0xFF) + ((r0[x1] >> shift) & 0xFF) +
                                     ((r1[x0] >> shift) & 0xFF) + ((r1[x1] >> shift) & 0xFF);
                result |= ((sum + 2) / 4) << shift;
            }
            out[x] = result;
        }
    }
}

}  // namespace platform::d3d8::raster
