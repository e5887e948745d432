#include "kvi_io.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace kvi_io {

namespace {

// Frees each distinct buffer once: after decoding, data, work and image may share one.
void freeDistinct(uint8_t* a, uint8_t* b, uint8_t* c) {
    std::free(a);
    if (b != a) std::free(b);
    if (c != a && c != b) std::free(c);
}

// Once the picture is in `image`, the coded and working buffers are dead weight: freed at
// once, a caller converting the picture holds two pictures at most instead of three.
void releaseCodedBuffers(CKVIDECODER& d) {
    if (d.work != d.image && d.work != d.data) std::free(d.work);
    if (d.data != d.image) std::free(d.data);
    d.data = nullptr;
    d.work = nullptr;
    d.dataSize = 0;
}

Outcome failed(Step step, uint32_t status) { return Outcome{step, status}; }

}  // namespace

DecoderOwner::~DecoderOwner() {
    decoder.CloseFile();
    freeDistinct(decoder.data, decoder.work, decoder.image);
}

CoderOwner::~CoderOwner() {
    if (coder.file) coder.CloseFile();
    freeDistinct(coder.data, coder.work, nullptr);
}

Outcome readKviHeader(const char* path, DecoderOwner& kvi) {
    CKVIDECODER& d = kvi.decoder;
    d.Reset();
    if (const uint32_t status = d.OpenFile(path)) return failed(Step::Open, status);
    if (const uint32_t status = d.ReadHeader()) return failed(Step::Header, status);
    return {};
}

Outcome decodeKviFile(const char* path, DecoderOwner& kvi) {
    const Outcome header = readKviHeader(path, kvi);
    if (!header.ok()) return header;
    CKVIDECODER& d = kvi.decoder;
    if (const uint32_t status = d.ReadData()) return failed(Step::Data, status);
    if (const uint32_t status = d.CloseFile()) return failed(Step::Close, status);
    if (const uint32_t status = d.DecompressImage()) return failed(Step::Decompress, status);
    if (!d.image) return failed(Step::Decompress, KVI_ERR_CODEC);
    releaseCodedBuffers(d);
    return {};
}

Outcome loadKviRgba(const char* path, RgbaPicture& out) {
    DecoderOwner kvi;
    const Outcome decoded = decodeKviFile(path, kvi);
    if (!decoded.ok()) return decoded;
    const CKVIDECODER& d = kvi.decoder;
    RgbaPicture picture{d.width, d.height, d.bitsPerPixel, {}};
    picture.rgba.resize(size_t(uint64_t(d.width) * d.height * 4));
    if (const uint32_t status = KVIDECODER_UnpackRgba(&d, picture.rgba.data())) return failed(Step::Unpack, status);
    out = std::move(picture);
    return {};
}

Outcome saveKviRgba(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height,
                    const SaveSettings& settings) {
    CoderOwner kvi;
    CKVICODER& c = kvi.coder;
    c.Reset();
    c.width = width;
    c.height = height;
    c.variant = 0;
    c.bitsPerPixel = settings.bitsPerPixel;
    c.colorDesc = settings.colorDesc;
    c.quality = settings.quality;
    if (settings.creator) {
        c.hasCreator = 1;
        std::strncpy(c.creator, settings.creator, sizeof c.creator - 1);
    }
    if (settings.mode != KVI_MODE_NONE)
        if (const uint32_t status = c.AddCoder(settings.mode)) return failed(Step::AddCoder, status);
    if (const uint32_t status = c.CompressImage(rgba)) return failed(Step::Compress, status);
    if (const uint32_t status = c.CreateFileA(path)) return failed(Step::Create, status);
    Outcome outcome;
    if (const uint32_t status = c.WriteHeader()) outcome = failed(Step::WriteHeader, status);
    else if (const uint32_t status = c.WriteData()) outcome = failed(Step::WriteData, status);
    const uint32_t closed = c.CloseFile();
    if (outcome.ok() && closed != KVI_OK) outcome = failed(Step::CloseWritten, closed);
    return outcome;
}

const Filters& pictureFilters() {
    static const Filters filters{
        {"All supported", "*.bmp;*.cel;*.kvi;*.jpg;*.pcx;*.scl;*.sci;*.scn;*.tga"},
        {"Windows Bitmap (BMP)", "*.bmp"},
        {"kvImage (KVI)", "*.kvi"},
        {"JPEG Image (JPG)", "*.jpg"},
        {"ZSoft PaintBrush (PCX)", "*.pcx"},
        {"Targa (TGA)", "*.tga"},
        {"Screen Copy (SC?)", "*.scl;*.sci;*.scn"},
        {"CEL (CEL)", "*.cel"},
    };
    return filters;
}

}  // namespace kvi_io
