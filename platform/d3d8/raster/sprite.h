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

// Bilinear filtering blends the two rows first, then the two columns, each rounded to 8 bits
// (see sprite_kernels.h). Source-alpha blending is skipped when every texel and the colour
// are opaque.
void drawSprite(const Target& target, const SpriteSource& source, const SpriteTransform& transform,
                SpriteFilter filter, uint32_t color);

// The loops drawSprite runs: by default the widest instruction set this processor has and the
// specialised paths (rows of unscaled texels, axis-aligned bilinear). Every choice draws the
// same pixels; tests narrow it to compare them.
enum class SpriteSimd { Portable, Sse2, Sse41, Avx2 };
SpriteSimd widestSpriteSimd();
void setSpritePaths(SpriteSimd widest, bool specialised);

}  // namespace platform::d3d8::raster
