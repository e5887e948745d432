// Single-pixel access, colour-depth conversion and device bitmaps.
#include "internal.h"
#include "rows.h"

#include <kaldorgl/kaldorgl.h>

#include <cstring>
#include <vector>

using namespace kdgl;

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

inline bool readPixel(const uint8_t* p, uint32_t type, const Rgb* palette, Rgba& out) {
    switch (type) {
        case KDGL_TYPE_8BIT:
            if (!palette) return false;
            out = Rgba{palette[p[0]].r, palette[p[0]].g, palette[p[0]].b, 255};
            return true;
        case KDGL_TYPE_15BIT:
            out = Rgba{uint8_t((p[0] & 0x7C) << 1), uint8_t(((p[0] & 3) << 6) | ((p[1] & 0xE0) >> 2)),
                       uint8_t((p[1] & 0x1F) << 3), 255};
            return true;
        case KDGL_TYPE_24BIT: out = Rgba{p[0], p[1], p[2], 255}; return true;
        case KDGL_TYPE_32BIT: out = Rgba{p[0], p[1], p[2], p[3]}; return true;
        default: return false;
    }
}

inline bool writePixel(uint8_t* p, uint32_t type, const Rgba& v) {
    switch (type) {
        case KDGL_TYPE_15BIT:
            p[0] = static_cast<uint8_t>(((v.r >> 3) << 2) | (v.g >> 6));
            p[1] = static_cast<uint8_t>((((v.g >> 3) & 7) << 5) | (v.b >> 3));
            return true;
        case KDGL_TYPE_24BIT:
            p[0] = v.r;
            p[1] = v.g;
            p[2] = v.b;
            return true;
        case KDGL_TYPE_32BIT:
            p[0] = v.r;
            p[1] = v.g;
            p[2] = v.b;
            p[3] = v.a;
            return true;
        default: return false;
    }
}

bool inside(const uint8_t* data, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    return data && width && height && x < width && y < height;
}

uint32_t depthBits(uint32_t type) {
    switch (type) {
        case KDGL_TYPE_4BIT: return 4;
        case KDGL_TYPE_8BIT: return 8;
        case KDGL_TYPE_15BIT: return 16;
        case KDGL_TYPE_24BIT: return 24;
        case KDGL_TYPE_32BIT: return 32;
        default: return 0;
    }
}

// One loop per pair of types, so that the pixel access folds to straight-line code.
template <uint32_t Source, uint32_t Target>
void convertPixels(const uint8_t* src, uint8_t* dst, uint64_t count, const Rgb* palette) {
    constexpr uint32_t srcBpp = Source == KDGL_TYPE_8BIT ? 1 : Source == KDGL_TYPE_15BIT ? 2 : Source == KDGL_TYPE_24BIT ? 3 : 4;
    constexpr uint32_t dstBpp = Target == KDGL_TYPE_15BIT ? 2 : Target == KDGL_TYPE_24BIT ? 3 : 4;
    if constexpr (Source == KDGL_TYPE_24BIT && Target == KDGL_TYPE_32BIT) {
        expandRgb(src, dst, count, false);
        return;
    }
    Rgba v{};
    for (uint64_t i = 0; i < count; ++i, src += srcBpp, dst += dstBpp) {
        readPixel(src, Source, palette, v);
        writePixel(dst, Target, v);
    }
}

template <uint32_t Source>
bool convertTo(uint32_t target, const uint8_t* src, uint8_t* dst, uint64_t count, const Rgb* palette) {
    switch (target) {
        case KDGL_TYPE_15BIT: convertPixels<Source, KDGL_TYPE_15BIT>(src, dst, count, palette); return true;
        case KDGL_TYPE_24BIT: convertPixels<Source, KDGL_TYPE_24BIT>(src, dst, count, palette); return true;
        case KDGL_TYPE_32BIT: convertPixels<Source, KDGL_TYPE_32BIT>(src, dst, count, palette); return true;
        default: return false;
    }
}

// False when a pixel of one of the types cannot be read or written.
bool convert(uint32_t source, uint32_t target, const uint8_t* src, uint8_t* dst, uint64_t count, const Rgb* palette) {
    switch (source) {
        case KDGL_TYPE_8BIT: return palette && convertTo<KDGL_TYPE_8BIT>(target, src, dst, count, palette);
        case KDGL_TYPE_15BIT: return convertTo<KDGL_TYPE_15BIT>(target, src, dst, count, palette);
        case KDGL_TYPE_24BIT: return convertTo<KDGL_TYPE_24BIT>(target, src, dst, count, palette);
        case KDGL_TYPE_32BIT: return convertTo<KDGL_TYPE_32BIT>(target, src, dst, count, palette);
        default: return false;
    }
}

HBITMAP lastBitmap = nullptr;

}  // namespace

bool CKaldorGL::CanvasGetPixel(const uint8_t* data, uint32_t x, uint32_t y, uint32_t width,
                               uint32_t height, uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a,
                               uint32_t type, const Rgb* palette) {
    const uint32_t bpp = bytesPerPixel(type);
    if (!inside(data, x, y, width, height) || !bpp || !r || !g || !b || !a) return false;
    Rgba v;
    if (!readPixel(data + (uint64_t(y) * width + x) * bpp, type, palette, v)) return false;
    *r = v.r;
    *g = v.g;
    *b = v.b;
    *a = v.a;
    return true;
}

bool CKaldorGL::CanvasSetPixel(uint8_t* data, uint32_t x, uint32_t y, uint32_t width,
                               uint32_t height, uint8_t r, uint8_t g, uint8_t b, uint8_t a,
                               uint32_t type) {
    const uint32_t bpp = bytesPerPixel(type);
    if (!inside(data, x, y, width, height) || !bpp) return false;
    return writePixel(data + (uint64_t(y) * width + x) * bpp, type, Rgba{r, g, b, a});
}

uint32_t CKaldorGL::FX_ChangeColorDepth(uint32_t width, uint32_t height, uint32_t sourceType,
                                        uint32_t targetType, const Rgb* palette) {
    const uint32_t srcBpp = bytesPerPixel(sourceType);
    const uint32_t dstBits = depthBits(targetType);
    if (!canvas.data) return KDGL_ERR_NULL_POINTER;
    if (!width || !height) return KDGL_OK;
    // A type without a pixel reader or writer fails on the first pixel.
    if (!srcBpp || !dstBits) return KDGL_ERR_PIXEL;
    uint8_t* converted = nullptr;
    if (allocImage(uint64_t(width) * height * dstBits / 8, &converted) != KDGL_OK) return KDGL_ERR_ALLOC;
    if (!convert(sourceType, targetType, canvas.data, converted, uint64_t(width) * height, palette)) {
        std::free(converted);
        return KDGL_ERR_PIXEL;
    }
    std::free(canvas.data);
    canvas.data = converted;
    return KDGL_OK;
}

HBITMAP CKaldorGL::CreateBitmap(uint8_t* data, void*, uint32_t width, uint32_t height,
                                uint32_t type, bool swapRedBlue) {
    if (!data || !width || !height || (type != KDGL_TYPE_8BIT && !isRgbType(type))) return nullptr;
    if (width > INT32_MAX || height > INT32_MAX) return nullptr;
    const uint32_t bpp = bytesPerPixel(type);
    if (swapRedBlue && type != KDGL_TYPE_8BIT)
        for (uint64_t i = 0, end = pixelBytes(width, height, bpp); i < end; i += bpp) std::swap(data[i], data[i + 2]);
    // Device bitmap rows are top first and padded to an even number of bytes.
    const uint64_t rowBytes = uint64_t(width) * bpp;
    const uint64_t stride = (rowBytes + 1) / 2 * 2;
    if (stride * height > budget().maxBytes) return nullptr;
    std::vector<uint8_t> padded(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y) std::memcpy(&padded[y * stride], data + y * rowBytes, rowBytes);
    HBITMAP bitmap = ::CreateBitmap(static_cast<int>(width), static_cast<int>(height), 1, bpp * 8, padded.data());
    lastBitmap = bitmap;
    return bitmap;
}
