// Shared helpers of the KaldorGL suites: owned buffers and byte-built files.
#pragma once

#include <kaldorgl/kaldorgl.h>

#include "testsupport.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace kdgltest {

using kvtest::Bytes;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Owned = std::unique_ptr<uint8_t, FreeDeleter>;

inline Bytes bytesOf(const uint8_t* data, size_t count) { return Bytes(data, data + count); }

// Takes ownership of a buffer an effect produced and returns its first `count` bytes (none
// for null).
inline Bytes produced(uint8_t* data, size_t count) {
    Owned owned(data);
    return owned ? bytesOf(owned.get(), count) : Bytes{};
}

// Takes ownership of a canvas's pixels and returns them as bytes.
inline Bytes takeCanvas(KDGL_CANVAS& canvas, size_t count) {
    Owned owned(canvas.data);
    canvas.data = nullptr;
    return owned ? bytesOf(owned.get(), count) : Bytes{};
}

// A bitmap with a 40-byte info header; `pixels` are the file rows as stored.
inline Bytes bmpFile(int32_t width, int32_t height, uint16_t bits, const Bytes& palette,
                     const Bytes& pixels, uint32_t colorsUsed = 0, uint32_t compression = 0) {
    Bytes out = {'B', 'M'};
    const uint32_t offset = 54 + static_cast<uint32_t>(palette.size());
    kvtest::put32(out, offset + static_cast<uint32_t>(pixels.size()));
    kvtest::put32(out, 0);
    kvtest::put32(out, offset);
    kvtest::put32(out, 40);
    kvtest::put32(out, static_cast<uint32_t>(width));
    kvtest::put32(out, static_cast<uint32_t>(height));
    kvtest::put16(out, 1);
    kvtest::put16(out, bits);
    kvtest::put32(out, compression);
    kvtest::put32(out, static_cast<uint32_t>(pixels.size()));
    kvtest::put32(out, 11811);
    kvtest::put32(out, 11811);
    kvtest::put32(out, colorsUsed);
    kvtest::put32(out, 0);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// A 128-byte PCX header followed by `body`.
inline Bytes pcxFile(uint16_t width, uint16_t height, uint8_t bits, uint8_t planes,
                     uint16_t bytesPerLine, const Bytes& body) {
    Bytes out(128, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = bits;
    out[8] = static_cast<uint8_t>(width - 1);
    out[9] = static_cast<uint8_t>((width - 1) >> 8);
    out[10] = static_cast<uint8_t>(height - 1);
    out[11] = static_cast<uint8_t>((height - 1) >> 8);
    out[65] = planes;
    out[66] = static_cast<uint8_t>(bytesPerLine);
    out[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// An 18-byte TGA header followed by `body`.
inline Bytes tgaFile(uint8_t imageType, uint16_t width, uint16_t height, uint8_t bits,
                     uint8_t descriptor, const Bytes& body, uint8_t idLength = 0,
                     uint8_t mapType = 0, uint16_t mapFirst = 0, uint16_t mapLength = 0,
                     uint8_t mapBits = 0) {
    Bytes out = {idLength, mapType, imageType};
    kvtest::put16(out, mapFirst);
    kvtest::put16(out, mapLength);
    out.push_back(mapBits);
    kvtest::put32(out, 0);
    kvtest::put16(out, width);
    kvtest::put16(out, height);
    out.push_back(bits);
    out.push_back(descriptor);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace kdgltest
