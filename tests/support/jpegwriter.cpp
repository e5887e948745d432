#include "testsupport.h"

#include <cstdio>

#include <jpeglib.h>

namespace kvtest {

namespace {

// Compresses rows of `components` bytes a pixel taken from `pixels` (`stride` bytes a pixel).
bool compress(const std::string& path, const Bytes& pixels, uint32_t width, uint32_t height, const JpegStyle& style,
              int components, size_t stride) {
    if (pixels.size() < size_t(width) * height * stride) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    if (style.grey) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    jpeg_set_quality(&info, style.quality, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = style.subsampled && !style.grey ? 2 : 1;
    if (style.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    Bytes row(size_t(width) * components);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) row[x * components + c] = pixels[(size_t(y) * width + x) * stride + c];
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace

bool writeJpeg(const std::string& path, const Bytes& rgba, uint32_t width, uint32_t height, const JpegStyle& style) {
    return compress(path, rgba, width, height, style, 3, 4);
}

bool writeJpeg(const std::string& path, const Bytes& rgba, uint32_t width, uint32_t height, int quality,
               bool subsampled) {
    return writeJpeg(path, rgba, width, height, JpegStyle{quality, subsampled, false, false});
}

bool writeGreyJpeg(const std::string& path, const Bytes& grey, uint32_t width, uint32_t height, int quality) {
    return compress(path, grey, width, height, JpegStyle{quality, false, false, true}, 1, 1);
}

Bytes withJpegFrameSize(Bytes file, uint16_t width, uint16_t height) {
    for (size_t i = 0; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            file[i + 5] = uint8_t(height >> 8), file[i + 6] = uint8_t(height);
            file[i + 7] = uint8_t(width >> 8), file[i + 8] = uint8_t(width);
            break;
        }
    }
    return file;
}

}  // namespace kvtest
