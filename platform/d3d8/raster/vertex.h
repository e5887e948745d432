// Vertices between the stages: fetched from a flexible vertex format, transformed to clip
// space and lit, then clipped and set up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::d3d8::raster {

constexpr int kStages = 2;  // texture stages the pipeline samples

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// Row-major, row vectors: p' = p * m.
struct Matrix {
    float m[4][4] = {};
    static Matrix identity();
};
Matrix multiply(const Matrix& a, const Matrix& b);
// The inverse transpose of the upper 3 x 3, for normals; zero for a singular matrix.
Matrix normalMatrix(const Matrix& m);

// What is interpolated across a primitive, in this order.
enum Varying : int {
    kDiffuse = 0,   // b, g, r, a in 0..255
    kSpecular = 4,  // b, g, r in 0..255
    kFog = 7,       // fog factor 0 (all fog) .. 1 (none)
    kTex0 = 8,      // u, v of stage 0
    kTex1 = 10,     // u, v of stage 1
    kVaryings = 12,
};

struct ClipVertex {
    float pos[4];  // clip space x, y, z, w
    float v[kVaryings];
};

// Byte offsets of the fields of one flexible vertex format; -1 where absent.
struct VertexLayout {
    uint32_t size = 0;  // bytes one vertex takes
    bool transformed = false;  // XYZRHW: screen-space position and 1/w
    int32_t normal = -1, diffuse = -1, specular = -1;
    int32_t texCount = 0;
    int32_t texOffset[8] = {};
    int32_t texSize[8] = {};  // floats in each set
};

// False for formats the pipeline cannot read (blended positions, no position).
bool decodeLayout(uint32_t fvf, VertexLayout& layout);

}  // namespace platform::d3d8::raster
