#include "testsupport.h"

#include <cstdio>

#include <jpeglib.h>

namespace kvtest {

bool writeJpeg(const std::string& path, const Bytes& rgba, uint32_t width, uint32_t height, int quality,
               bool subsampled) {
    if (rgba.size() < size_t(width) * height * 4) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = subsampled ? 2 : 1;
    jpeg_start_compress(&info, TRUE);
    Bytes row(size_t(width) * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = rgba[(size_t(y) * width + x) * 4 + c];
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace kvtest
