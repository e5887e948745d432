// Everything a pixel needs to know of a draw, resolved once per draw call: the texture
// stages, fog, alpha test, depth test and blending.
#pragma once

#include "setup.h"
#include "target.h"
#include "texture.h"
#include "transform.h"

namespace platform::d3d8::raster {

enum class Compare { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };

// Texture stage operations and arguments carry their Direct3D 8 numbers.
struct Stage {
    uint32_t colorOp = 1, colorArg1 = 2, colorArg2 = 1;
    uint32_t alphaOp = 1, alphaArg1 = 2, alphaArg2 = 1;
    Sampler sampler;
    bool textured = false;  // without a texture the TEXTURE argument is opaque white
};

struct Blend {
    uint32_t source = 2, dest = 1, op = 1;  // D3DBLEND and D3DBLENDOP numbers
};

struct PixelProgram;
// Shades the pixels first .. last - 1 of row y of a triangle.
using SpanFunction = void (*)(const PixelProgram& program, const Triangle& triangle, int32_t y, int32_t first,
                              int32_t last);

struct PixelProgram {
    Target target;
    int stageCount = 0;  // stages before the first disabled one
    Stage stages[kStages];
    uint32_t textureFactor = 0xFFFFFFFF;
    bool flat = false;         // diffuse and specular are constant planes, not divided by q
    bool addSpecular = false;  // SPECULARENABLE
    // Fog: vertex fog interpolates the factor; table fog works it out per pixel from the eye
    // depth (w, or the screen depth when `depthFog`).
    bool vertexFog = false;
    Fog tableFog;
    bool depthFog = false;
    uint32_t fogColor = 0;
    bool alphaTest = false;
    Compare alphaFunc = Compare::Always;
    uint32_t alphaRef = 0;
    bool depthTest = false, depthWrite = false;
    Compare depthFunc = Compare::LessEqual;
    bool blend = false;
    Blend blendMode;
    uint32_t writeMask = 0xFFFFFFFF;  // COLORWRITEENABLE as a mask of bytes
    int varyingCount = kVaryings;
    SpanFunction span = nullptr;  // chosen by prepare()
    // The fast path's single stage: per 16-bit lane (b, g, r, a) whether the result is the
    // product of texel and diffuse, the texel or the diffuse colour.
    uint16_t takeProduct[4] = {}, takeTexel[4] = {}, takeDiffuse[4] = {};
};

// Picks the span function for the program's states: a fast path for one plain stage without
// fog, alpha test or blending, else the general one. Call once the program is filled in.
void prepare(PixelProgram& program);

// Draws the triangle's rows y with (y / bandHeight) % bandCount == band.
void drawTriangle(const PixelProgram& program, const Triangle& triangle, int32_t band, int32_t bandCount);

// Shades the pixel at (x, y) with the given varyings (already divided out), screen depth
// and eye depth; used by lines and points.
void shadePixel(const PixelProgram& program, int32_t x, int32_t y, const float* varyings, float z, float eyeDepth);

constexpr int32_t kBandHeight = 8;

}  // namespace platform::d3d8::raster
