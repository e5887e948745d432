// The two headers of an uncompressed Windows bitmap: where each field the suite reads or
// writes stands, and the one writer of both headers.
#pragma once

#include <support/bytes.h>

#include <cstdint>
#include <cstring>

namespace kvsupport::bmp {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

// Offsets in the file header.
constexpr uint32_t kFileSize = 2;
constexpr uint32_t kPixelOffset = 10;

// Offsets in the info header, which follows the file header.
constexpr uint32_t kInfoSize = 0;
constexpr uint32_t kWidth = 4;
constexpr uint32_t kHeight = 8;  // negative: top row first
constexpr uint32_t kPlanes = 12;
constexpr uint32_t kBitCount = 14;
constexpr uint32_t kCompression = 16;
constexpr uint32_t kImageSize = 20;
constexpr uint32_t kXPixelsPerMetre = 24;
constexpr uint32_t kYPixelsPerMetre = 28;
constexpr uint32_t kColoursUsed = 32;

// kHeadersSize bytes at `out` for a bottom-up, uncompressed picture whose rows follow the
// headers directly.
inline void writeHeaders(uint8_t* out, uint32_t width, uint32_t height, uint32_t bits, uint32_t imageSize,
                         uint32_t pixelsPerMetre) {
    std::memset(out, 0, kHeadersSize);
    out[0] = 'B';
    out[1] = 'M';
    writeLe32(out + kFileSize, kHeadersSize + imageSize);
    writeLe32(out + kPixelOffset, kHeadersSize);
    uint8_t* info = out + kFileHeaderSize;
    writeLe32(info + kInfoSize, kInfoHeaderSize);
    writeLe32(info + kWidth, width);
    writeLe32(info + kHeight, height);
    writeLe16(info + kPlanes, 1);
    writeLe16(info + kBitCount, bits);
    writeLe32(info + kImageSize, imageSize);
    writeLe32(info + kXPixelsPerMetre, pixelsPerMetre);
    writeLe32(info + kYPixelsPerMetre, pixelsPerMetre);
}

}  // namespace kvsupport::bmp
