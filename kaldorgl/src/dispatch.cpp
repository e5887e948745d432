// Loading and saving by file-name ending or format index.
#include "internal.h"

#include <kaldorgl/kaldorgl.h>

#include <cstring>

using namespace kdgl;

namespace {

constexpr uint32_t kVersion = 290;
constexpr uint32_t kFormatCount = 5;

struct FormatRow {
    const char* description;
    const char* mask;
    uint32_t capabilities;
};

constexpr FormatRow kFormats[kFormatCount] = {
    {"Windows Bitmap Picture (BMP)", "*.bmp", 7},
    {"(CEL)", "*.cel", 3},
    {"JPEG (JPG)", "*.jpg", 1},
    {"Z-Soft PaintBrush (PCX)", "*.pcx", 7},
    {"Targa image (TGA)", "*.tga", 7},
};

// True when the name's last three characters are `ext` (lower case) in any letter case.
bool endsWith(const char* name, const char* ext) {
    const size_t length = std::strlen(name);
    if (length < 3) return false;
    for (size_t i = 0; i < 3; ++i) {
        const char c = name[length - 3 + i];
        if (c != ext[i] && c != ext[i] - ('a' - 'A')) return false;
    }
    return true;
}

int formatOfName(const char* name) {
    static const char* const endings[kFormatCount] = {"bmp", "cel", "jpg", "pcx", "tga"};
    for (uint32_t i = 0; i < kFormatCount; ++i)
        if (endsWith(name, endings[i])) return static_cast<int>(i);
    return -1;
}

void takePicture(KDGL_CANVAS& canvas, uint8_t* data, uint32_t width, uint32_t height,
                 uint32_t type, const Rgb* palette) {
    canvas.data = data;
    canvas.width = width;
    canvas.height = height;
    canvas.type = type;
    if (palette) std::memcpy(canvas.palette, palette, sizeof canvas.palette);
}

using Reader = uint32_t (*)(const uint8_t*, uint32_t, uint32_t, Decoded&, Rgb*);

uint32_t readCel(const uint8_t* bytes, uint32_t size, uint32_t, Decoded& out, Rgb* palette) {
    CCodecCEL codec;
    const uint32_t status = codec.LoadFromMemory(bytes, size);
    if (status != KDGL_OK) return status;
    std::memcpy(palette, codec.header.palette, sizeof(Rgb) * 256);
    out = Decoded{codec.data, codec.header.width, codec.header.height, KDGL_TYPE_8BIT};
    return KDGL_OK;
}

uint32_t readPcxPicture(const uint8_t* bytes, uint32_t size, uint32_t wanted, Decoded& out, Rgb* palette) {
    KDGL_PCX_HEADER header;
    return readPcx(bytes, size, wanted, out, header, palette);
}

constexpr Reader kReaders[kFormatCount] = {readBmp, readCel, nullptr, readPcxPicture, readTga};

// Decodes the format `format` from the file `name` or from the bytes, and fills the canvas
// only on success. Readers write `wanted` (a colour type, 0 for none) directly where they
// can, which spares the conversion after the load.
uint32_t decodeInto(KDGL_CANVAS& canvas, KDGL_WARNINGS& warnings, uint32_t format, const char* name,
                    const uint8_t* bytes, uint32_t size, uint32_t wanted) {
    warnings = {};
    Decoded picture;
    uint32_t status = KDGL_OK;
    if (format == KDGL_FORMAT_JPEG) {
        // Top row first, as the codec's rows after the vertical flip.
        if (!name) return KDGL_ERR_FILE_NAME;
        status = loadJpegFile(name, JpegLayout{wanted == KDGL_TYPE_32BIT ? 4u : 3u, false}, picture, warnings);
        if (status == KDGL_OK) takePicture(canvas, picture.data, picture.width, picture.height, picture.type, nullptr);
        return status;
    }
    Rgb palette[256];
    const Reader read = kReaders[format];
    auto decode = [&](const uint8_t* b, uint32_t s) { return read(b, s, wanted, picture, palette); };
    status = name ? loadWholeFile(name, decode) : decode(bytes, size);
    if (status == KDGL_OK) takePicture(canvas, picture.data, picture.width, picture.height, picture.type, palette);
    return status;
}

uint32_t loadFile(CKaldorGL& gl, const char* name, uint32_t wanted) {
    if (!name || std::strlen(name) < 5) return KDGL_ERR_FILE_NAME;
    const int format = formatOfName(name);
    if (format < 0) return KDGL_ERR_COMPRESSION;
    return decodeInto(gl.canvas, gl.warnings, static_cast<uint32_t>(format), name, nullptr, 0, wanted);
}

uint32_t loadMemory(CKaldorGL& gl, const uint8_t* bytes, uint32_t size, uint32_t index, uint32_t wanted) {
    if (!bytes) return KDGL_ERR_NULL_POINTER;
    if (index == KDGL_FORMAT_JPEG) return KDGL_ERR_FILE_NAME;
    if (index >= kFormatCount) return KDGL_ERR_UNSUPPORTED;
    std::free(gl.canvas.data);
    gl.canvas.data = nullptr;
    return decodeInto(gl.canvas, gl.warnings, index, nullptr, bytes, size, wanted);
}

}  // namespace

uint32_t CKaldorGL::LoadImageFromFile(const char* name) { return loadFile(*this, name, 0); }

uint32_t CKaldorGL::LoadImageFromMem(const uint8_t* bytes, uint32_t size, uint32_t index) {
    return loadMemory(*this, bytes, size, index, 0);
}

namespace {

uint32_t convertCanvas(CKaldorGL& gl, uint32_t status, uint32_t targetType) {
    if (status != KDGL_OK) return status;
    KDGL_CANVAS& c = gl.canvas;
    if (!c.data) return KDGL_ERR_MEMORY_USE;
    if (c.type != targetType) {
        status = gl.FX_ChangeColorDepth(c.width, c.height, c.type, targetType, c.palette);
        if (status != KDGL_OK) return status;
    }
    c.type = targetType;
    return KDGL_OK;
}

}  // namespace

uint32_t CKaldorGL::LoadImageFromFileAs24(const char* name) {
    return convertCanvas(*this, loadFile(*this, name, KDGL_TYPE_24BIT), KDGL_TYPE_24BIT);
}
uint32_t CKaldorGL::LoadImageFromFileAs32(const char* name) {
    return convertCanvas(*this, loadFile(*this, name, KDGL_TYPE_32BIT), KDGL_TYPE_32BIT);
}
uint32_t CKaldorGL::LoadImageFromMemAs24(const uint8_t* bytes, uint32_t size, uint32_t index) {
    if (!bytes) return KDGL_ERR_FILE_OPEN;
    return convertCanvas(*this, loadMemory(*this, bytes, size, index, KDGL_TYPE_24BIT), KDGL_TYPE_24BIT);
}
uint32_t CKaldorGL::LoadImageFromMemAs32(const uint8_t* bytes, uint32_t size, uint32_t index) {
    return convertCanvas(*this, loadMemory(*this, bytes, size, index, KDGL_TYPE_32BIT), KDGL_TYPE_32BIT);
}

uint32_t CKaldorGL::SaveImageToFileBPP(const char* name, const uint8_t* data, uint32_t width,
                                       uint32_t height, uint32_t type) {
    if (!name || std::strlen(name) <= 4) return KDGL_ERR_FILE_NAME;
    if (!width || !height) return KDGL_ERR_RESOLUTION;
    if (endsWith(name, "bmp")) {
        if (!isRgbType(type)) return KDGL_ERR_COLOR_DEPTH;
        return CCodecBMP().SaveToFile(name, data, width, height, type, type);
    }
    if (endsWith(name, "pcx")) {
        if (!isRgbType(type)) return KDGL_ERR_COLOR_DEPTH;
        return CCodecPCX().SaveToFile(name, data, width, height, type);
    }
    if (endsWith(name, "tga")) {
        if (!isRgbType(type) && type != KDGL_TYPE_15BIT) return KDGL_ERR_COLOR_DEPTH;
        return CCodecTGA().SaveToFile(name, data, width, height, type, type);
    }
    return KDGL_ERR_UNSUPPORTED;
}

uint32_t CKaldorGL::SaveImageToFileBPP(const char* name, uint32_t type) {
    return SaveImageToFileBPP(name, canvas.data, canvas.width, canvas.height, type);
}

uint32_t CKaldorGL::SaveImageToFileBPP(const char* name, const KDGL_CANVAS* source, uint32_t type) {
    if (!source) return KDGL_ERR_NULL_POINTER;
    return SaveImageToFileBPP(name, source->data, source->width, source->height, type);
}

uint32_t CKaldorGL::SaveImageToFile(const char* name, uint32_t width, uint32_t height) {
    if (!name || !*name) return KDGL_ERR_FILE_NAME;
    if (!width || !height) return KDGL_ERR_RESOLUTION;
    return KDGL_OK;
}

void CKaldorGL::GetSupportedExtention(uint32_t index, char* description, char* mask,
                                      uint32_t* capabilities) {
    if (capabilities) *capabilities = 0;
    if (index >= kFormatCount) return;
    if (description) std::strcpy(description, kFormats[index].description);
    if (mask) std::strcpy(mask, kFormats[index].mask);
    if (capabilities) *capabilities = kFormats[index].capabilities;
}

uint32_t CKaldorGL::GetVersion() { return kVersion; }
