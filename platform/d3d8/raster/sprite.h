// The sprite rasterizer: an affine-mapped texture rectangle, filtered, colour-modulated
// and blended with source alpha into a 32-bit target.
#pragma once

#include "target.h"

namespace platform::d3d8::raster {

struct SpriteSource {
    const uint8_t* bits = nullptr;  // texel (0, 0) of the texture level
    int32_t pitch = 0;
    RECT rect{};               // non-empty rectangle inside the texture; nothing outside is read
    bool opaque = false;       // X8R8G8B8: the stored alpha is ignored
    bool allOpaque = false;    // every texel's alpha is known to be 255
};

// Sprite-local point (u, v), in texels from the rectangle's top-left, lands at
// (u * m11 + v * m21 + dx, u * m12 + v * m22 + dy) in the target. A target pixel is drawn
// when its centre maps inside the rectangle.
struct SpriteTransform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

enum class SpriteFilter { Point, Linear };

void drawSprite(const Target& target, const SpriteSource& source, const SpriteTransform& transform,
                SpriteFilter filter, uint32_t color);

}  // namespace platform::d3d8::raster
