// The engine's picture loaders. Decoding goes through the suite's own readers (KaldorGL and
// kvIDecoder), so there is one reader per format; the engine keeps its dispatch, its status
// codes and its pixel layout (B, G, R, A, rows top first).
#include <tovren/image.h>

#include <tovren/debug.h>

#include <kaldorgl/kaldorgl.h>
#include <kvicodec/kvidecoder.h>
#include <platform/textfile.h>
#include <support/bmp_header.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace {

struct FreeBytes {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};
using Bytes = std::unique_ptr<uint8_t, FreeBytes>;

// Only regular files: a FIFO or a device could block a load for ever.
bool isRegularFile(const char* name) {
    std::error_code error;
    return name && std::filesystem::is_regular_file(name, error);
}

// The whole file: 3 when it cannot be opened or read, 0x101 when it cannot be held.
uint32_t readWholeFile(const char* name, std::string& bytes) {
    if (!name) return TOVREN_ERR_OPEN_FILE;
    try {
        switch (platform::readTextFile(name, bytes, UINT32_MAX)) {
        case platform::TextFileStatus::Ok: return TOVREN_OK;
        case platform::TextFileStatus::TooLarge: return TOVREN_ERR_MEMORY;
        default: return TOVREN_ERR_OPEN_FILE;
        }
    } catch (const std::bad_alloc&) {
        return TOVREN_ERR_MEMORY;
    }
}

// What the engine refuses before KaldorGL sees the file.
uint32_t checkBmp(const uint8_t* bytes, uint32_t size) {
    namespace bmp = kvsupport::bmp;
    if (size < 2 || bytes[0] != 'B' || bytes[1] != 'M') return TOVREN_ERR_TEXTURE_FORMAT;
    if (size < bmp::kHeadersSize) return TOVREN_ERR_FILE_SIZE;
    const uint8_t* info = bytes + bmp::kFileHeaderSize;
    const uint32_t bits = kvsupport::readLe16(info + bmp::kBitCount);
    const uint32_t compression = kvsupport::readLe32(info + bmp::kCompression);
    if (compression != 0 || bits == 2 || bits == 16) return TOVREN_ERR_TEXTURE_FORMAT;
    // An empty picture is malformed; every other size KaldorGL refuses is over the budget.
    const auto width = static_cast<int32_t>(kvsupport::readLe32(info + bmp::kWidth));
    const auto height = static_cast<int32_t>(kvsupport::readLe32(info + bmp::kHeight));
    if (width <= 0 || height == 0 || height == INT32_MIN) return TOVREN_ERR_TEXTURE_FORMAT;
    return TOVREN_OK;
}

// Manufacturer 10, version 5, run-length encoding: the only PCX files KaldorGL reads.
constexpr uint8_t kPcxStart[] = {10, 5, 1};
constexpr uint32_t kPcxHeaderSize = 128;

uint32_t checkPcx(const uint8_t* bytes, uint32_t size) {
    if (size < kPcxHeaderSize) return TOVREN_ERR_FILE_SIZE;
    if (std::memcmp(bytes, kPcxStart, sizeof kPcxStart) != 0) return TOVREN_ERR_TEXTURE_FORMAT;
    return TOVREN_OK;
}

// The picture size in a Targa header.
constexpr uint32_t kTgaWidth = 12;
constexpr uint32_t kTgaHeight = 14;

uint32_t checkTga(const uint8_t* bytes, uint32_t size) {
    if (size >= kTgaHeight + 2 &&
        (kvsupport::readLe16(bytes + kTgaWidth) == 0 || kvsupport::readLe16(bytes + kTgaHeight) == 0))
        return TOVREN_ERR_TEXTURE_FORMAT;
    return TOVREN_OK;
}

// A picture over the decoding budget is one the engine could not allocate: 0x101.
uint32_t fromKaldorGL(uint32_t status) {
    switch (status) {
    case KDGL_OK: return TOVREN_OK;
    case KDGL_ERR_FILE_SIZE: return TOVREN_ERR_FILE_SIZE;
    case KDGL_ERR_ALLOC:
    case KDGL_ERR_RESOLUTION: return TOVREN_ERR_MEMORY;
    default: return TOVREN_ERR_TEXTURE_FORMAT;
    }
}

void swapRedBlue(uint8_t* pixels, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i, pixels += 4) std::swap(pixels[0], pixels[2]);
}

void takePicture(cTOVREN_Image& image, uint8_t* pixels, uint32_t width, uint32_t height) {
    image.pixels = pixels;
    image.width = width;
    image.height = height;
}

using Check = uint32_t (*)(const uint8_t*, uint32_t);

// Reads the file, lets `check` refuse it, decodes it with KaldorGL as 32-bit R, G, B, A
// (palettes applied, rows top first) and reorders the channels.
uint32_t loadThroughKaldorGL(cTOVREN_Image& image, const char* name, uint32_t format, Check check) {
    std::string file;
    if (const uint32_t status = readWholeFile(name, file)) return status;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    const auto size = static_cast<uint32_t>(file.size());
    if (check) {
        if (const uint32_t status = check(bytes, size)) return status;
    }
    CKaldorGL decoder;
    const uint32_t status = fromKaldorGL(decoder.LoadImageFromMemAs32(bytes, size, format));
    Bytes pixels(decoder.canvas.data);
    if (status != TOVREN_OK) return status;
    const KDGL_CANVAS& canvas = decoder.canvas;
    swapRedBlue(pixels.get(), uint64_t{canvas.width} * canvas.height);
    takePicture(image, pixels.release(), canvas.width, canvas.height);
    return TOVREN_OK;
}

// A pixel buffer of width x height x 4 bytes, or null.
uint8_t* allocPixels(uint32_t width, uint32_t height) {
    const uint64_t bytes = uint64_t{width} * height * 4;
    if (bytes > SIZE_MAX) return nullptr;
    return static_cast<uint8_t*>(std::malloc(bytes ? static_cast<size_t>(bytes) : 1));
}

// A decoder object that gives back its buffers and file whichever way it is left.
struct KviDecoder : CKVIDECODER {
    KviDecoder() : CKVIDECODER{} { Reset(); }
    KviDecoder(const KviDecoder&) = delete;
    KviDecoder& operator=(const KviDecoder&) = delete;
    ~KviDecoder() {
        std::free(data);
        std::free(work);
        std::free(image);
        CloseFile();
    }
};

// The decoder gives one code for an empty picture, one over the budget and one larger than
// its data; the engine reports the second as a failed allocation.
bool overBudget(const CKVIDECODER& decoder) {
    uint64_t maxPixels = 0, maxBytes = 0;
    KVIDECODER_GetPixelBudget(&maxPixels, &maxBytes);
    const uint64_t pixels = uint64_t{decoder.width} * decoder.height;
    return pixels > maxPixels || pixels * ((decoder.bitsPerPixel + 7u) / 8u) > maxBytes;
}

uint32_t decodeKvi(KviDecoder& decoder, const char* name) {
    if (!isRegularFile(name) || decoder.OpenFile(name)) return TOVREN_ERR_OPEN_FILE;
    if (decoder.ReadHeader()) return TOVREN_ERR_IMAGE_HEADER;
    if (decoder.ReadData()) return TOVREN_ERR_FILE_READ;
    if (const uint32_t status = decoder.DecompressImage())
        return status == KVI_ERR_SIZE && overBudget(decoder) ? TOVREN_ERR_MEMORY : TOVREN_ERR_IMAGE_DECOMPRESSION;
    if (decoder.CloseFile()) return TOVREN_ERR_OPEN_FILE;
    return TOVREN_OK;
}

// The three letters of `ending` against a lower-case extension, in any letter case.
bool isExtension(const char* ending, const char* extension) {
    for (int i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(ending[i])) != extension[i]) return false;
    }
    return true;
}

}  // namespace

uint32_t cTOVREN_Image::LoadImageA(const char* fileName) {
    std::free(pixels);
    pixels = nullptr;
    const size_t length = fileName ? std::strlen(fileName) : 0;
    if (length < 3) return TOVREN_ERR_TEXTURE_FORMAT;
    const char* ending = fileName + length - 3;
    if (isExtension(ending, "bmp")) return LoadBMP(fileName);
    if (isExtension(ending, "kvi")) return LoadKVI(fileName);
    if (isExtension(ending, "jpg")) return LoadJPEG(fileName);
    if (isExtension(ending, "pcx")) return LoadPCX(fileName);
    if (isExtension(ending, "tga")) return LoadTGA(fileName);
    return TOVREN_ERR_TEXTURE_FORMAT;
}

uint32_t cTOVREN_Image::LoadBMP(const char* fileName) {
    return loadThroughKaldorGL(*this, fileName, KDGL_FORMAT_BMP, checkBmp);
}

uint32_t cTOVREN_Image::LoadPCX(const char* fileName) {
    return loadThroughKaldorGL(*this, fileName, KDGL_FORMAT_PCX, checkPcx);
}

uint32_t cTOVREN_Image::LoadTGA(const char* fileName) {
    return loadThroughKaldorGL(*this, fileName, KDGL_FORMAT_TGA, checkTga);
}

uint32_t cTOVREN_Image::LoadJPEG(const char* fileName) {
    constexpr uint32_t kCannotOpen = 1;
    if (!isRegularFile(fileName)) return kCannotOpen;
    CCodecJPEG codec;
    const uint32_t status = codec.LoadFromFile(fileName);
    const Bytes rgb(codec.data);
    if (status == KDGL_ERR_FILE_NAME) return kCannotOpen;
    if (status != KDGL_OK) return fromKaldorGL(status);
    // Three bytes R, G, B a pixel, rows bottom first.
    const uint32_t w = codec.width, h = codec.height;
    Bytes out(allocPixels(w, h));
    if (!out) return TOVREN_ERR_MEMORY;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = rgb.get() + uint64_t{h - 1 - y} * w * 3;
        uint8_t* dst = out.get() + uint64_t{y} * w * 4;
        for (uint32_t x = 0; x < w; ++x, src += 3, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = 255;
        }
    }
    takePicture(*this, out.release(), w, h);
    return TOVREN_OK;
}

uint32_t cTOVREN_Image::LoadKVI(const char* fileName) {
    KviDecoder decoder;
    if (const uint32_t status = decodeKvi(decoder, fileName)) return status;
    Bytes out(allocPixels(decoder.width, decoder.height));
    if (!out) return TOVREN_ERR_MEMORY;
    switch (KVIDECODER_UnpackRgba(&decoder, out.get())) {
    case KVI_OK: break;
    case KVI_ERR_DEPTH:
    case KVI_ERR_COLOR_DESC: return TOVREN_ERR_D3D_COLOR_FORMAT;
    default: return TOVREN_ERR_IMAGE_DECOMPRESSION;
    }
    swapRedBlue(out.get(), uint64_t{decoder.width} * decoder.height);
    takePicture(*this, out.release(), decoder.width, decoder.height);
    return TOVREN_OK;
}

uint32_t cTOVREN_Image::VerticalFlip() {
    if (!pixels || height < 2) return TOVREN_OK;
    const uint64_t rowBytes = uint64_t{width} * 4;
    for (uint32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(pixels + top * rowBytes, pixels + (top + 1) * rowBytes, pixels + bottom * rowBytes);
    }
    return TOVREN_OK;
}
