// Helpers shared by the codecs and effects; not installed.
#pragma once

#include <kaldorgl/kdgl_codecs.h>
#include <kaldorgl/kdgl_core.h>
#include <platform/decode_budget.h>
#include <support/bytes.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kdgl {

// The decoding budget of KDGL_SetPixelBudget.
platform::DecodeBudget budget();

// 257 when a picture of width x height pixels of bpp bytes is more than the budget allows;
// every reader asks before it allocates anything for the picture.
uint32_t checkPictureSize(uint64_t width, uint64_t height, uint32_t bpp);

using kvsupport::readLe16;
using kvsupport::readLe32;
using kvsupport::writeLe16;
using kvsupport::writeLe32;

// Bytes a pixel of an unpacked colour type takes; 0 for packed or unknown types.
inline uint32_t bytesPerPixel(uint32_t type) {
    switch (type) {
        case KDGL_TYPE_8BIT: return 1;
        case KDGL_TYPE_15BIT:
        case KDGL_TYPE_16BIT: return 2;
        case KDGL_TYPE_24BIT: return 3;
        case KDGL_TYPE_32BIT: return 4;
        default: return 0;
    }
}

inline bool isRgbType(uint32_t type) { return type == KDGL_TYPE_24BIT || type == KDGL_TYPE_32BIT; }

inline uint64_t pixelBytes(uint32_t width, uint32_t height, uint32_t bpp) {
    return uint64_t(width) * height * bpp;
}

// Allocates `bytes` (computed in 64 bits by the caller): 257 when the budget allows no
// buffer that large, 513 when the allocator refuses.
uint32_t allocImage(uint64_t bytes, uint8_t** out);

// For the producing effects, which report failure as null.
inline uint8_t* allocOrNull(uint64_t bytes) {
    uint8_t* out = nullptr;
    allocImage(bytes, &out);
    return out;
}

// Reads the whole file and passes it to `decode(bytes, size)`; the buffer is released after.
template <typename Decode>
uint32_t loadWholeFile(const char* name, Decode decode) {
    CKDGLFile file;
    uint32_t status = file.OpenR(name);
    if (status != KDGL_OK) return status;
    status = file.ReadAll();
    file.Close();
    if (status == KDGL_OK) status = decode(file.buffer, static_cast<uint32_t>(file.size));
    std::free(file.buffer);
    return status;
}

// A binary output file closed on every path.
class OutFile {
public:
    explicit OutFile(const char* name) : file_(name ? std::fopen(name, "wb") : nullptr) {}
    ~OutFile() { close(); }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool write(const void* bytes, size_t count) {
        return count == 0 || std::fwrite(bytes, 1, count, file_) == count;
    }
    // False when buffered bytes could not be written out.
    bool close() {
        if (!file_) return true;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

private:
    std::FILE* file_;
};

}  // namespace kdgl

namespace kdgl {

// A reader's result before it reaches a codec object or the canvas.
struct Decoded {
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t type = 0;
};

// The readers behind the codec classes. With `wanted` 513, 3-byte pictures come out as
// R, G, B, 255 in one pass; otherwise (0) each keeps its stored depth. The palette (256
// entries) and the PCX header are written on success only, except that the header is
// always read.
uint32_t readBmp(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, Rgb* palette);
uint32_t readTga(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, Rgb* palette);
uint32_t readPcx(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, KDGL_PCX_HEADER& header,
                 Rgb* palette);

// Hands a reader's result to a codec object with data, width, height and type fields.
template <class Codec>
uint32_t adopt(Codec& codec, uint32_t status, const Decoded& picture) {
    if (status != KDGL_OK) return status;
    codec.data = picture.data;
    codec.width = picture.width;
    codec.height = picture.height;
    codec.type = picture.type;
    return KDGL_OK;
}

// JPEG output: 3 (R, G, B) or 4 (R, G, B, A = 255) bytes a pixel, rows bottom or top first.
struct JpegLayout {
    uint32_t bytesPerPixel;
    bool bottomFirst;
};
// 1 when the file cannot be opened, 257 over the budget, 259 for data the library refuses;
// `warnings` are those of this load, failed or not.
uint32_t loadJpegFile(const char* name, const JpegLayout& layout, Decoded& out, KDGL_WARNINGS& warnings);

// Row and column reversal of an unpadded buffer of `bpp`-byte pixels.
void flipRows(uint8_t* data, uint32_t width, uint32_t height, uint32_t bpp);
void flipColumns(uint8_t* data, uint32_t width, uint32_t height, uint32_t bpp);

}  // namespace kdgl
