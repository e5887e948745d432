#include "format.h"

#include <cstring>

namespace platform::d3d8::raster {

namespace {

// An 8-bit channel to `bits` bits, rounded to nearest, and back by bit replication.
uint32_t down(uint32_t value, uint32_t bits) { return (value * ((1u << bits) - 1) + 127) / 255; }
uint32_t up(uint32_t value, uint32_t bits) {
    const uint32_t shifted = value << (8 - bits);
    return shifted | (shifted >> bits);  // bits is 4, 5 or 6
}

uint32_t channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

uint16_t pack16(PixelFormat format, uint32_t p) {
    const uint32_t a = channel(p, 24), r = channel(p, 16), g = channel(p, 8), b = channel(p, 0);
    switch (format) {
    case PixelFormat::Rgb565: return static_cast<uint16_t>(down(r, 5) << 11 | down(g, 6) << 5 | down(b, 5));
    case PixelFormat::Xrgb1555: return static_cast<uint16_t>(down(r, 5) << 10 | down(g, 5) << 5 | down(b, 5));
    case PixelFormat::Argb1555:
        return static_cast<uint16_t>((a >= 128 ? 0x8000 : 0) | down(r, 5) << 10 | down(g, 5) << 5 | down(b, 5));
    default: return static_cast<uint16_t>(down(a, 4) << 12 | down(r, 4) << 8 | down(g, 4) << 4 | down(b, 4));
    }
}

uint32_t unpack16(PixelFormat format, uint16_t v) {
    uint32_t a = 0xFF, r, g, b;
    switch (format) {
    case PixelFormat::Rgb565: r = up(v >> 11, 5), g = up((v >> 5) & 0x3F, 6), b = up(v & 0x1F, 5); break;
    case PixelFormat::Xrgb1555:
    case PixelFormat::Argb1555:
        r = up((v >> 10) & 0x1F, 5), g = up((v >> 5) & 0x1F, 5), b = up(v & 0x1F, 5);
        if (format == PixelFormat::Argb1555) a = (v & 0x8000) ? 0xFF : 0;
        break;
    default: a = up(v >> 12, 4), r = up((v >> 8) & 0xF, 4), g = up((v >> 4) & 0xF, 4), b = up(v & 0xF, 4); break;
    }
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

uint32_t bytesPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Argb8888:
    case PixelFormat::Xrgb8888: return 4;
    case PixelFormat::Rgb888: return 3;
    default: return 2;
    }
}

bool hasAlpha(PixelFormat format) {
    return format == PixelFormat::Argb8888 || format == PixelFormat::Argb1555 || format == PixelFormat::Argb4444;
}

void toNative(PixelFormat format, const uint32_t* from, uint8_t* to, int32_t count) {
    switch (bytesPerPixel(format)) {
    case 4: std::memcpy(to, from, size_t(count) * 4); return;
    case 3:
        for (int32_t i = 0; i < count; ++i) {
            to[3 * i] = static_cast<uint8_t>(from[i]);
            to[3 * i + 1] = static_cast<uint8_t>(from[i] >> 8);
            to[3 * i + 2] = static_cast<uint8_t>(from[i] >> 16);
        }
        return;
    default:
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t v = pack16(format, from[i]);
            std::memcpy(to + 2 * i, &v, 2);
        }
    }
}

void fromNative(PixelFormat format, const uint8_t* from, uint32_t* to, int32_t count) {
    switch (bytesPerPixel(format)) {
    case 4: std::memcpy(to, from, size_t(count) * 4); return;
    case 3:
        for (int32_t i = 0; i < count; ++i)
            to[i] = 0xFF000000u | uint32_t(from[3 * i + 2]) << 16 | uint32_t(from[3 * i + 1]) << 8 | from[3 * i];
        return;
    default:
        for (int32_t i = 0; i < count; ++i) {
            uint16_t v;
            std::memcpy(&v, from + 2 * i, 2);
            to[i] = unpack16(format, v);
        }
    }
}

uint32_t roundTrip(PixelFormat format, uint32_t argb) {
    uint8_t bytes[4];
    uint32_t back;
    toNative(format, &argb, bytes, 1);
    fromNative(format, bytes, &back, 1);
    return back;
}

}  // namespace platform::d3d8::raster
