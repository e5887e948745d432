// Triangle setup: screen mapping, culling, fixed-point edge equations with the top-left fill
// rule, and the planes that attributes are interpolated on.
#pragma once

#include "clip.h"
#include "target.h"
#include "vertex.h"

namespace platform::d3d8::raster {

constexpr int kSubpixelBits = 8;

enum class Cull { None, Clockwise, CounterClockwise };

// a * px + b * py + c >= 0 for the pixel centres (px, py) inside the edge.
struct Edge {
    int64_t a, b, c;
};

// value(x, y) = c + dx * x + dy * y, in screen pixels.
struct Plane {
    float c, dx, dy;
    float at(float x, float y) const { return c + dx * x + dy * y; }
};

// The varyings a draw interpolates, one bit per Varying.
using VaryingMask = uint32_t;
constexpr VaryingMask kDiffuseBits = 0xFu << kDiffuse, kSpecularBits = 0x7u << kSpecular, kFogBit = 1u << kFog,
                      kTex0Bits = 0x3u << kTex0, kTex1Bits = 0x3u << kTex1;

struct Triangle {
    // Left unset: setup fills what the draw reads, in place.
    Triangle() {}
    Edge edges[3];
    int32_t top, bottom, left, right;  // pixels that may be touched, inside the clip rectangle
    Plane z;                           // screen depth 0..1
    Plane q;                           // 1 / w
    Plane v[kVaryings];                // varying / w; constant planes of the values where flatColor
    // Diffuse and specular are the same all over (flat shading, or equal at the three
    // corners), so their planes hold the values themselves.
    bool flatColor;
};

struct SetupState {
    ScreenMapping mapping;
    RECT clip{};
    Cull cull = Cull::None;
    bool flat = false;  // diffuse and specular of the first vertex across the triangle
    VaryingMask varyings = ~0u;  // the varyings that get planes
};

// Screen position of a clip-space vertex, and x and y snapped to the subpixel grid.
struct ScreenVertex {
    float x, y, z, q;
    int32_t fx, fy;
};
ScreenVertex toScreen(const ScreenMapping& mapping, const ClipVertex& v);
// False when the position is not finite.
bool project(const ScreenMapping& mapping, const ClipVertex& v, ScreenVertex& out);

// The first half of setup: the edges and the rectangle of pixels covered. False when the
// triangle is culled, has no area or lies outside the clip rectangle. `swapped` tells that
// the corners run a, c, b from here on (edges wind clockwise on screen).
bool coverTriangle(const SetupState& state, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   Triangle& out, bool& swapped);

// The second half: the planes of depth, 1 / w and the varyings, for the corners in the
// order coverTriangle left them. `provoking` supplies the flat colours.
void interpolateTriangle(const SetupState& state, const ScreenVertex* const screen[3], const ClipVertex* const corner[3],
                         const ClipVertex& provoking, Triangle& out);

// Both halves, for a triangle made by the clipper.
bool setupTriangle(const SetupState& state, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                   const ClipVertex& provoking, Triangle& out);

}  // namespace platform::d3d8::raster
