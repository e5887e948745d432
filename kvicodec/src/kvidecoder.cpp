#include <kvicodec/kvidecoder.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <platform/decode_budget.h>

#include "b1plane.h"
#include "kviformat.h"
#include "kvistatus.h"

namespace {

platform::BudgetSetting g_budget;

// The format holds pictures of 8 to 32 bits; the encoder writes no other depth.
constexpr uint8_t kMinDepth = 8;
constexpr uint8_t kMaxDepth = 32;

// Header fields are read with stdio directly: unlike ReadFile, a short read must be seen.
class HeaderReader {
public:
    explicit HeaderReader(FILE* file) : file_(file) {}

    bool bytes(void* out, size_t n) { return file_ && std::fread(out, 1, n, file_) == n; }
    // A byte that cannot be read counts as 0, which ends the header.
    uint8_t tag() {
        uint8_t b = 0;
        return bytes(&b, 1) ? b : 0;
    }
    void u8(uint8_t& field) {
        uint8_t b;
        if (bytes(&b, 1)) field = b;
    }
    void u32(uint32_t& field) {
        uint8_t b[4];
        if (bytes(b, 4)) field = kvi::readLe32(b);
    }
    uint32_t u32OrZero() {
        uint32_t v = 0;
        u32(v);
        return v;
    }
    // Up to limit bytes including the NUL; a text cut at its limit or by the end of the file
    // is terminated inside its field.
    void text(char* field, size_t limit) {
        size_t n = 0;
        while (n < limit) {
            uint8_t b;
            if (!bytes(&b, 1)) break;
            field[n++] = char(b);
            if (b == 0) return;
        }
        field[n < limit ? n : limit - 1] = 0;
    }
    void skip(uint64_t n) {
        uint8_t scratch[4096];
        while (n > 0) {
            const size_t chunk = n < sizeof scratch ? size_t(n) : sizeof scratch;
            if (!bytes(scratch, chunk)) return;
            n -= chunk;
        }
    }

private:
    FILE* file_;
};

// Bytes between the file position and its end, or -1 when the stream cannot tell.
int64_t bytesLeft(FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return int64_t(end) - here;
}

// One run-length stream into row[0..n): literals and runs, surplus copies of a run that
// would overflow the row dropped, input that ends early leaving zeros.
void decodeRuns(kvsupport::ByteCursor& in, uint8_t threshold, uint8_t* row, size_t n) {
    size_t filled = 0;
    while (filled < n && in.left()) {
        const uint8_t b = in.u8();
        if (b <= threshold) {
            row[filled++] = b;
            continue;
        }
        const uint8_t value = in.u8();
        const size_t count = std::min<size_t>(b - threshold, n - filled);
        std::memset(row + filled, value, count);
        filled += count;
    }
    std::memset(row + filled, 0, n - filled);
}

// Byte c of every pixel from a plane laid out sample after sample.
void spreadPlane(const uint8_t* plane, size_t count, size_t bpp, size_t c, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) out[i * bpp + c] = plane[i];
}

}  // namespace

uint32_t CKVIDECODER::Reset() {
    kvi::resetHeader(*this);
    return KVI_OK;
}

uint32_t CKVIDECODER::ReadHeader() {
    ReadFile(signature, 4);
    if (signature[0] != 'k' || signature[1] != 'v' || signature[2] != 'I') return KVI_ERR_SIGNATURE;
    if (signature[3] != kvi::kVersion) return KVI_ERR_VERSION;
    HeaderReader in(file);
    uint8_t tag = in.tag();
    if (tag == kvi::TagEnd) return KVI_ERR_EMPTY;
    for (; tag != kvi::TagEnd; tag = in.tag()) {
        switch (tag) {
            case kvi::TagText1: hasText1 = 1; in.text(text1, sizeof text1); break;
            case kvi::TagText2: hasText2 = 1; in.text(text2, sizeof text2); break;
            case kvi::TagCreator: hasCreator = 1; in.text(creator, sizeof creator); break;
            case kvi::TagStamp:
                hasStamp = 1;
                in.u8(stampDay);
                in.u8(stampMonth);
                in.u32(stampYear);
                in.u8(stampHour);
                in.u8(stampMinute);
                in.u8(stampSecond);
                break;
            case kvi::TagSize: in.u32(width); in.u32(height); break;
            case kvi::TagCoding: {
                in.u32(quality);
                uint32_t entry = in.u32OrZero();
                // The writer ends an empty list with a second 0; it belongs to this record.
                if (entry == 0) in.u32OrZero();
                for (int n = 0; entry != 0; ++n, entry = in.u32OrZero()) {
                    if (n == 2) return KVI_ERR_MODE_COUNT;
                    coders[n] = entry;
                }
                break;
            }
            case kvi::TagPalette: {
                const uint32_t count = in.u32OrZero();
                const uint32_t kept = count < kvi::kMaxPalette ? count : kvi::kMaxPalette;
                hasPalette = 1;
                paletteCount = kept;
                for (uint32_t i = 0; i < kept; ++i) in.u32(palette[i]);
                in.skip(uint64_t(count - kept) * 4);
                break;
            }
            case kvi::TagFormat: in.u8(bitsPerPixel); in.u8(variant); in.u32(colorDesc); break;
            default: break;  // unknown tags carry no payload
        }
    }
    return KVI_OK;
}

uint32_t CKVIDECODER::ReadData() {
    if (!file) return KVI_ERR_NO_FILE;
    uint8_t length[4];
    if (std::fread(length, 1, 4, file) != 4) {
        dataSize = 0;
        return KVI_ERR_IO;
    }
    const uint32_t size = kvi::readLe32(length);
    dataSize = 0;  // data and dataSize stay consistent whatever happens below
    if (size == 0) return KVI_ERR_EMPTY;
    const int64_t left = bytesLeft(file);
    if (left >= 0 && size > left) return KVI_ERR_IO;
    auto* buffer = static_cast<uint8_t*>(std::malloc(size));
    if (!buffer) return KVI_ERR_CODEC;
    if (std::fread(buffer, 1, size, file) != size) {
        std::free(buffer);
        return KVI_ERR_IO;
    }
    data = buffer;
    dataSize = size;
    return KVI_OK;
}

namespace {

// Fewest bytes a run-length stream needs for n samples whatever their values: runs of the
// largest count, a lone remaining sample as a literal.
uint64_t minRunBytes(uint64_t n, uint32_t maxRun) {
    const uint64_t rest = n % maxRun;
    return 2 * (n / maxRun) + (rest == 0 ? 0 : rest == 1 ? 1 : 2);
}

// Per byte position a u32 length and that many stream bytes: a length past the data fails
// as an undecodable plane, one shorter than any encoder writes for the plane as a picture
// larger than its data.
uint32_t checkPlaneTable(const uint8_t* data, uint64_t size, size_t bpp, uint32_t width, uint32_t height) {
    const uint64_t least = kvi::b1::minStreamBytes(width, height);
    uint64_t pos = 0;
    for (size_t c = 0; c < bpp; ++c) {
        if (size - pos < 4) return KVI_ERR_CODEC;
        const uint32_t length = kvi::readLe32(data + pos);
        pos += 4;
        if (length > size - pos) return KVI_ERR_CODEC;
        if (length < least) return KVI_ERR_SIZE;
        pos += length;
    }
    return KVI_OK;
}

// Whether the data section can produce the declared picture at the largest expansion of its
// mode: stored pixels only themselves, run-length rows at most the longest run per byte
// pair (the very last run head may lack its value byte), B1 planes as checkPlaneTable.
uint32_t checkDataCanHold(const CKVIDECODER& d, uint64_t imageBytes) {
    const uint64_t size = d.data ? d.dataSize : 0;
    const size_t bpp = d.bitsPerPixel / 8;
    kvi::RunMode run;
    if (kvi::runModeOf(d.coders[0], run)) {
        const uint64_t samples = uint64_t(d.width) * d.height * bpp;
        const uint64_t rows = run.wholeImage ? 1 : d.height;
        return rows * minRunBytes(samples / rows, run.maxRun) <= size + 1 ? KVI_OK : KVI_ERR_SIZE;
    }
    if (d.coders[0] == KVI_MODE_B1) return checkPlaneTable(d.data, size, bpp, d.width, d.height);
    return size >= imageBytes ? KVI_OK : KVI_ERR_SIZE;
}

}  // namespace

uint32_t CKVIDECODER::DecompressImage() {
    if (width == 0 || height == 0) return KVI_ERR_SIZE;
    if (bitsPerPixel < kMinDepth || bitsPerPixel > kMaxDepth) return KVI_ERR_DEPTH;
    if (colorDesc > 7) return KVI_ERR_COLOR_DESC;
    if (bitsPerPixel == 24 && variant > 1) return KVI_ERR_COLOR_INDEX;
    if (coders[0] != 0 && coders[1] != 0) return KVI_ERR_MODE;
    // Nothing is allocated before the picture is known to fit the budget and its data.
    const uint64_t imageBytes = uint64_t(width) * height * bitsPerPixel / 8;
    if (imageBytes > UINT32_MAX || !g_budget.get().allows(width, height, (bitsPerPixel + 7) / 8))
        return KVI_ERR_SIZE;
    if (const uint32_t status = checkDataCanHold(*this, imageBytes)) return status;

    uint32_t status = KVI_OK;
    switch (coders[0]) {  // 0 or an unknown identifier leaves the data as stored
        case KVI_MODE_A1: status = Decompress_ModeA1(); break;
        case KVI_MODE_A1E: status = Decompress_ModeA1E(); break;
        case KVI_MODE_A2: status = Decompress_ModeA2(); break;
        case KVI_MODE_A2E: status = Decompress_ModeA2E(); break;
        case KVI_MODE_A3: status = Decompress_ModeA3(); break;
        case KVI_MODE_A3E: status = Decompress_ModeA3E(); break;
        case KVI_MODE_B1: status = Decompress_ModeB1(); break;
        default: break;
    }
    if (status != KVI_OK) return status;

    auto* pixels = static_cast<uint8_t*>(std::calloc(imageBytes, 1));
    if (!pixels) return KVI_ERR_SIZE;
    std::memcpy(pixels, data, std::min<uint64_t>(dataSize, imageBytes));
    image = pixels;
    return KVI_OK;
}

uint32_t CKVIDECODER::ChangeColorTheme(uint32_t from, uint32_t to) {
    return from > 7 || to > 7 ? KVI_ERR_COLOR_INDEX : KVI_OK;
}

namespace {

// Replaces the coded buffer with the decoded one; the coded bytes stay reachable via work.
struct DecodeTarget {
    uint8_t* pixels = nullptr;
    uint8_t* scratch = nullptr;
    ~DecodeTarget() {
        std::free(pixels);
        std::free(scratch);
    }
    bool allocate(uint64_t pixelBytes, uint64_t scratchBytes) {
        pixels = static_cast<uint8_t*>(std::malloc(pixelBytes ? pixelBytes : 1));
        scratch = static_cast<uint8_t*>(std::malloc(scratchBytes ? scratchBytes : 1));
        return pixels && scratch;
    }
    uint8_t* release() {
        uint8_t* p = pixels;
        pixels = nullptr;
        return p;
    }
};

}  // namespace

// Rows of width * Bpp samples, each row one stream per byte position.
static uint32_t undoRuns(CKVIDECODER& d, uint32_t mode) {
    kvi::RunMode run;
    kvi::runModeOf(mode, run);
    const size_t bpp = d.bitsPerPixel / 8;
    const uint64_t pixels = uint64_t(d.width) * d.height;
    const size_t rowPixels = run.wholeImage ? size_t(pixels) : d.width;
    const size_t rows = run.wholeImage ? 1 : d.height;
    const size_t rowBytes = rowPixels * bpp;
    DecodeTarget target;
    if (!target.allocate(pixels * bpp, bpp > 1 ? rowBytes : 0)) return KVI_ERR_CODEC;
    kvsupport::ByteCursor in(d.data, d.dataSize);
    for (size_t y = 0; y < rows; ++y) {
        uint8_t* out = target.pixels + y * rowBytes;
        uint8_t* row = bpp > 1 ? target.scratch : out;
        decodeRuns(in, run.threshold, row, rowBytes);
        for (size_t c = 0; bpp > 1 && c < bpp; ++c) spreadPlane(row + c * rowPixels, rowPixels, bpp, c, out);
    }
    d.work = d.data;
    d.data = target.release();
    d.dataSize = uint32_t(pixels * bpp);
    return KVI_OK;
}

uint32_t CKVIDECODER::Decompress_ModeA1() { return undoRuns(*this, KVI_MODE_A1); }
uint32_t CKVIDECODER::Decompress_ModeA1E() { return undoRuns(*this, KVI_MODE_A1E); }
uint32_t CKVIDECODER::Decompress_ModeA2() { return undoRuns(*this, KVI_MODE_A2); }
uint32_t CKVIDECODER::Decompress_ModeA2E() { return undoRuns(*this, KVI_MODE_A2E); }
uint32_t CKVIDECODER::Decompress_ModeA3() { return undoRuns(*this, KVI_MODE_A3); }
uint32_t CKVIDECODER::Decompress_ModeA3E() { return undoRuns(*this, KVI_MODE_A3E); }

// Per byte position: a u32 length, then that plane's stream. A length past the data or a
// plane the codec refuses fails the whole picture. The planes go straight into the pixels.
uint32_t CKVIDECODER::Decompress_ModeB1() {
    const size_t bpp = bitsPerPixel / 8;  // at most 4: DecompressImage checked the depth
    const uint64_t pixels = uint64_t(width) * height;
    DecodeTarget target;
    if (!target.allocate(pixels * bpp, 0)) return KVI_ERR_CODEC;
    const size_t size = data ? dataSize : 0;
    size_t pos = 0;
    kvi::b1::PlaneStream planes[kMaxDepth / 8];
    for (size_t c = 0; c < bpp; ++c) {
        if (size - pos < 4) return KVI_ERR_CODEC;
        const uint32_t length = kvi::readLe32(data + pos);
        pos += 4;
        if (length > size - pos) return KVI_ERR_CODEC;
        planes[c] = {data + pos, length, target.pixels + c};
        pos += length;
    }
    if (kvi::b1::decodePlanes(planes, bpp, width, height, quality, bpp) != kvi::b1::Ok) return KVI_ERR_CODEC;
    work = data;
    data = target.release();
    dataSize = uint32_t(pixels * bpp);
    return KVI_OK;
}

unsigned int KVIDECODER_GetVersion(void) { return 1; }

void KVIDECODER_GetErrorStr(uint32_t code, char* text) { kvi::copyStatusText(code, text); }

void KVIDECODER_SetPixelBudget(uint64_t maxPixels, uint64_t maxBytes) { g_budget.set(maxPixels, maxBytes); }

void KVIDECODER_GetPixelBudget(uint64_t* maxPixels, uint64_t* maxBytes) {
    const platform::DecodeBudget budget = g_budget.get();
    if (maxPixels) *maxPixels = budget.maxPixels;
    if (maxBytes) *maxBytes = budget.maxBytes;
}

uint32_t KVIDECODER_UnpackRgba(const CKVIDECODER* decoder, uint8_t* rgba) {
    if (!decoder || !decoder->image || !rgba) return KVI_ERR_CODEC;
    if (decoder->colorDesc > 7) return KVI_ERR_COLOR_DESC;
    const size_t bytes = decoder->bitsPerPixel / 8;
    if (bytes < 1 || bytes > 4) return KVI_ERR_DEPTH;
    // For each RGBA channel, the stored byte that holds it, or -1.
    const char* letters = kvi::storedLetters(decoder->colorDesc, bytes);
    int source[4] = {-1, -1, -1, -1};
    for (size_t k = 0; k < bytes; ++k) {
        if (const char* channel = std::strchr("rgba", letters[k])) source[channel - "rgba"] = int(k);
    }
    const uint8_t defaults[4] = {0, 0, 0, 255};
    const uint8_t* in = decoder->image;
    const uint64_t count = uint64_t(decoder->width) * decoder->height;
    for (uint64_t i = 0; i < count; ++i, in += bytes, rgba += 4) {
        for (int c = 0; c < 4; ++c) rgba[c] = source[c] < 0 ? defaults[c] : in[source[c]];
    }
    return KVI_OK;
}
