// What the rasterizer draws into: plain views of colour and depth memory and the rectangle
// of pixels that may be written. No device objects reach this far.
#pragma once

#include <platform/wintypes.h>
#include <support/rect.h>

#include <algorithm>
#include <cstdint>

namespace platform::d3d8::raster {

using kvsupport::intersect;
using kvsupport::isEmpty;

// 32-bit pixels, bytes B, G, R, A.
struct ColorView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;

    uint32_t* row(int32_t y) const { return reinterpret_cast<uint32_t*>(bits + int64_t(y) * pitch); }
    RECT bounds() const { return RECT{0, 0, width, height}; }
};

// Depth 0 near to 1 far as 16-bit (D16) or 24-bit (the wider formats, in 32-bit words)
// unsigned fractions.
struct DepthView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool wide = false;

    uint16_t* row16(int32_t y) const { return reinterpret_cast<uint16_t*>(bits + int64_t(y) * pitch); }
    uint32_t* row32(int32_t y) const { return reinterpret_cast<uint32_t*>(bits + int64_t(y) * pitch); }
    // The stored value for depth z, clamped to 0..1 (NaN counts as 0).
    uint32_t quantize(float z) const {
        const float scale = wide ? 16777215.0f : 65535.0f;
        const float clamped = z > 0.0f ? (z < 1.0f ? z : 1.0f) : 0.0f;
        return static_cast<uint32_t>(clamped * scale + 0.5f);
    }
    explicit operator bool() const { return bits != nullptr; }
};

struct Target {
    ColorView color;
    DepthView depth;  // may be empty
    RECT clip{};      // inside the colour view (and the depth view when there is one)
};

}  // namespace platform::d3d8::raster
