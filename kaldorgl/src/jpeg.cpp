// JPEG reading through libjpeg (API 62). Fatal library errors come back as status 259
// through a setjmp error manager; nothing is written to standard error. The frame is
// checked against the decoding budget before anything is allocated for it, libjpeg's own
// memory is limited to the budget, and warnings are counted for the caller. Colour files
// are converted by libjpeg-turbo's extended colour spaces straight into the final buffer,
// three or four bytes a pixel, each row where it ends up: no copy, flip or widening pass
// follows.
#include "internal.h"
#include <support/file.h>

#include <kaldorgl/kdgl_codecs.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

using namespace kdgl;

namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture;
// real files have a dozen or so.
constexpr int kMaxScans = 256;

// libjpeg's standard source hands over 4096 bytes at a time, and libjpeg-turbo decodes an
// MCU on its fast Huffman path only while several kilobytes are buffered (3 KB for 4:2:0), so
// with the standard source most MCUs took the slow path. A buffer as large as the file, up to
// a bound, keeps all of them but the last few on it and reads the file at once.
constexpr size_t kMinSourceBuffer = 1 << 16;
constexpr size_t kMaxSourceBuffer = 1 << 24;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    KDGL_WARNINGS warnings;
};

[[noreturn]] void onFatalError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (level -1) are counted and an early end of the data noted; nothing is printed.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    auto* error = reinterpret_cast<ErrorManager*>(info->err);
    ++error->warnings.count;
    if (error->base.msg_code == JWRN_JPEG_EOF) error->warnings.endedEarly = 1;
}

void onProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        info->err->msg_code = JERR_NOT_COMPILED;  // any code but the memory ones: a bad file
        info->err->error_exit(info);
    }
}

// What a fatal libjpeg error means for the caller.
uint32_t statusOfFailure(int code) {
    if (code == JERR_NO_BACKING_STORE) return KDGL_ERR_RESOLUTION;  // more memory than the budget
    if (code == JERR_OUT_OF_MEMORY) return KDGL_ERR_ALLOC;
    return KDGL_ERR_STRUCTURE;
}

// Adobe CMYK files store the inks inverted: their bytes are 255 - ink.
inline uint8_t cmykChannel(uint32_t c, uint32_t k, bool inverted) {
    return static_cast<uint8_t>(inverted ? c * k / 255 : (255 - c) * (255 - k) / 255);
}

void inksToRgb(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bpp, bool inverted) {
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += bpp) {
        dst[0] = cmykChannel(src[0], src[3], inverted);
        dst[1] = cmykChannel(src[1], src[3], inverted);
        dst[2] = cmykChannel(src[2], src[3], inverted);
        if (bpp == 4) dst[3] = 255;
    }
}

// Grey and colour files come from the library as R, G, B (A); four-component files as
// inks, which are turned into colour here.
J_COLOR_SPACE outputSpace(J_COLOR_SPACE stored, uint32_t bpp) {
    if (stored == JCS_CMYK || stored == JCS_YCCK) return JCS_CMYK;
    return bpp == 4 ? JCS_EXT_RGBA : JCS_EXT_RGB;
}

// The file read in large blocks; otherwise what libjpeg's standard source does, an
// unexpected end included (a warning, then an end-of-image marker).
struct FileSource {
    jpeg_source_mgr base;
    std::FILE* file;
    JOCTET* buffer;
    size_t capacity;
    bool started;
};

// Room for the whole file, or kMaxSourceBuffer of it, and never less than kMinSourceBuffer.
size_t sourceBufferFor(std::FILE* file) {
    uint64_t size = 0;
    if (!kvsupport::fileSize(fileno(file), size)) return kMinSourceBuffer;
    return size_t(std::clamp<uint64_t>(size, kMinSourceBuffer, kMaxSourceBuffer));
}

void startSource(j_decompress_ptr info) { reinterpret_cast<FileSource*>(info->src)->started = false; }

boolean fillSource(j_decompress_ptr info) {
    auto* src = reinterpret_cast<FileSource*>(info->src);
    size_t count = std::fread(src->buffer, 1, src->capacity, src->file);
    if (count == 0) {
        if (!src->started) ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->base.next_input_byte = src->buffer;
    src->base.bytes_in_buffer = count;
    src->started = true;
    return TRUE;
}

void skipSource(j_decompress_ptr info, long count) {
    jpeg_source_mgr* src = info->src;
    if (count <= 0) return;
    while (count > long(src->bytes_in_buffer)) {
        count -= long(src->bytes_in_buffer);
        fillSource(info);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

void endSource(j_decompress_ptr) {}

// The buffer comes from malloc, not from libjpeg's pools, so that it does not count against
// the memory that the budget leaves libjpeg for the picture; the caller frees it.
bool readFrom(j_decompress_ptr info, FileSource& src, std::FILE* file) {
    src.base = {nullptr, 0, startSource, fillSource, skipSource, jpeg_resync_to_restart, endSource};
    src.file = file;
    src.capacity = sourceBufferFor(file);
    src.buffer = static_cast<JOCTET*>(std::malloc(src.capacity));
    info->src = &src.base;
    return src.buffer != nullptr;
}

struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager error{};
    jpeg_progress_mgr progress{};
    FileSource source{};
    std::FILE* file = nullptr;
    uint8_t* pixels = nullptr;
    JSAMPROW* rows = nullptr;
    uint8_t* inkLine = nullptr;

    ~Decoder() {
        jpeg_destroy_decompress(&info);
        if (file) std::fclose(file);
        std::free(source.buffer);
        std::free(inkLine);
        std::free(rows);
        std::free(pixels);
    }
};

uint32_t readInks(Decoder& d, uint32_t bpp) {
    const uint32_t status = allocImage(uint64_t(d.info.output_width) * 4, &d.inkLine);
    if (status != KDGL_OK) return status;
    while (d.info.output_scanline < d.info.output_height) {
        uint8_t* row = d.rows[d.info.output_scanline];
        if (jpeg_read_scanlines(&d.info, &d.inkLine, 1) != 1) return KDGL_ERR_STRUCTURE;
        inksToRgb(d.inkLine, row, d.info.output_width, bpp, d.info.saw_Adobe_marker);
    }
    return KDGL_OK;
}

// Decodes into d.pixels in `layout`. Kept free of C++ objects with destructors between
// setjmp and longjmp.
uint32_t decode(Decoder& d, const JpegLayout& layout) {
    d.info.err = jpeg_std_error(&d.error.base);
    d.error.base.error_exit = onFatalError;
    d.error.base.emit_message = onMessage;
    if (setjmp(d.error.jump)) return statusOfFailure(d.error.base.msg_code);
    jpeg_create_decompress(&d.info);
    d.progress.progress_monitor = onProgress;
    d.info.progress = &d.progress;
    // Whole-picture buffers (the coefficients of progressive files) stay within the budget.
    const platform::DecodeBudget limit = budget();
    d.info.mem->max_memory_to_use = long(std::min<uint64_t>(limit.maxBytes, LONG_MAX));
    if (!readFrom(&d.info, d.source, d.file)) return KDGL_ERR_ALLOC;
    jpeg_read_header(&d.info, TRUE);
    const uint32_t bpp = layout.bytesPerPixel;
    if (const uint32_t status = checkPictureSize(d.info.image_width, d.info.image_height, bpp)) return status;
    d.info.out_color_space = outputSpace(d.info.jpeg_color_space, bpp);
    jpeg_start_decompress(&d.info);
    const uint32_t w = d.info.output_width;
    const uint32_t h = d.info.output_height;
    const uint64_t stride = uint64_t(w) * bpp;
    uint32_t status = allocImage(stride * h, &d.pixels);
    if (status != KDGL_OK) return status;
    d.rows = static_cast<JSAMPROW*>(std::malloc(sizeof(JSAMPROW) * h));
    if (!d.rows) return KDGL_ERR_ALLOC;
    for (uint32_t y = 0; y < h; ++y) d.rows[y] = d.pixels + (layout.bottomFirst ? h - 1 - y : y) * stride;
    if (d.info.out_color_space == JCS_CMYK) {
        if ((status = readInks(d, bpp)) != KDGL_OK) return status;
    } else {
        while (d.info.output_scanline < h)
            if (jpeg_read_scanlines(&d.info, d.rows + d.info.output_scanline, h - d.info.output_scanline) == 0)
                return KDGL_ERR_STRUCTURE;
    }
    jpeg_finish_decompress(&d.info);
    return KDGL_OK;
}

}  // namespace

namespace kdgl {

uint32_t loadJpegFile(const char* name, const JpegLayout& layout, Decoded& out, KDGL_WARNINGS& warnings) {
    warnings = {};
    Decoder decoder;
    // Only regular files: a FIFO would block the open, a device read without end.
    decoder.file = kvsupport::openRegularStream(name);
    if (!decoder.file) return KDGL_ERR_FILE_NAME;
    const uint32_t status = decode(decoder, layout);
    warnings = decoder.error.warnings;
    if (status != KDGL_OK) return status;
    out = Decoded{decoder.pixels, decoder.info.output_width, decoder.info.output_height,
                  layout.bytesPerPixel == 4 ? KDGL_TYPE_32BIT : KDGL_TYPE_24BIT};
    decoder.pixels = nullptr;
    return KDGL_OK;
}

}  // namespace kdgl

uint32_t CCodecJPEG::LoadFromFile(const char* name) {
    Decoded picture;
    return adopt(*this, loadJpegFile(name, JpegLayout{3, true}, picture, warnings), picture);
}

uint32_t CCodecJPEG::LoadFromMemory(const uint8_t*, uint32_t) { return KDGL_ERR_FILE_NAME; }
