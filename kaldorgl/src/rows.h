// Byte-order conversions of pixel runs, shared by the readers and the colour-depth
// conversion. `src` and `dst` may be the same memory for the conversions that keep the size.
#pragma once

#include <cstdint>

namespace kdgl {

// The widest kernels in use: what the processor offers, unless capped lower (tests run every
// level and compare).
enum class Simd { Scalar, Sse2, Ssse3 };
Simd rowsSimd();
void capRowsSimd(Simd limit);

// 3-byte pixels to 4 with A = 255; `swap` exchanges the first and third byte (B, G, R files).
void expandRgb(const uint8_t* src, uint8_t* dst, uint64_t count, bool swap);
// The first and third byte of every pixel exchanged, 3 or 4 bytes a pixel.
void swapRgb(const uint8_t* src, uint8_t* dst, uint64_t count);
void swapRgba(const uint8_t* src, uint8_t* dst, uint64_t count);
// Separate R, G and B planes to R, G, B, A = 255 pixels.
void interleavePlanes(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* dst, uint64_t count);

}  // namespace kdgl
