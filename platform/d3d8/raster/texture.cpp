#include "texture.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d8::raster {


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
