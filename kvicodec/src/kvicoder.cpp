#include <kvicodec/kvicoder.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "b1plane.h"
#include "kviformat.h"
#include "kvistatus.h"

namespace {

// Field checks shared by CompressImage and WriteHeader. Depths outside 8..32 are refused:
// the packing holds at most 4 bytes a pixel, and below 8 bits nothing would be stored.
uint32_t checkFields(const CKVICODER& e) {
    if (e.width == 0 || e.height == 0) return KVI_ERR_SIZE;
    if (e.bitsPerPixel < 8 || e.bitsPerPixel > 32) return KVI_ERR_DEPTH;
    if (e.colorDesc > 7) return KVI_ERR_COLOR_DESC;
    if (e.bitsPerPixel == 24 && e.variant > 1) return KVI_ERR_COLOR_INDEX;
    if (e.bitsPerPixel == 32 && e.variant != 0) return KVI_ERR_COLOR_INDEX;
    return KVI_OK;
}

// One mode per file: the format cannot record the size between two modes.
uint32_t checkModes(const CKVICODER& e) {
    if (!kvi::isKnownMode(e.coders[0]) || !kvi::isKnownMode(e.coders[1])) return KVI_ERR_MODE;
    if (e.coders[0] != 0 && e.coders[1] != 0) return KVI_ERR_MODE;
    return KVI_OK;
}

// The source byte (0..3) that output byte k takes for each letter, or -1 for a channel the
// source does not hold (stored as 0). An "x" output keeps the byte at its own position.
void packingPlan(const char* fromLetters, const char* outLetters, size_t bpp, int* source) {
    for (size_t k = 0; k < bpp; ++k) {
        const char letter = outLetters[k];
        const char* found = letter == 'x' ? nullptr : static_cast<const char*>(std::memchr(fromLetters, letter, 4));
        source[k] = letter == 'x' ? int(k) : found ? int(found - fromLetters) : -1;
    }
}

// Repacks 4-byte pixels described by from into bpp-byte pixels described by to. With fewer
// than 4 bytes a leading "a" or "x" of the target is dropped.
void packPixels(const uint8_t* in, size_t pixels, size_t bpp, uint32_t from, uint32_t to, uint8_t* out) {
    int source[4];
    packingPlan(kvi::kColorLetters[from], kvi::storedLetters(to, bpp), bpp, source);
    for (size_t i = 0; i < pixels; ++i, in += 4, out += bpp)
        for (size_t k = 0; k < bpp; ++k) out[k] = source[k] < 0 ? 0 : in[source[k]];
}

// One stream of count samples taken every stride bytes; returns the bytes written (at most
// two per sample).
size_t encodeRuns(const uint8_t* src, size_t count, size_t stride, const kvi::RunMode& mode, uint8_t* out) {
    uint8_t* const start = out;
    size_t i = 0;
    while (i < count) {
        const uint8_t v = src[i * stride];
        size_t n = 1;
        while (n < mode.maxRun && i + n < count && src[(i + n) * stride] == v) ++n;
        i += n;
        if (n == 1 && v < mode.threshold) {
            *out++ = v;
        } else {
            *out++ = uint8_t(mode.threshold + n);
            *out++ = v;
        }
    }
    return size_t(out - start);
}

// The coded stream replaces data; the packed picture it came from stays in work.
void adoptCoded(CKVICODER& e, uint8_t* coded, uint32_t size) {
    std::free(e.work);
    e.work = e.data;
    e.data = coded;
    e.dataSize = size;
}

uint32_t applyRuns(CKVICODER& e, uint32_t modeId) {
    kvi::RunMode mode;
    kvi::runModeOf(modeId, mode);
    const size_t bpp = e.bitsPerPixel / 8;
    const size_t pixels = size_t(e.width) * e.height;
    const size_t rowPixels = mode.wholeImage ? pixels : e.width;
    const size_t rows = mode.wholeImage ? 1 : e.height;
    auto* coded = static_cast<uint8_t*>(std::malloc(2 * pixels * bpp + 1));
    if (!coded) return KVI_ERR_CODEC;
    size_t size = 0;
    for (size_t y = 0; y < rows; ++y)
        for (size_t c = 0; c < bpp; ++c)
            size += encodeRuns(e.data + y * rowPixels * bpp + c, rowPixels, bpp, mode, coded + size);
    if (size > UINT32_MAX) {
        std::free(coded);
        return KVI_ERR_SIZE;
    }
    adoptCoded(e, coded, uint32_t(size));
    return KVI_OK;
}

// Per byte position: the plane's stream length as u32, then the stream.
uint32_t applyB1(CKVICODER& e) {
    const size_t bpp = e.bitsPerPixel / 8;
    const size_t pixels = size_t(e.width) * e.height;
    std::vector<uint8_t> all, plane, stream;
    try {
        plane.resize(pixels);
        for (size_t c = 0; c < bpp; ++c) {
            for (size_t i = 0; i < pixels; ++i) plane[i] = e.data[i * bpp + c];
            if (kvi::b1::encodePlane(plane.data(), e.width, e.height, e.quality, stream) != kvi::b1::Ok)
                return KVI_ERR_CODEC;
            if (stream.size() > UINT32_MAX) return KVI_ERR_SIZE;
            uint8_t length[4];
            kvi::writeLe32(length, uint32_t(stream.size()));
            all.insert(all.end(), length, length + 4);
            all.insert(all.end(), stream.begin(), stream.end());
        }
    } catch (...) {  // allocation failures only; nothing may leave the library
        return KVI_ERR_CODEC;
    }
    if (all.size() > UINT32_MAX) return KVI_ERR_SIZE;
    auto* coded = static_cast<uint8_t*>(std::malloc(all.size() + 1));
    if (!coded) return KVI_ERR_CODEC;
    if (!all.empty()) std::memcpy(coded, all.data(), all.size());
    adoptCoded(e, coded, uint32_t(all.size()));
    return KVI_OK;
}

// The header in memory, written at once. Its largest form (every record, full texts and
// palette) is well under the capacity, so appending cannot fail.
class HeaderBytes {
public:
    void u8(uint8_t v) { bytes_[size_++] = v; }
    void u32(uint32_t v) {
        kvi::writeLe32(bytes_ + size_, v);
        size_ += 4;
    }
    void raw(const void* p, size_t n) {
        std::memcpy(bytes_ + size_, p, n);
        size_ += n;
    }
    // A text of at most fieldSize - 1 characters and its NUL, so a reader never cuts it.
    void text(uint8_t tag, const char* text, size_t fieldSize) {
        u8(tag);
        raw(text, strnlen(text, fieldSize - 1));
        u8(0);
    }
    const uint8_t* data() const { return bytes_; }
    uint32_t size() const { return uint32_t(size_); }

private:
    uint8_t bytes_[4096];
    size_t size_ = 0;
};

}  // namespace

uint32_t CKVICODER::Reset() {
    kvi::resetHeader(*this);
    return KVI_OK;
}

uint32_t CKVICODER::AddCoder(uint32_t mode) {
    if (!kvi::isKnownMode(mode)) return KVI_ERR_MODE;
    if (mode == KVI_MODE_NONE) return KVI_OK;
    for (uint32_t& slot : coders) {
        if (slot == 0) {
            slot = mode;
            return KVI_OK;
        }
    }
    return KVI_ERR_MODE;
}

uint32_t CKVICODER::CheckColorDesc(char* out, uint32_t index) {
    if (index > 7 || !out) return KVI_ERR_COLOR_INDEX;
    std::memcpy(out, kvi::kColorLetters[index], 4);
    return KVI_OK;
}

uint32_t CKVICODER::ChangeColorTheme(uint32_t from, uint32_t to) {
    if (from > 7 || to > 7) return KVI_ERR_COLOR_INDEX;
    const size_t bpp = bitsPerPixel / 8;
    if (bpp < 1 || bpp > 4) return KVI_ERR_DEPTH;
    if (!work || !data) return KVI_ERR_CODEC;
    packPixels(work, size_t(width) * height, bpp, from, to, data);
    dataSize = uint32_t(size_t(width) * height * bpp);
    return KVI_OK;
}

// The caller's pixels are packed straight into data: no working copy is needed, so work
// stays null until a coding mode keeps the packed picture there.
uint32_t CKVICODER::CompressImage(const void* pixels) {
    if (!pixels) return KVI_ERR_CODEC;
    if (const uint32_t status = checkFields(*this)) return status;
    if (const uint32_t status = checkModes(*this)) return status;
    const uint64_t bytes = uint64_t(width) * height * 4;
    if (bytes > UINT32_MAX) return KVI_ERR_SIZE;
    auto* packed = static_cast<uint8_t*>(std::malloc(bytes));
    if (!packed) return KVI_ERR_SIZE;
    const size_t bpp = bitsPerPixel / 8;
    packPixels(static_cast<const uint8_t*>(pixels), size_t(width) * height, bpp, KVI_COLOR_RGBA, colorDesc, packed);
    data = packed;
    work = nullptr;
    dataSize = uint32_t(size_t(width) * height * bpp);
    switch (coders[0]) {
        case KVI_MODE_A1: return Compress_ModeA1();
        case KVI_MODE_A1E: return Compress_ModeA1E();
        case KVI_MODE_A2: return Compress_ModeA2();
        case KVI_MODE_A2E: return Compress_ModeA2E();
        case KVI_MODE_A3: return Compress_ModeA3();
        case KVI_MODE_A3E: return Compress_ModeA3E();
        case KVI_MODE_B1: return Compress_ModeB1();
        default: return KVI_OK;
    }
}

uint32_t CKVICODER::WriteHeader() {
    if (const uint32_t status = checkFields(*this)) return status;
    if (const uint32_t status = checkModes(*this)) return status;
    HeaderBytes h;
    h.raw(signature, 4);
    h.u8(kvi::TagSize);
    h.u32(width);
    h.u32(height);
    h.u8(kvi::TagFormat);
    h.u8(bitsPerPixel);
    h.u8(variant);
    h.u32(colorDesc);
    h.u8(kvi::TagCoding);
    h.u32(quality);
    h.u32(coders[0]);
    if (coders[1] != 0) h.u32(coders[1]);
    h.u32(0);
    if (hasPalette) {
        const uint32_t count = paletteCount < kvi::kMaxPalette ? paletteCount : kvi::kMaxPalette;
        h.u8(kvi::TagPalette);
        h.u32(count);
        for (uint32_t i = 0; i < count; ++i) h.u32(palette[i]);
    }
    if (hasText1) h.text(kvi::TagText1, text1, sizeof text1);
    if (hasText2) h.text(kvi::TagText2, text2, sizeof text2);
    if (hasCreator) h.text(kvi::TagCreator, creator, sizeof creator);
    if (hasStamp) {
        h.u8(kvi::TagStamp);
        h.u8(stampDay);
        h.u8(stampMonth);
        h.u32(stampYear);
        h.u8(stampHour);
        h.u8(stampMinute);
        h.u8(stampSecond);
    }
    h.u8(kvi::TagEnd);
    return WriteFile(h.data(), h.size());
}

uint32_t CKVICODER::WriteData() {
    if (const uint32_t status = WriteFile(dataSize, 4)) return status;
    if (dataSize > 0 && !data) return KVI_ERR_CODEC;
    if (const uint32_t status = WriteFile(data, dataSize)) return status;
    return std::fflush(file) == 0 ? KVI_OK : KVI_ERR_IO;
}

uint32_t CKVICODER::Compress_ModeA1() { return applyRuns(*this, KVI_MODE_A1); }
uint32_t CKVICODER::Compress_ModeA1E() { return applyRuns(*this, KVI_MODE_A1E); }
uint32_t CKVICODER::Compress_ModeA2() { return applyRuns(*this, KVI_MODE_A2); }
uint32_t CKVICODER::Compress_ModeA2E() { return applyRuns(*this, KVI_MODE_A2E); }
uint32_t CKVICODER::Compress_ModeA3() { return applyRuns(*this, KVI_MODE_A3); }
uint32_t CKVICODER::Compress_ModeA3E() { return applyRuns(*this, KVI_MODE_A3E); }
uint32_t CKVICODER::Compress_ModeB1() { return applyB1(*this); }

unsigned int KVICODER_GetVersion(void) { return 1; }

void KVICODER_GetErrorStr(uint32_t code, char* text) { kvi::copyStatusText(code, text); }
