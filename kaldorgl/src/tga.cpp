// Targa pictures: colour-mapped, grey and true colour, uncompressed or run-length.
#include "internal.h"
#include "rows.h"

#include <kaldorgl/kdgl_codecs.h>

#include <cstring>
#include <vector>

using namespace kdgl;

namespace {

constexpr uint32_t kHeaderSize = 18;
// Header fields by offset.
constexpr uint32_t kIdLength = 0;
constexpr uint32_t kMapType = 1;
constexpr uint32_t kImageType = 2;
constexpr uint32_t kMapFirst = 3;
constexpr uint32_t kMapLength = 5;
constexpr uint32_t kMapEntryBits = 7;
constexpr uint32_t kWidth = 12;
constexpr uint32_t kHeight = 14;
constexpr uint32_t kBits = 16;
constexpr uint32_t kDescriptor = 17;
constexpr uint8_t kOriginTop = 0x20;
constexpr uint8_t kOriginRight = 0x10;
constexpr uint32_t kMaxPacketPixels = 128;

struct TgaLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t fileBpp = 0;  // bytes a pixel in the file
    uint32_t outBpp = 0;   // bytes a pixel in the picture: the file's, or 4 for widened 3-byte pixels
    uint32_t type = 0;
    bool rle = false;
    uint8_t descriptor = 0;
    uint64_t pixelOffset = 0;
};

// Colour-map entries and 15/16-bit pixels both hold A RRRRR GGGGG BBBBB, low byte first.
Rgb rgbFrom555(uint32_t v) {
    auto widen = [](uint32_t c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
    return Rgb{widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31)};
}

Rgb readMapEntry(const uint8_t* p, uint32_t entryBytes) {
    if (entryBytes == 2) return rgbFrom555(readLe16(p));
    return Rgb{p[2], p[1], p[0]};
}

// Reads the colour map into `palette` (8-bit pictures without one get a grey ramp) and
// returns where the pixels start.
uint32_t readColourMap(const uint8_t* bytes, uint32_t size, uint32_t bits, Rgb* palette,
                       uint64_t& pixelOffset) {
    std::memset(palette, 0, sizeof(Rgb) * 256);
    pixelOffset = kHeaderSize + uint64_t(bytes[kIdLength]);
    if (bytes[kMapType] == 0) {
        if (bits == 8)
            for (uint32_t i = 0; i < 256; ++i) palette[i] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
        return pixelOffset <= size ? KDGL_OK : KDGL_ERR_FILE_SIZE;
    }
    if (bytes[kMapType] != 1) return KDGL_ERR_STRUCTURE;
    const uint32_t first = readLe16(bytes + kMapFirst);
    const uint32_t length = readLe16(bytes + kMapLength);
    const uint32_t entrySize = bytes[kMapEntryBits];
    if (entrySize != 15 && entrySize != 16 && entrySize != 24 && entrySize != 32)
        return KDGL_ERR_STRUCTURE;
    const uint32_t entryBytes = (entrySize + 7) / 8;
    const uint64_t mapStart = pixelOffset;
    pixelOffset += uint64_t(length) * entryBytes;
    if (pixelOffset > size) return KDGL_ERR_FILE_SIZE;
    for (uint32_t i = 0; i < length && first + i < 256; ++i)
        palette[first + i] = readMapEntry(bytes + mapStart + uint64_t(i) * entryBytes, entryBytes);
    return KDGL_OK;
}

uint32_t readLayout(const uint8_t* bytes, uint32_t size, TgaLayout& out, Rgb* palette) {
    if (size < kHeaderSize) return KDGL_ERR_FILE_SIZE;
    const uint8_t imageType = bytes[kImageType];
    out.rle = imageType == 9 || imageType == 10 || imageType == 11;
    out.width = readLe16(bytes + kWidth);
    out.height = readLe16(bytes + kHeight);
    out.descriptor = bytes[kDescriptor];
    const uint32_t bits = bytes[kBits];
    switch (bits) {
        case 8: out.type = KDGL_TYPE_8BIT; break;
        case 15:
        case 16: out.type = KDGL_TYPE_15BIT; break;
        case 24: out.type = KDGL_TYPE_24BIT; break;
        case 32: out.type = KDGL_TYPE_32BIT; break;
        default: return KDGL_ERR_COLOR_DEPTH;
    }
    out.fileBpp = (bits + 7) / 8;
    if (out.width == 0 || out.height == 0) return KDGL_ERR_RESOLUTION;
    return readColourMap(bytes, size, bits, palette, out.pixelOffset);
}

// File pixel to canvas pixel: B, G, R(, A) become R, G, B(, A), and R, G, B, 255 when a
// 3-byte pixel is widened to 4; 16-bit values become the two bytes 0RRRRRGG GGGBBBBB.
inline void convertPixel(const uint8_t* src, uint8_t* dst, uint32_t fileBpp, uint32_t outBpp) {
    switch (fileBpp) {
        case 1: dst[0] = src[0]; break;
        case 2:
            dst[0] = src[1] & 0x7F;
            dst[1] = src[0];
            break;
        default:
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (outBpp == 4) dst[3] = fileBpp == 4 ? src[3] : 255;
            break;
    }
}

void convertRun(const uint8_t* src, uint8_t* dst, uint64_t count, uint32_t fileBpp, uint32_t outBpp) {
    switch (fileBpp) {
        case 1: std::memcpy(dst, src, count); break;
        case 2:
            for (uint64_t i = 0; i < count; ++i, src += 2, dst += 2) convertPixel(src, dst, 2, 2);
            break;
        case 3:
            if (outBpp == 4) expandRgb(src, dst, count, true);
            else swapRgb(src, dst, count);
            break;
        default: swapRgba(src, dst, count); break;
    }
}

// Rows go straight to their place: bottom-up files fill the picture from the last row.
uint32_t decodeRaw(const uint8_t* bytes, uint32_t size, const TgaLayout& l, uint8_t* out) {
    const uint64_t rowBytes = uint64_t(l.width) * l.fileBpp;
    const uint64_t outStride = uint64_t(l.width) * l.outBpp;
    if (l.pixelOffset + rowBytes * l.height > size) return KDGL_ERR_FILE_SIZE;
    const bool topFirst = l.descriptor & kOriginTop;
    for (uint32_t r = 0; r < l.height; ++r) {
        const uint32_t y = topFirst ? r : l.height - 1 - r;
        convertRun(bytes + l.pixelOffset + r * rowBytes, out + y * outStride, l.width, l.fileBpp, l.outBpp);
    }
    return KDGL_OK;
}

// Packets never write past width x height pixels; a packet that would is cut short.
uint32_t decodeRle(const uint8_t* bytes, uint32_t size, const TgaLayout& l, uint8_t* out) {
    const uint32_t bpp = l.fileBpp, outBpp = l.outBpp;
    const uint64_t total = uint64_t(l.width) * l.height;
    uint64_t pos = l.pixelOffset;
    for (uint64_t done = 0; done < total;) {
        if (pos >= size) return KDGL_ERR_FILE_SIZE;
        const uint8_t head = bytes[pos++];
        uint64_t count = (head & 0x7Fu) + 1;
        if (count > total - done) count = total - done;
        uint8_t* dst = out + done * outBpp;
        if (head & 0x80) {
            if (pos + bpp > size) return KDGL_ERR_FILE_SIZE;
            convertPixel(bytes + pos, dst, bpp, outBpp);
            for (uint64_t i = 1; i < count; ++i) std::memcpy(dst + i * outBpp, dst, outBpp);
            pos += bpp;
        } else {
            if (pos + count * bpp > size) return KDGL_ERR_FILE_SIZE;
            convertRun(bytes + pos, dst, count, bpp, outBpp);
            pos += count * bpp;
        }
        done += count;
    }
    return KDGL_OK;
}

uint32_t targetBits(uint32_t type) {
    switch (type) {
        case KDGL_TYPE_15BIT: return 15;
        case KDGL_TYPE_24BIT: return 24;
        case KDGL_TYPE_32BIT: return 32;
        default: return 0;
    }
}

// Source pixels of type 4 (0RRRRRGG GGGBBBBB), 5 or 513.
void packPixel(const uint8_t* src, uint32_t srcBpp, uint8_t* dst, uint32_t bits) {
    if (srcBpp == 2 && bits == 15) {
        dst[0] = src[1];
        dst[1] = src[0];
        return;
    }
    const Rgb rgb = srcBpp == 2 ? rgbFrom555(uint32_t(src[0]) << 8 | src[1]) : Rgb{src[0], src[1], src[2]};
    const uint8_t r = rgb.r, g = rgb.g, b = rgb.b;
    const uint8_t a = srcBpp == 4 ? src[3] : 255;
    if (bits == 15) {
        writeLe16(dst, uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | uint32_t(b >> 3));
        return;
    }
    dst[0] = b;
    dst[1] = g;
    dst[2] = r;
    if (bits == 32) dst[3] = a;
}

}  // namespace

namespace kdgl {

uint32_t readTga(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, Rgb* palette) {
    if (!bytes) return KDGL_ERR_MEMORY_USE;
    TgaLayout layout;
    Rgb newPalette[256];
    uint32_t status = readLayout(bytes, size, layout, newPalette);
    if (status != KDGL_OK) return status;
    const uint64_t count = uint64_t(layout.width) * layout.height;
    const uint64_t available = size - layout.pixelOffset;
    const uint64_t minimum = layout.rle ? (count + kMaxPacketPixels - 1) / kMaxPacketPixels * (1 + layout.fileBpp)
                                        : count * layout.fileBpp;
    if (minimum > available) return KDGL_ERR_FILE_SIZE;
    const bool widen = layout.fileBpp == 3 && wanted == KDGL_TYPE_32BIT;
    layout.outBpp = widen ? 4 : layout.fileBpp;
    if ((status = checkPictureSize(layout.width, layout.height, layout.outBpp)) != KDGL_OK) return status;
    uint8_t* pixels = nullptr;
    status = allocImage(count * layout.outBpp, &pixels);
    if (status != KDGL_OK) return status;
    status = layout.rle ? decodeRle(bytes, size, layout, pixels) : decodeRaw(bytes, size, layout, pixels);
    if (status != KDGL_OK) {
        std::free(pixels);
        return status;
    }
    if (layout.rle && !(layout.descriptor & kOriginTop)) flipRows(pixels, layout.width, layout.height, layout.outBpp);
    if (layout.descriptor & kOriginRight) flipColumns(pixels, layout.width, layout.height, layout.outBpp);
    std::memcpy(palette, newPalette, sizeof newPalette);
    out = Decoded{pixels, layout.width, layout.height, widen ? KDGL_TYPE_32BIT : layout.type};
    return KDGL_OK;
}

}  // namespace kdgl

uint32_t CCodecTGA::LoadFromMemory(const uint8_t* bytes, uint32_t size) {
    Decoded picture;
    return adopt(*this, readTga(bytes, size, 0, picture, palette), picture);
}

uint32_t CCodecTGA::LoadFromFile(const char* name) {
    return loadWholeFile(name, [this](const uint8_t* b, uint32_t s) { return LoadFromMemory(b, s); });
}

uint32_t CCodecTGA::SaveToFile(const char* name, const uint8_t* pixels, uint32_t w, uint32_t h,
                               uint32_t sourceType, uint32_t targetType) {
    if (w == 0 || h == 0 || w > 65535 || h > 65535) return KDGL_ERR_RESOLUTION;
    const uint32_t bits = targetBits(targetType);
    if (bits == 0 || (!isRgbType(sourceType) && sourceType != KDGL_TYPE_15BIT)) return KDGL_ERR_COLOR_DEPTH;
    if (!pixels) return KDGL_ERR_NULL_POINTER;
    const uint32_t srcBpp = bytesPerPixel(sourceType);
    const uint32_t dstBpp = (bits + 7) / 8;
    uint8_t header[kHeaderSize] = {};
    header[kImageType] = 2;  // uncompressed true colour
    writeLe16(header + kWidth, w);
    writeLe16(header + kHeight, h);
    header[kBits] = static_cast<uint8_t>(bits);
    header[kDescriptor] = bits == 32 ? 8 : 0;  // alpha bits; origin bottom left
    std::vector<uint8_t> row(uint64_t(w) * dstBpp);
    OutFile file(name);
    if (!file.isOpen()) return KDGL_ERR_FILE_WRITE;
    if (!file.write(header, sizeof header)) return KDGL_ERR_FILE_WRITE;
    for (uint32_t y = h; y-- > 0;) {
        const uint8_t* src = pixels + uint64_t(y) * w * srcBpp;
        for (uint32_t x = 0; x < w; ++x) packPixel(src + uint64_t(x) * srcBpp, srcBpp, &row[uint64_t(x) * dstBpp], bits);
        if (!file.write(row.data(), row.size())) return KDGL_ERR_FILE_WRITE;
    }
    return file.close() ? KDGL_OK : KDGL_ERR_FILE_WRITE;
}
