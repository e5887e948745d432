// JPEG reading through libjpeg (API 62). Fatal library errors come back as status 259
// through a setjmp error manager; nothing is written to standard error. The frame is
// checked against the decoding budget before anything is allocated for it, libjpeg's own
// memory is limited to the budget, and warnings are counted for the caller.
#include "internal.h"
#include "regular_file.h"

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

// Widens one decoded scan line of 1 or 4 components in place to R, G, B. The line is sized
// for three bytes a pixel, and 4-component data is read from a separate buffer.
void toRgb(const uint8_t* src, uint8_t* dst, uint32_t width, int components, bool inverted) {
    if (components == 1) {
        for (uint32_t x = width; x-- > 0;) dst[x * 3] = dst[x * 3 + 1] = dst[x * 3 + 2] = src[x];
        return;
    }
    for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = cmykChannel(src[0], src[3], inverted);
        dst[1] = cmykChannel(src[1], src[3], inverted);
        dst[2] = cmykChannel(src[2], src[3], inverted);
    }
}

struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager error{};
    jpeg_progress_mgr progress{};
    std::FILE* file = nullptr;
    uint8_t* pixels = nullptr;
    uint8_t* cmykLine = nullptr;

    ~Decoder() {
        jpeg_destroy_decompress(&info);
        if (file) std::fclose(file);
        std::free(cmykLine);
        std::free(pixels);
    }
};

// Decodes with the rows bottom first. Kept free of C++ objects with destructors between
// setjmp and longjmp.
uint32_t decode(Decoder& d, uint32_t& width, uint32_t& height) {
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
    jpeg_stdio_src(&d.info, d.file);
    jpeg_read_header(&d.info, TRUE);
    if (const uint32_t status = checkPictureSize(d.info.image_width, d.info.image_height, 3)) return status;
    const J_COLOR_SPACE space = d.info.jpeg_color_space;
    if (space == JCS_CMYK || space == JCS_YCCK)
        d.info.out_color_space = JCS_CMYK;
    else if (space == JCS_GRAYSCALE)
        d.info.out_color_space = JCS_GRAYSCALE;
    else
        d.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.info);
    const uint32_t w = d.info.output_width;
    const uint32_t h = d.info.output_height;
    const int components = d.info.output_components;
    const bool inverted = d.info.saw_Adobe_marker;
    uint32_t status = allocImage(pixelBytes(w, h, 3), &d.pixels);
    if (status == KDGL_OK && components == 4) status = allocImage(uint64_t(w) * 4, &d.cmykLine);
    if (status != KDGL_OK) return status;
    while (d.info.output_scanline < h) {
        uint8_t* row = d.pixels + uint64_t(h - 1 - d.info.output_scanline) * w * 3;
        JSAMPROW target = components == 4 ? d.cmykLine : row;
        if (jpeg_read_scanlines(&d.info, &target, 1) != 1) return KDGL_ERR_STRUCTURE;
        if (components != 3) toRgb(target, row, w, components, inverted);
    }
    jpeg_finish_decompress(&d.info);
    width = w;
    height = h;
    return KDGL_OK;
}

}  // namespace

uint32_t CCodecJPEG::LoadFromFile(const char* name) {
    warnings = {};
    Decoder decoder;
    // Only regular files: a FIFO would block the open, a device read without end.
    decoder.file = platform::openRegularStream(name);
    if (!decoder.file) return KDGL_ERR_FILE_NAME;
    uint32_t w = 0;
    uint32_t h = 0;
    const uint32_t status = decode(decoder, w, h);
    warnings = decoder.error.warnings;
    if (status != KDGL_OK) return status;
    data = decoder.pixels;
    decoder.pixels = nullptr;
    width = w;
    height = h;
    type = static_cast<uint8_t>(KDGL_TYPE_24BIT);
    return KDGL_OK;
}

uint32_t CCodecJPEG::LoadFromMemory(const uint8_t*, uint32_t) { return KDGL_ERR_FILE_NAME; }
