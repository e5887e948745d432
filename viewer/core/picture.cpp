#include "picture.h"

#include "launch.h"

#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace kviewer {

namespace {

constexpr uint32_t kType24 = KDGL_TYPE_24BIT;
constexpr uint32_t kType32 = KDGL_TYPE_32BIT;

// Frees what a decoder or encoder allocated; they never do it themselves.
template <typename Codec>
void freeCodecBuffers(Codec& codec) {
    std::free(codec.data);
    std::free(codec.work);
    codec.data = codec.work = nullptr;
}

bool decodeKvi(const std::string& path, CKVIDECODER& decoder) {
    if (decoder.OpenFile(path.c_str()) != 0) return false;
    const bool read = decoder.ReadHeader() == 0 && decoder.ReadData() == 0;
    decoder.CloseFile();
    return read && decoder.DecompressImage() == 0 && decoder.image != nullptr;
}

bool loadKvi(const std::string& path, Picture& out) {
    CKVIDECODER decoder{};
    const bool decoded = decodeKvi(path, decoder);
    freeCodecBuffers(decoder);
    const uint32_t bits = decoder.bitsPerPixel;
    const uint64_t bytes = uint64_t(decoder.width) * decoder.height * 4;
    // The file's pixels are in its stored order; the canvas holds R, G, B, A whatever the
    // file declares, so every order shows its true colours.
    auto* rgba = decoded && (bits == 24 || bits == 32) && bytes <= SIZE_MAX
                     ? static_cast<uint8_t*>(std::malloc(size_t(bytes)))
                     : nullptr;
    const bool unpacked = rgba && KVIDECODER_UnpackRgba(&decoder, rgba) == 0;
    std::free(decoder.image);
    if (!unpacked) {
        std::free(rgba);
        return false;
    }
    KDGL_CANVAS& canvas = out.image.canvas;
    canvas = KDGL_CANVAS{};
    canvas.data = rgba;
    canvas.width = decoder.width;
    canvas.height = decoder.height;
    canvas.type = bits == 32 ? kType32 : kType24;  // remembered for saving; the pixels are 32-bit
    return true;
}

bool loadThroughLibrary(const std::string& path, Picture& out) {
    if (out.image.LoadImageFromFileAs32(path.c_str()) != 0) return false;
    return !out.empty();
}

}  // namespace

Picture::~Picture() { release(); }

Picture::Picture(Picture&& other) noexcept : image(other.image) {
    other.image.canvas = KDGL_CANVAS{};
}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        release();
        image = other.image;
        other.image.canvas = KDGL_CANVAS{};
    }
    return *this;
}

void Picture::release() {
    std::free(image.canvas.data);
    image.canvas.data = nullptr;
}

bool loadPicture(const std::string& path, Picture& out) {
    if (path.size() > kMaxPathChars) return false;
    Picture loaded;
    const bool ok = isKviPath(path) ? loadKvi(path, loaded) : loadThroughLibrary(path, loaded);
    if (!ok) return false;
    out = std::move(loaded);
    return true;
}

const char* saveResultMessage(SaveResult result) {
    switch (result) {
    case SaveResult::Ok: return "";
    case SaveResult::CoderRefused: return "Unknown encoder or coder list overflow!";
    case SaveResult::CompressionFailed: return "Compression FAILED!";
    case SaveResult::CreateFailed: return "Can't create output file!";
    case SaveResult::HeaderFailed: return "Can't write kvHeader!";
    case SaveResult::DataFailed: return "Can't write data!";
    }
    return "";
}

namespace {

SaveResult encodeAndWrite(const std::string& path, const Picture& picture, CKVICODER& coder) {
    coder.Reset();
    coder.width = picture.width();
    coder.height = picture.height();
    coder.variant = 0;
    coder.colorDesc = KVI_COLOR_BGRA;
    coder.bitsPerPixel = picture.type() == kType24 ? 24 : 32;
    if (coder.AddCoder(KVI_MODE_B1) != 0) return SaveResult::CoderRefused;
    coder.quality = 100;
    // The picture is held in display order (B, G, R, A); the encoder takes R, G, B, A and packs
    // it into the "bgra" the file declares, so other programs see the same colours.
    const uint8_t* shown = picture.image.canvas.data;
    std::vector<uint8_t> rgba(shown, shown + size_t(picture.width()) * picture.height() * 4);
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    if (coder.CompressImage(rgba.data()) != 0) return SaveResult::CompressionFailed;
    if (coder.CreateFileA(path.c_str()) != 0) return SaveResult::CreateFailed;
    SaveResult result = SaveResult::Ok;
    if (coder.WriteHeader() != 0) {
        result = SaveResult::HeaderFailed;
    } else if (coder.WriteData() != 0) {
        result = SaveResult::DataFailed;
    }
    // Buffered bytes that cannot be flushed are data that never reached the file.
    if (coder.CloseFile() != 0 && result == SaveResult::Ok) result = SaveResult::DataFailed;
    return result;
}

}  // namespace

SaveResult savePictureAsKvi(const std::string& path, const Picture& picture) {
    CKVICODER coder{};
    const SaveResult result = encodeAndWrite(path, picture, coder);
    freeCodecBuffers(coder);
    return result;
}

}  // namespace kviewer
