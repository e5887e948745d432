// Run-length PCX, version 5.
#include "internal.h"
#include "rows.h"

#include <kaldorgl/kdgl_codecs.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace kdgl;

namespace {

constexpr uint32_t kHeaderSize = 128;
constexpr uint32_t kPaletteTail = 769;  // marker 12 and 256 R, G, B entries
constexpr uint8_t kPaletteMarker = 12;
constexpr uint32_t kMaxRun = 63;

// The header's fields in file order.
KDGL_PCX_HEADER readHeader(const uint8_t* b) {
    kvsupport::ByteCursor in(b, kHeaderSize);
    KDGL_PCX_HEADER h;
    h.manufacturer = in.u8();
    h.version = in.u8();
    h.encoding = in.u8();
    h.bitsPerPixel = in.u8();
    h.xmin = in.le16();
    h.ymin = in.le16();
    h.xmax = in.le16();
    h.ymax = in.le16();
    h.hres = in.le16();
    h.vres = in.le16();
    in.bytes(h.palette16, sizeof h.palette16);
    h.reserved = in.u8();
    h.planes = in.u8();
    h.bytesPerLine = in.le16();
    h.paletteInfo = in.le16();
    in.bytes(h.filler, sizeof h.filler);
    return h;
}

// The same order; the 16-colour palette, the reserved byte and the filler stay zero.
void writeHeader(const KDGL_PCX_HEADER& h, uint8_t* b) {
    std::memset(b, 0, kHeaderSize);
    kvsupport::ByteWriter out(b, kHeaderSize);
    out.u8(h.manufacturer);
    out.u8(h.version);
    out.u8(h.encoding);
    out.u8(h.bitsPerPixel);
    out.le16(h.xmin);
    out.le16(h.ymin);
    out.le16(h.xmax);
    out.le16(h.ymax);
    out.le16(h.hres);
    out.le16(h.vres);
    out.skip(sizeof h.palette16 + sizeof h.reserved);
    out.u8(h.planes);
    out.le16(h.bytesPerLine);
    out.le16(h.paletteInfo);
}

uint32_t checkHeader(const KDGL_PCX_HEADER& h, uint32_t& width, uint32_t& height) {
    if (h.manufacturer != 10 || h.version != 5 || h.encoding != 1) return KDGL_ERR_UNSUPPORTED;
    if (h.planes != 1 && h.planes != 3 && h.planes != 4) return KDGL_ERR_COMPRESSION;
    const uint8_t bits = h.bitsPerPixel;
    const bool bitsOk = h.planes == 1 ? (bits == 1 || bits == 2 || bits == 8) : (bits == 1 || bits == 8);
    if (!bitsOk) return KDGL_ERR_STRUCTURE;
    if (h.xmax < h.xmin || h.ymax < h.ymin) return KDGL_ERR_RESOLUTION;
    width = uint32_t(h.xmax) - h.xmin + 1;
    height = uint32_t(h.ymax) - h.ymin + 1;
    if (uint64_t(h.bytesPerLine) * 8 < uint64_t(width) * bits) return KDGL_ERR_STRUCTURE;
    return KDGL_OK;
}

// Room the vector decoder may write past a scan line.
constexpr uint32_t kLineSlack = 16;

// Decodes the rest of one scan line from `filled` on; false when the data ends first. Run
// bytes beyond the line are dropped, so every row starts with a fresh packet.
bool decodeLine(const uint8_t* bytes, uint32_t size, uint64_t& pos, uint8_t* line, uint32_t filled, uint32_t length) {
    while (filled < length) {
        if (pos >= size) return false;
        const uint8_t packet = bytes[pos++];
        if (packet <= 192) {
            line[filled++] = packet;
            continue;
        }
        if (pos >= size) return false;
        const uint8_t value = bytes[pos++];
        uint32_t count = packet & 0x3F;
        if (count > length - filled) count = length - filled;
        std::memset(line + filled, value, count);
        filled += count;
    }
    return true;
}

#if defined(__SSE2__)
// The same, sixteen bytes at a time while they last: literals (bytes up to 192) go out sixteen
// at a time, or those before the first run packet among them in one store; runs in stores of
// sixteen copies, one packet after another while runs follow. Stores reach up to kLineSlack
// bytes past the line. Whole literal blocks and runs after runs advance the data by a fixed
// step, so the processor can read ahead of the branch that tells them apart.
bool decodeLineSse2(const uint8_t* bytes, uint32_t size, uint64_t& pos, uint8_t* line, uint32_t length) {
    const __m128i firstRunPacket = _mm_set1_epi8(char(193));
    uint32_t filled = 0;
    while (filled < length && size - pos >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
        const __m128i isRun = _mm_cmpeq_epi8(_mm_max_epu8(chunk, firstRunPacket), chunk);
        const unsigned runs = unsigned(_mm_movemask_epi8(isRun));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + filled), chunk);
        if (runs == 0 && length - filled >= 16) {
            filled += 16;
            pos += 16;
            continue;
        }
        const uint32_t literals = std::min(uint32_t(std::countr_zero(runs | 0x10000u)), length - filled);
        filled += literals;
        pos += literals;
        while (filled < length && size - pos >= 2 && bytes[pos] > 192) {
            const uint32_t count = std::min<uint32_t>(bytes[pos] & 0x3F, length - filled);
            const __m128i copies = _mm_set1_epi8(char(bytes[pos + 1]));
            for (uint32_t k = 0; k < count; k += 16)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(line + filled + k), copies);
            filled += count;
            pos += 2;
        }
    }
    return decodeLine(bytes, size, pos, line, filled, length);
}
#endif

// The vector decoder where the processor has it (tests cap it to compare).
bool decodeScanLine(const uint8_t* bytes, uint32_t size, uint64_t& pos, uint8_t* line, uint32_t length) {
#if defined(__SSE2__)
    if (rowsSimd() >= Simd::Sse2) return decodeLineSse2(bytes, size, pos, line, length);
#endif
    return decodeLine(bytes, size, pos, line, 0, length);
}

inline uint32_t bitAt(const uint8_t* plane, uint32_t x, uint32_t bits) {
    const uint32_t perByte = 8 / bits;
    const uint32_t shift = 8 - bits * (1 + x % perByte);
    return (plane[x / perByte] >> shift) & ((1u << bits) - 1);
}

// Places one decoded scan line as the row's pixels: indices, or R, G, B(, A) at `outBpp`
// bytes a pixel (3-plane pictures may be widened to R, G, B, 255).
void storeRow(const KDGL_PCX_HEADER& h, const uint8_t* line, uint8_t* row, uint32_t width, uint32_t outBpp) {
    const uint32_t planes = h.planes;
    const uint32_t bpl = h.bytesPerLine;
    if (h.bitsPerPixel == 8 && planes == 3 && outBpp == 4) {
        interleavePlanes(line, line + bpl, line + 2 * bpl, row, width);
        return;
    }
    if (h.bitsPerPixel == 8) {
        for (uint32_t p = 0; p < planes; ++p)
            for (uint32_t x = 0; x < width; ++x) row[x * planes + p] = line[p * bpl + x];
        return;
    }
    if (planes == 1) {
        for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(bitAt(line, x, h.bitsPerPixel));
        return;
    }
    // One bit a plane: the planes' bits form an index into the 16-colour header palette.
    for (uint32_t x = 0; x < width; ++x) {
        uint32_t index = 0;
        for (uint32_t p = 0; p < planes; ++p) index |= bitAt(line + p * bpl, x, 1) << p;
        const uint8_t* colour = h.palette16 + index * 3;
        uint8_t* out = row + x * outBpp;
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
        if (outBpp == 4) out[3] = 255;
    }
}

void setSmallPalette(const KDGL_PCX_HEADER& h, Rgb* palette) {
    std::memset(palette, 0, sizeof(Rgb) * 256);
    if (h.bitsPerPixel == 1 && h.planes == 1) {
        palette[1] = Rgb{255, 255, 255};
        return;
    }
    for (uint32_t i = 0; i < 16; ++i)
        palette[i] = Rgb{h.palette16[i * 3], h.palette16[i * 3 + 1], h.palette16[i * 3 + 2]};
}

uint32_t readTailPalette(const uint8_t* bytes, uint32_t size, uint64_t pos, Rgb* palette) {
    if (pos + kPaletteTail > size) return KDGL_ERR_FILE_SIZE;
    if (bytes[pos] != kPaletteMarker) return KDGL_ERR_STRUCTURE;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint8_t* entry = bytes + pos + 1 + i * 3;
        palette[i] = Rgb{entry[0], entry[1], entry[2]};
    }
    return KDGL_OK;
}

// Encodes one plane row: runs of up to 63 equal bytes; single bytes below 192 stay bare.
void encodePlaneRow(const uint8_t* src, uint32_t step, uint32_t width, std::vector<uint8_t>& out) {
    out.clear();
    for (uint32_t x = 0; x < width;) {
        const uint8_t value = src[uint64_t(x) * step];
        uint32_t run = 1;
        while (x + run < width && run < kMaxRun && src[uint64_t(x + run) * step] == value) ++run;
        if (run == 1 && value < 192) {
            out.push_back(value);
        } else {
            out.push_back(static_cast<uint8_t>(192 + run));
            out.push_back(value);
        }
        x += run;
    }
}

}  // namespace

namespace kdgl {

uint32_t readPcx(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, KDGL_PCX_HEADER& header,
                 Rgb* palette) {
    if (!bytes) return KDGL_ERR_NULL_POINTER;
    if (size < kHeaderSize) return KDGL_ERR_FILE_SIZE;
    header = readHeader(bytes);
    uint32_t w = 0;
    uint32_t h = 0;
    uint32_t status = checkHeader(header, w, h);
    if (status != KDGL_OK) return status;
    const uint32_t lineLength = uint32_t(header.bytesPerLine) * header.planes;
    // Every line needs at least one byte per 63 decoded ones: refuse impossible sizes
    // before allocating for them.
    const uint64_t minLineBytes = (lineLength + kMaxRun - 1) / kMaxRun;
    if (uint64_t(h) * minLineBytes > size - kHeaderSize) return KDGL_ERR_FILE_SIZE;
    const uint32_t outBpp = header.planes == 3 && wanted == KDGL_TYPE_32BIT ? 4 : header.planes;
    if ((status = checkPictureSize(w, h, outBpp)) != KDGL_OK) return status;
    uint8_t* pixels = nullptr;
    status = allocImage(pixelBytes(w, h, outBpp), &pixels);
    if (status != KDGL_OK) return status;
    std::vector<uint8_t> line(uint64_t(lineLength) + kLineSlack);
    uint64_t pos = kHeaderSize;
    const uint64_t rowBytes = uint64_t(w) * outBpp;
    for (uint32_t y = 0; y < h; ++y) {
        if (!decodeScanLine(bytes, size, pos, line.data(), lineLength)) {
            std::free(pixels);
            return KDGL_ERR_FILE_SIZE;
        }
        storeRow(header, line.data(), pixels + y * rowBytes, w, outBpp);
    }
    Rgb newPalette[256];
    setSmallPalette(header, newPalette);
    if (header.planes == 1 && header.bitsPerPixel == 8) {
        status = readTailPalette(bytes, size, pos, newPalette);
        if (status != KDGL_OK) {
            std::free(pixels);
            return status;
        }
    }
    std::memcpy(palette, newPalette, sizeof newPalette);
    const uint32_t type = header.planes == 1 ? KDGL_TYPE_8BIT : outBpp == 3 ? KDGL_TYPE_24BIT : KDGL_TYPE_32BIT;
    out = Decoded{pixels, w, h, type};
    return KDGL_OK;
}

}  // namespace kdgl

uint32_t CCodecPCX::LoadFromMemory(const uint8_t* bytes, uint32_t size) {
    Decoded picture;
    const uint32_t status = readPcx(bytes, size, 0, picture, header, palette);
    if (status == KDGL_OK) data = picture.data;
    return status;
}

uint32_t CCodecPCX::LoadFromFile(const char* name) {
    return loadWholeFile(name, [this](const uint8_t* b, uint32_t s) { return LoadFromMemory(b, s); });
}

uint32_t CCodecPCX::SaveToFile(const char* name, const uint8_t* pixels, uint32_t w, uint32_t h,
                               uint32_t type) {
    if (!isRgbType(type)) return KDGL_ERR_UNSUPPORTED;
    if (w == 0 || h == 0 || w > 65535 || h > 65536) return KDGL_ERR_RESOLUTION;
    if (!pixels) return KDGL_ERR_NULL_POINTER;
    const uint32_t planes = bytesPerPixel(type);
    KDGL_PCX_HEADER out = {};
    out.manufacturer = 10;
    out.version = 5;
    out.encoding = 1;
    out.bitsPerPixel = 8;
    out.xmax = static_cast<uint16_t>(w - 1);
    out.ymax = static_cast<uint16_t>(h - 1);
    out.hres = 72;
    out.vres = 72;
    out.planes = static_cast<uint8_t>(planes);
    out.bytesPerLine = static_cast<uint16_t>(w);
    out.paletteInfo = 1;
    OutFile file(name);
    if (!file.isOpen()) return KDGL_ERR_FILE_CREATE;
    uint8_t bytes[kHeaderSize];
    writeHeader(out, bytes);
    if (!file.write(bytes, sizeof bytes)) return KDGL_ERR_FILE_WRITE;
    std::vector<uint8_t> packets;
    packets.reserve(uint64_t(w) * 2);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = pixels + uint64_t(y) * w * planes;
        for (uint32_t p = 0; p < planes; ++p) {
            encodePlaneRow(row + p, planes, w, packets);
            if (!file.write(packets.data(), packets.size())) return KDGL_ERR_FILE_WRITE;
        }
    }
    return file.close() ? KDGL_OK : KDGL_ERR_FILE_WRITE;
}
