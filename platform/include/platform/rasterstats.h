// Time spent in each stage of the software device's 3D pipeline, for benchmarks, summed over
// the threads that ran it. Counted only when KV_RASTER_STATS=1 is set in the environment when
// a device is created.
#pragma once

#include <cstdint>

namespace platform {

struct RasterStats {            // accumulated since the last reset
    uint64_t transformLightNs;  // fetch, transform, lighting and fog of the vertices
    uint64_t setupNs;           // assembly, clipping, culling and triangle setup
    uint64_t fillNs;            // spans, depth, texturing and blending
    uint64_t trianglesIn, trianglesDrawn, pixelsFilled;
};

RasterStats rasterStats();
void resetRasterStats();

}  // namespace platform
