// Homogeneous clipping: near and far planes, w > 0, and a guard band around the viewport
// that keeps screen coordinates small enough for exact fixed-point edges.
#pragma once

#include "vertex.h"

namespace platform::d3d8::raster {

// Clip space to screen pixels: x / w * scaleX + offsetX, likewise y and z.
struct ScreenMapping {
    float scaleX = 1, offsetX = 0, scaleY = 1, offsetY = 0, scaleZ = 1, offsetZ = 0;
};

// Screen coordinates stay within +-kGuardBand pixels.
constexpr float kGuardBand = 16384.0f;

struct ClipPlanes {
    static constexpr int kMax = 7;
    int count = 0;
    float plane[kMax][4];  // inside when plane . (x, y, z, w) >= bias
    float bias[kMax] = {};
    // The same planes by coefficient (x, y, z, w, bias), eight wide for outcode; the unused
    // ones are (0, 0, 0, 0) with bias -1.
    float lanes[5][8] = {{}, {}, {}, {}, {-1, -1, -1, -1, -1, -1, -1, -1}};
};

// near (z >= 0) and far (z <= w) only when `depthPlanes`.
ClipPlanes clipPlanes(const ScreenMapping& mapping, bool depthPlanes);

// One bit per plane the position is outside of.
uint32_t outcode(const ClipPlanes& planes, const float* pos);

// Clips the convex polygon in `in` (count vertices) against the planes whose bits are set in
// `planesToClip`, writing the result to `out` (room for count + 7 vertices) and returning its
// vertex count (0 when nothing is left). Varyings are interpolated linearly in clip space.
int clipPolygon(const ClipPlanes& planes, uint32_t planesToClip, const ClipVertex* in, int count, ClipVertex* out);

// True when every coordinate is a finite number.
bool finitePosition(const float* pos);

}  // namespace platform::d3d8::raster
