// The sprite loops on SSE2, which every x86-64 processor has.
#include "sprite_sse.h"

namespace platform::d3d8::raster::sprite {

const Kernels& sse2Kernels() {
    static const Kernels kernels = makeKernels<Sse>("SSE2");
    return kernels;
}

}  // namespace platform::d3d8::raster::sprite
