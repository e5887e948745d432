// The sprite loops on SSE4.1 (built with -msse4.1; used only where the processor has it).
#include "sprite_sse.h"

namespace platform::d3d8::raster::sprite {

const Kernels& sse41Kernels() {
    static const Kernels kernels = makeKernels<Sse>("SSE4.1");
    return kernels;
}

}  // namespace platform::d3d8::raster::sprite
