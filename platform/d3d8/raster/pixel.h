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

// What the vector span needs of a draw, resolved once: the depth test as three masks (all
// ones where less, equal or greater passes), the one texture level with its addressing, and
// which bytes of the result are the product of texel and diffuse, the texel or the diffuse.
struct VectorSpan {
    int32_t depthLess = 0, depthEqual = 0, depthGreater = 0;
    const uint32_t* texels = nullptr;
    int32_t pitch = 0;     // in texels
    float width = 0, height = 0;
    int32_t wrapU = -1, wrapV = -1;  // size - 1 for WRAP, -1 for CLAMP
    int32_t lastU = 0, lastV = 0;
    uint32_t alphaOr = 0;
    uint32_t takeProduct = 0, takeTexel = 0, takeDiffuse = 0;
    int32_t rowEnd = 0;  // pixels per row in the colour (and depth) buffer
};

struct PixelProgram;
// Shades the rows first .. end - 1 of a triangle.
using TriangleFunction = void (*)(const PixelProgram& program, const Triangle& triangle, int32_t first, int32_t end);

struct PixelProgram {
    Target target;
    int stageCount = 0;  // stages before the first disabled one
    Stage stages[kStages];
    uint32_t textureFactor = 0xFFFFFFFF;
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
    VaryingMask varyings = 0;  // what the pixels read, worked out by prepare()
    TriangleFunction fill = nullptr;  // chosen by prepare()
    VectorSpan vector;
};

// Works out the varyings and picks the fill function for the program's states: vector
// spans for one plain stage without fog, alpha test or blending, else the general one.
// Call once the program is filled in.
void prepare(PixelProgram& program);

// Draws the triangle's rows first .. end - 1.
void drawTriangle(const PixelProgram& program, const Triangle& triangle, int32_t first, int32_t end);

// Shades the pixel at (x, y) with the given varyings (already divided out), screen depth
// and eye depth; used by lines and points.
void shadePixel(const PixelProgram& program, int32_t x, int32_t y, const float* varyings, float z, float eyeDepth);

}  // namespace platform::d3d8::raster
