// The vector spans: one plain texture stage over a point or bilinear texel and the diffuse
// colour, with the depth test, kLanes pixels at a time. Built once for SSE2 and once for AVX2;
// vectorSpan picks the build the processor runs best.
#pragma once

#include "pixel.h"

namespace platform::d3d8::raster {

// How a vector span reads its texture: not at all (white), through the general sampler, or
// point or bilinear from one level whose axes wrap (power-of-two sizes) or clamp.
enum class Fetch { White, General, Point, Linear };

// Whether the vector code runs its AVX2 build: the processor has AVX2 and KV_RASTER_SIMD is
// not "sse2".
bool vectorAvx2();

// The fill for a depth buffer of depthBytes per pixel (0: no depth test) and a fetch.
TriangleFunction vectorSpan(int depthBytes, Fetch how);
TriangleFunction vectorSpanSse2(int depthBytes, Fetch how);
TriangleFunction vectorSpanAvx2(int depthBytes, Fetch how);

// The texel of the sampler's first level at (u, v) with its magnification filter.
uint32_t sampleFirstLevel(const Sampler& sampler, float u, float v);

}  // namespace platform::d3d8::raster
