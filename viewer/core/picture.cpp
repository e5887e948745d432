#include "picture.h"

#include "launch.h"

#include <kvi_io.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace kviewer {

namespace {

constexpr uint32_t kType24 = KDGL_TYPE_24BIT;
constexpr uint32_t kType32 = KDGL_TYPE_32BIT;

std::string kviText(uint32_t status) {
    char text[KVI_ERR_TEXT_SIZE];
    KVIDECODER_GetErrorStr(status, text);
    return text;
}

// Each loader returns why it failed, or an empty text.
std::string loadKvi(const std::string& path, Picture& out) {
    kvi_io::DecoderOwner kvi;
    const kvi_io::Outcome decoded = kvi_io::decodeKviFile(path.c_str(), kvi);
    const CKVIDECODER& decoder = kvi.decoder;
    const uint32_t bits = decoder.bitsPerPixel;
    const uint64_t bytes = uint64_t(decoder.width) * decoder.height * 4;
    std::string why;
    if (!decoded.ok()) why = kviText(decoded.status);
    else if (bits != 24 && bits != 32) why = "only 24- and 32-bit KVI files are shown";
    // The file's pixels are in its stored order; the canvas holds R, G, B, A whatever the
    // file declares, so every order shows its true colours.
    auto* rgba = why.empty() && bytes <= SIZE_MAX ? static_cast<uint8_t*>(std::malloc(size_t(bytes))) : nullptr;
    if (why.empty() && !rgba) why = "out of memory";
    if (why.empty()) {
        if (const uint32_t unpacked = KVIDECODER_UnpackRgba(&decoder, rgba)) why = kviText(unpacked);
    }
    if (!why.empty()) {
        std::free(rgba);
        return why;
    }
    KDGL_CANVAS& canvas = out.image.canvas;
    canvas = KDGL_CANVAS{};
    canvas.data = rgba;
    canvas.width = decoder.width;
    canvas.height = decoder.height;
    canvas.type = bits == 32 ? kType32 : kType24;  // remembered for saving; the pixels are 32-bit
    return {};
}

std::string loadThroughLibrary(const std::string& path, Picture& out) {
    if (const uint32_t status = out.image.LoadImageFromFileAs32(path.c_str())) {
        char text[KDGL_ERR_TEXT_SIZE];
        KDGL_ERR_GetErrorStr(status, text);
        return text;
    }
    return out.empty() ? "no pixels" : "";
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

bool loadPicture(const std::string& path, Picture& out, std::string* why) {
    std::string failure;
    Picture loaded;
    if (path.size() > kMaxPathChars) failure = "the path is longer than " + std::to_string(kMaxPathChars) + " characters";
    else failure = isKviPath(path) ? loadKvi(path, loaded) : loadThroughLibrary(path, loaded);
    if (why) *why = failure;
    if (!failure.empty()) return false;
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

SaveResult savePictureAsKvi(const std::string& path, const Picture& picture) {
    // The picture is held in display order (B, G, R, A); the encoder takes R, G, B, A and packs
    // it into the "bgra" the file declares, so other programs see the same colours.
    const uint8_t* shown = picture.image.canvas.data;
    std::vector<uint8_t> rgba(shown, shown + size_t(picture.width()) * picture.height() * 4);
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    kvi_io::SaveSettings settings;
    settings.colorDesc = KVI_COLOR_BGRA;
    settings.bitsPerPixel = picture.type() == kType24 ? 24 : 32;
    switch (kvi_io::saveKviRgba(path.c_str(), rgba.data(), picture.width(), picture.height(), settings).step) {
    case kvi_io::Step::Done: return SaveResult::Ok;
    case kvi_io::Step::AddCoder: return SaveResult::CoderRefused;
    case kvi_io::Step::Compress: return SaveResult::CompressionFailed;
    case kvi_io::Step::Create: return SaveResult::CreateFailed;
    case kvi_io::Step::WriteHeader: return SaveResult::HeaderFailed;
    default: return SaveResult::DataFailed;  // the data, or a close that could not flush it
    }
}

}  // namespace kviewer
