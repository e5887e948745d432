// The small part of GDI the libraries use: device-dependent bitmaps as plain records of
// padded rows. Fonts live in <platform/gdifont.h>.
#pragma once

#include <platform/wintypes.h>

#include <cstdint>
#include <vector>

namespace platform {

// Every GDI object (bitmaps, fonts) is freed through DeleteObject.
struct GdiObject {
    virtual ~GdiObject() = default;
};

// Rows top first, each padded to an even number of bytes as device bitmaps are.
struct Bitmap : GdiObject {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t stride = 0;
    std::vector<uint8_t> bits;
};

}  // namespace platform

using HBITMAP = platform::Bitmap*;
using HGDIOBJ = platform::GdiObject*;

// Makes a bitmap of width x height at the given depth, copying `bits` (rows of `stride`
// bytes, even-padded) when given. Returns nullptr for sizes it cannot hold.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

// Frees a bitmap or font. Returns FALSE for a null handle.
BOOL DeleteObject(HGDIOBJ object);
