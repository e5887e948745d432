// The sprite's inner loops, built once per instruction set (portable C++, SSE2, SSE4.1,
// AVX2) from the same templates; every build gives the same pixels. sprite.cpp does the
// geometry and picks the widest build the processor runs.
//
// Bilinear filtering is separable: each pair of rows is blended first, then each pair of
// columns, both as (a * (256 - f) + b * f + 128) >> 8 per channel with 8-bit fractions f,
// so that a texel centre reproduces its texel and the sums fit 16-bit lanes.
#pragma once

#include <cstdint>

namespace platform::d3d8::raster::sprite {

// Only plain types here: the files that include this are built with different code
// generation options, so they may share no inline function.

// What happens to a filtered texel: alpha forced to 255 for textures without alpha, then
// each channel times (colour channel + 1) >> 8 when `modulate`, then source-alpha blending
// onto the target when `blend`.
struct Shade {
    uint32_t alphaOr;
    uint32_t color;
};

struct Texels {
    const uint8_t* base;  // texel at the source rectangle's top-left
    int32_t pitch;
    int32_t maxX, maxY;  // last texel inside the rectangle
    bool smallOffsets;   // every texel's byte offset from `base` fits in 31 bits
};

// 16.16 sprite-local coordinates stepped in unsigned arithmetic: every value read lies
// inside the rectangle, and the step past the last pixel may wrap harmlessly.
struct Span {
    uint32_t* dst;
    int32_t count;
    uint32_t u, v, du, dv;
};

// One target row of axis-aligned bilinear drawing: per column, where its pair of taps starts
// in the row of vertically blended texels, and its weights (256 - f) x 4, f x 4, laid out
// for one 16-byte load. Both arrays are padded to a multiple of 8 entries.
struct Columns {
    const int32_t* x;
    const uint16_t* weights;
};

struct Kernels {
    // [blend][modulate]
    using RowFn = void (*)(const uint32_t* src, uint32_t* dst, int32_t count, const Shade&);
    using ColumnsFn = void (*)(const uint32_t* blended, const Columns&, uint32_t* dst, int32_t count, const Shade&);
    using SpanFn = void (*)(const Span&, const Texels&, const Shade&);
    // `count` texels of two rows blended by `fy` into `out`.
    using RowsFn = void (*)(const uint32_t* top, const uint32_t* bottom, uint32_t fy, uint32_t* out, int32_t count);

    const char* name;
    RowFn row[2][2];          // texels in a row, one per pixel
    RowsFn rows;              // the vertical half of axis-aligned bilinear
    ColumnsFn columns[2][2];  // the horizontal half
    SpanFn point[2][2];       // any affine mapping, nearest texel
    SpanFn linear[2][2];      // any affine mapping, bilinear
};

const Kernels& portableKernels();
#if defined(__x86_64__)
const Kernels& sse2Kernels();
const Kernels& sse41Kernels();
const Kernels& avx2Kernels();
#endif

}  // namespace platform::d3d8::raster::sprite
