// Vertex processing: fetch each vertex of a flexible vertex format, transform it to clip
// space, light it and work out its vertex fog.
#pragma once

#include "lighting.h"
#include "vertex.h"

namespace platform::d3d8::raster {

enum class FogMode { None = 0, Exp = 1, Exp2 = 2, Linear = 3 };

struct Fog {
    FogMode mode = FogMode::None;
    bool range = false;  // distance from the eye rather than depth
    float start = 0, end = 1, density = 1;
};

// The fog factor (1 = no fog) at eye distance `distance`.
float fogFactor(const Fog& fog, float distance);

struct VertexProgram {
    VertexLayout layout;
    Matrix worldViewProjection;
    Matrix worldView;
    Matrix normalMatrix;  // inverse transpose of worldView
    bool lit = false;
    Lighting lighting;
    Fog vertexFog;  // mode None: the factor comes from the specular alpha
    int texCoordIndex[kStages] = {0, 1};
};

// Pre-transformed (XYZRHW) vertices come out as (x, y, z, 1) / rhw: their screen position
// divided by w, for a screen mapping that is the identity.
// Processes `count` vertices starting at `first`, `stride` bytes apart; the caller has
// checked that every byte read lies in the buffer.
void processVertices(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                     ClipVertex* out);

// The vector stage, once per instruction set: the clip positions, and for lit vertices the
// diffuse colours, of the first vertices in whole groups; returns how many it did. Only for
// programs that vectorVertices accepts.
uint32_t vectorVerticesSse2(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                            ClipVertex* out);
uint32_t vectorVerticesAvx2(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                            ClipVertex* out);

}  // namespace platform::d3d8::raster
