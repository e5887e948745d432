// Uncompressed Windows bitmaps.
#include "internal.h"
#include "rows.h"

#include <kaldorgl/kdgl_codecs.h>
#include <support/bmp_header.h>

#include <cstring>
#include <vector>

using namespace kdgl;
using namespace kvsupport::bmp;

namespace {

constexpr uint32_t kPixelsPerMetre = 11811;  // 300 dpi

struct BmpLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    uint64_t stride = 0;
    uint32_t pixelOffset = 0;
};

uint32_t readLayout(const uint8_t* bytes, uint32_t size, BmpLayout& out) {
    if (size < 2) return KDGL_ERR_FILE_SIZE;
    if (bytes[0] != 'B' || bytes[1] != 'M') return KDGL_ERR_STRUCTURE;
    if (size < kFileHeaderSize + kInfoHeaderSize) return KDGL_ERR_FILE_SIZE;
    const uint8_t* info = bytes + kFileHeaderSize;
    if (readLe32(info + kInfoSize) < kInfoHeaderSize) return KDGL_ERR_STRUCTURE;
    if (readLe32(info + kCompression) != 0) return KDGL_ERR_UNSUPPORTED;
    out.bits = readLe16(info + kBitCount);
    if (out.bits == 2 || out.bits == 16) return KDGL_ERR_UNSUPPORTED;
    if (out.bits != 1 && out.bits != 4 && out.bits != 8 && out.bits != 24 && out.bits != 32)
        return KDGL_ERR_COLOR_DEPTH;
    const int32_t width = static_cast<int32_t>(readLe32(info + kWidth));
    const int32_t height = static_cast<int32_t>(readLe32(info + kHeight));
    if (width <= 0 || height == 0 || height == INT32_MIN) return KDGL_ERR_RESOLUTION;
    out.width = static_cast<uint32_t>(width);
    out.topDown = height < 0;
    out.height = static_cast<uint32_t>(height < 0 ? -height : height);
    out.stride = (uint64_t(out.width) * out.bits + 31) / 32 * 4;
    out.pixelOffset = readLe32(bytes + kPixelOffset);
    if (uint64_t(out.pixelOffset) + out.stride * out.height > size) return KDGL_ERR_FILE_SIZE;
    return KDGL_OK;
}

// The palette follows the info header and holds the colours-used count when it is set,
// never more than 2^bits entries nor more than the bytes before the end of the file.
void readPalette(const uint8_t* bytes, uint32_t size, uint32_t bits, Rgb* palette) {
    std::memset(palette, 0, sizeof(Rgb) * 256);
    if (bits > 8) return;
    const uint64_t start = uint64_t(kFileHeaderSize) + readLe32(bytes + kFileHeaderSize + kInfoSize);
    if (start >= size) return;
    uint64_t count = uint64_t(1) << bits;
    const uint32_t used = readLe32(bytes + kFileHeaderSize + kColoursUsed);
    if (used != 0 && used < count) count = used;
    if (count > (size - start) / 4) count = (size - start) / 4;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = bytes + start + i * 4;
        palette[i] = Rgb{entry[2], entry[1], entry[0]};
    }
}

// One file row to `outBpp`-byte pixels: indices, R, G, B or R, G, B, A.
void unpackRow(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bits, uint32_t outBpp) {
    switch (bits) {
        case 1:
            for (uint32_t x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (uint32_t x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            break;
        case 8: std::memcpy(dst, src, width); break;
        case 24:
            if (outBpp == 4) expandRgb(src, dst, width, true);
            else swapRgb(src, dst, width);
            break;
        default: swapRgba(src, dst, width); break;
    }
}

uint32_t writeBits(uint32_t type) {
    if (type == KDGL_TYPE_24BIT) return 24;
    if (type == KDGL_TYPE_32BIT) return 32;
    return 0;
}

}  // namespace

namespace kdgl {

uint32_t readBmp(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, Rgb* palette) {
    if (!bytes) return KDGL_ERR_NULL_POINTER;
    BmpLayout layout;
    uint32_t status = readLayout(bytes, size, layout);
    if (status != KDGL_OK) return status;
    const bool widen = layout.bits == 24 && wanted == KDGL_TYPE_32BIT;
    const uint32_t outBpp = layout.bits <= 8 ? 1 : widen ? 4 : layout.bits / 8;
    if ((status = checkPictureSize(layout.width, layout.height, outBpp)) != KDGL_OK) return status;
    uint8_t* pixels = nullptr;
    status = allocImage(pixelBytes(layout.width, layout.height, outBpp), &pixels);
    if (status != KDGL_OK) return status;
    const uint64_t outStride = uint64_t(layout.width) * outBpp;
    for (uint32_t y = 0; y < layout.height; ++y) {
        const uint32_t fileRow = layout.topDown ? y : layout.height - 1 - y;
        unpackRow(bytes + layout.pixelOffset + fileRow * layout.stride, pixels + y * outStride,
                  layout.width, layout.bits, outBpp);
    }
    readPalette(bytes, size, layout.bits, palette);
    out = Decoded{pixels, layout.width, layout.height,
                  outBpp == 4 ? KDGL_TYPE_32BIT : outBpp == 3 ? KDGL_TYPE_24BIT : KDGL_TYPE_8BIT};
    return KDGL_OK;
}

}  // namespace kdgl

uint32_t CCodecBMP::LoadFromMemory(const uint8_t* bytes, uint32_t size) {
    Decoded picture;
    return adopt(*this, readBmp(bytes, size, 0, picture, palette), picture);
}

uint32_t CCodecBMP::LoadFromFile(const char* name) {
    return loadWholeFile(name, [this](const uint8_t* b, uint32_t s) { return LoadFromMemory(b, s); });
}

uint32_t CCodecBMP::SaveToFile(const char* name, const uint8_t* pixels, uint32_t w, uint32_t h,
                               uint32_t sourceType, uint32_t targetType) {
    if (w == 0 || h == 0) return KDGL_ERR_RESOLUTION;
    const uint32_t bits = writeBits(targetType);
    const uint32_t srcBpp = bytesPerPixel(sourceType);
    if (bits == 0 || !isRgbType(sourceType)) return KDGL_ERR_COLOR_DEPTH;
    if (!pixels) return KDGL_ERR_NULL_POINTER;
    const uint64_t stride = (uint64_t(w) * bits + 31) / 32 * 4;
    if (stride * h + kHeadersSize > UINT32_MAX) return KDGL_ERR_RESOLUTION;
    OutFile file(name);
    if (!file.isOpen()) return KDGL_ERR_FILE_CREATE;
    uint8_t header[kHeadersSize];
    writeHeaders(header, w, h, bits, static_cast<uint32_t>(stride * h), kPixelsPerMetre);
    if (!file.write(header, sizeof header)) return KDGL_ERR_FILE_WRITE;
    std::vector<uint8_t> row(stride, 0);
    for (uint32_t y = h; y-- > 0;) {
        const uint8_t* src = pixels + uint64_t(y) * w * srcBpp;
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < w; ++x, src += srcBpp) {
            *dst++ = src[2];
            *dst++ = src[1];
            *dst++ = src[0];
            if (bits == 32) *dst++ = srcBpp == 4 ? src[3] : 255;
        }
        if (!file.write(row.data(), row.size())) return KDGL_ERR_FILE_WRITE;
    }
    return file.close() ? KDGL_OK : KDGL_ERR_FILE_WRITE;
}
