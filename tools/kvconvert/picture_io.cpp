#include "picture_io.h"

#include <kaldorgl/kaldorgl.h>
#include <kvi_io.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <sstream>
#include <utility>

namespace kvconvert {

namespace {

const char* const kOrders[8] = {"rgba", "bgra", "argb", "abgr", "rgbx", "bgrx", "xrgb", "xbgr"};

Result kdglError(uint32_t status) {
    char text[KDGL_ERR_TEXT_SIZE];
    KDGL_ERR_GetErrorStr(status, text);
    return Result{text};
}

Result kviError(uint32_t status) {
    char text[KVI_ERR_TEXT_SIZE];
    KVIDECODER_GetErrorStr(status, text);
    return Result{text};
}

// A folder opens for reading here; say what it is rather than let a reader complain.
Result refuseDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) ? Result{"is a directory"} : Result{};
}

// A picture the libraries accept may still not fit in memory twice over (decoded, then as
// R, G, B, A): running out fails the step that met it, it does not end the program.
Result outOfMemory() { return Result{"Memory allocation is failed!"}; }

Result loadKvi(const std::string& path, Picture& out) {
    kvi_io::DecoderOwner kvi;
    const kvi_io::Outcome decoded = kvi_io::decodeKviFile(path.c_str(), kvi);
    if (!decoded.ok()) return kviError(decoded.status);
    const CKVIDECODER& d = kvi.decoder;
    const uint64_t bytes = uint64_t(d.width) * d.height * 4;
    Pixels rgba(bytes <= SIZE_MAX ? static_cast<uint8_t*>(std::malloc(size_t(bytes))) : nullptr);
    if (!rgba) return outOfMemory();
    if (const uint32_t status = KVIDECODER_UnpackRgba(&d, rgba.get())) return kviError(status);
    out.width = d.width;
    out.height = d.height;
    out.rgba = std::move(rgba);
    return {};
}

std::string warningText(const KDGL_WARNINGS& warnings) {
    if (warnings.count == 0) return {};
    return std::string(warnings.endedEarly ? "premature end of data" : "damaged data") + " (libjpeg warnings: " +
           std::to_string(warnings.count) + ")";
}

// R, G, B to R, G, B, A (opaque) in the buffer itself, grown by realloc, which for a block
// this large remaps pages instead of copying them: the picture is never held twice. From the
// last pixel back, each pixel's bytes read before any of them is written over.
bool expandToRgba(Pixels& pixels, uint64_t count) {
    if (count > SIZE_MAX / 4) return false;
    auto* grown = static_cast<uint8_t*>(std::realloc(pixels.get(), size_t(count * 4)));
    if (!grown) return false;
    (void)pixels.release();
    pixels.reset(grown);
    for (uint64_t i = count; i-- > 0;) {
        const uint8_t r = grown[i * 3], g = grown[i * 3 + 1], b = grown[i * 3 + 2];
        uint8_t* to = grown + i * 4;
        to[0] = r;
        to[1] = g;
        to[2] = b;
        to[3] = 255;
    }
    return true;
}

// The library reads ".jpg" by name; ".jpeg" goes to the JPEG codec directly.
Result loadJpeg(const std::string& path, Picture& out) {
    CCodecJPEG codec;
    const uint32_t status = codec.LoadFromFile(path.c_str());
    Pixels pixels(codec.data);
    if (status != KDGL_OK) return kdglError(status);
    out.warning = warningText(codec.warnings);
    // The codec's rows come bottom first.
    CKaldorGL().FX_VerticalFlip(pixels.get(), codec.width, codec.height, KDGL_TYPE_24BIT);
    if (!expandToRgba(pixels, uint64_t(codec.width) * codec.height)) return outOfMemory();
    out.width = codec.width;
    out.height = codec.height;
    out.rgba = std::move(pixels);
    return {};
}

Result loadWithLibrary(const std::string& path, Picture& out) {
    CKaldorGL gl;
    const uint32_t status = gl.LoadImageFromFileAs32(path.c_str());
    Pixels pixels(gl.canvas.data);
    if (status != KDGL_OK) return kdglError(status);
    out.warning = warningText(gl.warnings);
    out.width = gl.canvas.width;
    out.height = gl.canvas.height;
    out.rgba = std::move(pixels);
    return {};
}

Result saveKvi(const std::string& path, const Picture& picture, const KviOptions& options) {
    kvi_io::SaveSettings settings;
    settings.mode = options.mode;
    settings.quality = options.quality;
    settings.bitsPerPixel = static_cast<uint8_t>(options.bits);
    settings.colorDesc = options.order;
    const kvi_io::Outcome outcome =
        kvi_io::saveKviRgba(path.c_str(), picture.rgba.get(), picture.width, picture.height, settings);
    return outcome.ok() ? Result{} : kviError(outcome.status);
}

const char* typeName(uint32_t type) {
    switch (type) {
        case KDGL_TYPE_8BIT: return "8-bit palette";
        case KDGL_TYPE_15BIT: return "15-bit RGB";
        case KDGL_TYPE_24BIT: return "24-bit RGB";
        case KDGL_TYPE_32BIT: return "32-bit RGBA";
        default: return "unknown";
    }
}

std::string modeName(uint32_t mode) {
    static const char* const names[] = {"none", "A1", "A1E", "A2", "A2E", "A3", "A3E"};
    if (mode < 7) return names[mode];
    if (mode == KVI_MODE_B1) return "B1";
    return std::to_string(mode);
}

Result describeKvi(const std::string& path, std::string& text) {
    kvi_io::DecoderOwner kvi;
    const kvi_io::Outcome outcome = kvi_io::readKviHeader(path.c_str(), kvi);
    if (!outcome.ok()) return kviError(outcome.status);
    const CKVIDECODER& d = kvi.decoder;
    std::ostringstream out;
    out << "format: KVI\n"
        << "size: " << d.width << "x" << d.height << "\n"
        << "bits per pixel: " << unsigned(d.bitsPerPixel) << "\n"
        << "variant: " << unsigned(d.variant) << "\n"
        << "colour description: " << d.colorDesc << " (" << (d.colorDesc < 8 ? kOrders[d.colorDesc] : "?") << ")\n"
        << "quality: " << d.quality << "\n"
        << "modes:";
    if (!d.coders[0]) out << " none";
    for (const uint32_t mode : d.coders)
        if (mode) out << " " << modeName(mode);
    out << "\npalette: " << (d.hasPalette ? std::to_string(d.paletteCount) + " entries" : "none") << "\n";
    if (d.hasText1) out << "text 1: " << d.text1 << "\n";
    if (d.hasText2) out << "text 2: " << d.text2 << "\n";
    if (d.hasCreator) out << "creator: " << d.creator << "\n";
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02u.%02u.%u %02u:%02u:%02u", d.stampDay, d.stampMonth, d.stampYear,
                  d.stampHour, d.stampMinute, d.stampSecond);
    out << "stamp: " << stamp << (d.hasStamp ? "" : " (default)") << "\n";
    text = out.str();
    return {};
}

}  // namespace

bool hasExtension(const std::string& name, const char* ext) {
    const size_t length = std::strlen(ext);
    if (name.size() < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - length + i])) != ext[i]) return false;
    return true;
}

Result checkWriter(const std::string& path) {
    for (const char* ext : {".bmp", ".pcx", ".tga", ".kvi"})
        if (hasExtension(path, ext)) return {};
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    return Result{"no writer for \"" + ext + "\" (bmp, pcx, tga, kvi)"};
}

Result loadPicture(const std::string& path, Picture& out) try {
    if (Result folder = refuseDirectory(path); !folder.ok()) return folder;
    if (hasExtension(path, ".kvi")) return loadKvi(path, out);
    if (hasExtension(path, ".jpeg")) return loadJpeg(path, out);
    return loadWithLibrary(path, out);
} catch (const std::bad_alloc&) {
    return outOfMemory();
}

Result savePicture(const std::string& path, const Picture& picture, const KviOptions& options) try {
    if (const Result writer = checkWriter(path); !writer.ok()) return writer;
    if (hasExtension(path, ".kvi")) return saveKvi(path, picture, options);
    CKaldorGL gl;
    const uint32_t status = gl.SaveImageToFileBPP(path.c_str(), picture.rgba.get(), picture.width,
                                                  picture.height, KDGL_TYPE_32BIT);
    return status == KDGL_OK ? Result{} : kdglError(status);
} catch (const std::bad_alloc&) {
    return outOfMemory();
}

Result describe(const std::string& path, std::string& text) try {
    if (Result folder = refuseDirectory(path); !folder.ok()) return folder;
    if (hasExtension(path, ".kvi")) return describeKvi(path, text);
    Picture picture;
    uint32_t type = KDGL_TYPE_24BIT;
    if (!hasExtension(path, ".jpeg")) {
        CKaldorGL gl;
        const uint32_t status = gl.LoadImageFromFile(path.c_str());
        if (status != KDGL_OK) return kdglError(status);
        std::free(gl.canvas.data);
        picture.width = gl.canvas.width;
        picture.height = gl.canvas.height;
        type = gl.canvas.type;
    } else {
        const Result loaded = loadJpeg(path, picture);
        if (!loaded.ok()) return loaded;
    }
    std::ostringstream out;
    out << "size: " << picture.width << "x" << picture.height << "\n"
        << "type: " << type << " (" << typeName(type) << ")\n";
    text = out.str();
    return {};
} catch (const std::bad_alloc&) {
    return outOfMemory();
}

}  // namespace kvconvert
