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

struct Triangle {
    Edge edges[3];
    int32_t top, bottom, left, right;  // pixels that may be touched, inside the clip rectangle
    Plane z;                           // screen depth 0..1
    Plane q;                           // 1 / w
    Plane v[kVaryings];                // varying / w, or the varying itself where flat
};

struct SetupState {
    ScreenMapping mapping;
    RECT clip{};
    Cull cull = Cull::None;
    bool flat = false;  // diffuse and specular of the first vertex across the triangle
    int varyingCount = kVaryings;  // varyings 0 .. count - 1 get planes
};

// Screen position of a clip-space vertex.
struct ScreenVertex {
    float x, y, z, q;
};
ScreenVertex toScreen(const ScreenMapping& mapping, const ClipVertex& v);

// False when the triangle is culled, has no area or lies outside the clip rectangle.
// `provoking` supplies the flat colours.
bool setupTriangle(const SetupState& state, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                   const ClipVertex& provoking, Triangle& out);

// First and one-past-last pixel of row y inside all three edges, cut to [left, right).
bool spanOf(const Triangle& t, int32_t y, int32_t& first, int32_t& last);

}  // namespace platform::d3d8::raster
