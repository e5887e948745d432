// JPEG files are made here with libjpeg's own compressor.
#include "kdgl_test.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

using namespace kdgltest;

namespace {

enum class Kind { Rgb, Grey, CmykAdobe, CmykPlain, Ycck };

// A width x height picture whose every pixel has the given input samples.
Bytes compress(Kind kind, uint32_t width, uint32_t height, const Bytes& sample, bool topRed = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = kind == Kind::Grey ? 1 : kind == Kind::Rgb ? 3 : 4;
    info.in_color_space = kind == Kind::Grey ? JCS_GRAYSCALE : kind == Kind::Rgb ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (kind == Kind::Ycck) jpeg_set_colorspace(&info, JCS_YCCK);
    if (kind == Kind::CmykPlain) info.write_Adobe_marker = FALSE;
    jpeg_start_compress(&info, TRUE);
    Bytes row;
    for (uint32_t y = 0; y < height; ++y) {
        row.clear();
        for (uint32_t x = 0; x < width; ++x) {
            if (topRed && y < height / 2)
                row.insert(row.end(), {255, 0, 0});
            else
                row.insert(row.end(), sample.begin(), sample.end());
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(out, out + size);
    std::free(out);
    return file;
}

struct Loaded {
    uint32_t status;
    Bytes pixels;
    uint32_t width = 0;
    uint32_t height = 0;
};

Loaded loadJpeg(const Bytes& file) {
    kvtest::TempDir dir;
    const std::string path = dir.file("in.jpg");
    kvtest::writeFile(path, file);
    CCodecJPEG codec;
    Loaded result{codec.LoadFromFile(path.c_str()), {}};
    if (result.status == KDGL_OK) {
        Owned owned(codec.data);
        EXPECT_EQ(codec.type, KDGL_TYPE_24BIT);
        result.width = codec.width;
        result.height = codec.height;
        result.pixels = bytesOf(owned.get(), size_t(codec.width) * codec.height * 3);
    }
    return result;
}

void expectNear(const Bytes& pixels, size_t at, uint8_t r, uint8_t g, uint8_t b) {
    EXPECT_NEAR(pixels[at], r, 8);
    EXPECT_NEAR(pixels[at + 1], g, 8);
    EXPECT_NEAR(pixels[at + 2], b, 8);
}

TEST(JpegReader, CodecRowsAreBottomFirstAndDispatchTurnsThemOver) {
    const Bytes file = compress(Kind::Rgb, 16, 16, {0, 0, 255}, true);
    const Loaded codec = loadJpeg(file);
    ASSERT_EQ(codec.status, KDGL_OK);
    ASSERT_EQ(codec.width, 16u);
    expectNear(codec.pixels, 0, 0, 0, 255);                 // bottom (blue) row first
    expectNear(codec.pixels, codec.pixels.size() - 3, 255, 0, 0);

    kvtest::TempDir dir;
    for (const char* name : {"in.jpg", "in.Jpg", "in.JPG"}) {
        const std::string path = dir.file(name);
        kvtest::writeFile(path, file);
        CKaldorGL gl;
        ASSERT_EQ(gl.LoadImageFromFile(path.c_str()), KDGL_OK) << name;
        EXPECT_EQ(gl.canvas.type, KDGL_TYPE_24BIT);
        const Bytes canvas = takeCanvas(gl.canvas, 16 * 16 * 3);
        expectNear(canvas, 0, 255, 0, 0);
        expectNear(canvas, canvas.size() - 3, 0, 0, 255);
    }
    kvtest::writeFile(dir.file("in.jpeg"), file);
    EXPECT_EQ(CKaldorGL().LoadImageFromFile(dir.file("in.jpeg").c_str()), KDGL_ERR_COMPRESSION);
}

TEST(JpegReader, GreyAndFourComponentFilesComeOutAsRgb) {
    Loaded grey = loadJpeg(compress(Kind::Grey, 9, 5, {100}));
    ASSERT_EQ(grey.status, KDGL_OK);
    ASSERT_EQ(grey.pixels.size(), 9u * 5 * 3);
    expectNear(grey.pixels, grey.pixels.size() - 3, 100, 100, 100);
    // Adobe files store inverted inks: raw C = 255 and K = 255 mean no cyan and no black.
    Loaded adobe = loadJpeg(compress(Kind::CmykAdobe, 8, 8, {255, 0, 0, 255}));
    ASSERT_EQ(adobe.status, KDGL_OK);
    expectNear(adobe.pixels, 0, 255, 0, 0);
    Loaded plain = loadJpeg(compress(Kind::CmykPlain, 8, 8, {0, 255, 255, 0}));
    ASSERT_EQ(plain.status, KDGL_OK);
    expectNear(plain.pixels, 0, 255, 0, 0);
    Loaded ycck = loadJpeg(compress(Kind::Ycck, 8, 8, {255, 255, 0, 255}));
    ASSERT_EQ(ycck.status, KDGL_OK);
    expectNear(ycck.pixels, 0, 255, 255, 0);
}

TEST(JpegReader, DamagedFilesReturnAStatusAndStaySilent) {
    Bytes file = compress(Kind::Rgb, 16, 16, {10, 20, 30});
    const Bytes headOnly(file.begin(), file.begin() + 20);  // ends before any frame
    Bytes notJpeg(100, 0x42);
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadJpeg(headOnly).status, KDGL_ERR_STRUCTURE);
    EXPECT_EQ(loadJpeg(notJpeg).status, KDGL_ERR_STRUCTURE);
    EXPECT_EQ(loadJpeg(Bytes{}).status, KDGL_ERR_STRUCTURE);
    // A file cut in its scan is completed by the library.
    const Loaded cut = loadJpeg(Bytes(file.begin(), file.end() - 8));
    EXPECT_EQ(cut.status, KDGL_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(JpegReader, SizesThatCannotBeAllocatedAreRefused) {
    Bytes file = compress(Kind::Rgb, 8, 8, {1, 2, 3});
    for (size_t i = 0; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {  // frame header: height, then width
            file[i + 5] = file[i + 7] = 0xEA;
            file[i + 6] = file[i + 8] = 0x60;
            break;
        }
    }
    EXPECT_EQ(loadJpeg(file).status, KDGL_ERR_RESOLUTION);
}

TEST(JpegReader, MissingFilesAndMemoryReads) {
    CCodecJPEG codec;
    EXPECT_EQ(codec.LoadFromFile("/nonexistent/x.jpg"), KDGL_ERR_FILE_NAME);
    const uint8_t bytes[4] = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_EQ(codec.LoadFromMemory(bytes, 4), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(codec.LoadFromMemory(nullptr, 0), KDGL_ERR_FILE_NAME);
}

}  // namespace
