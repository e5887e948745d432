// Pixel formats other than the 32-bit working format: every colour surface is drawn and
// sampled as 32-bit B, G, R, A; these convert to and from the bytes a lock hands out.
#pragma once

#include <cstdint>

namespace platform::d3d8::raster {

enum class PixelFormat { Argb8888, Xrgb8888, Rgb888, Rgb565, Xrgb1555, Argb1555, Argb4444 };

uint32_t bytesPerPixel(PixelFormat format);
bool hasAlpha(PixelFormat format);

// `count` pixels of a row.
void toNative(PixelFormat format, const uint32_t* from, uint8_t* to, int32_t count);
void fromNative(PixelFormat format, const uint8_t* from, uint32_t* to, int32_t count);

// The 32-bit value a pixel has once stored in `format` and read back.
uint32_t roundTrip(PixelFormat format, uint32_t argb);

}  // namespace platform::d3d8::raster
