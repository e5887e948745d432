// JPEG files are made here with libjpeg's own compressor.
#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

using namespace kdgltest;

namespace {

enum class Kind { Rgb, Grey, CmykAdobe, CmykPlain, Ycck };

enum class Scans { One, Progressive, PerCoefficient };

// A scan script that sends every AC coefficient of every component alone, in two passes of
// successive approximation: 1 + 3 x 63 x 2 = 379 scans, all of them valid.
std::vector<jpeg_scan_info> perCoefficientScans() {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k) {
            scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 1});
            scans.push_back({1, {c, 0, 0, 0}, k, k, 1, 0});
        }
    return scans;
}

// A width x height picture whose every pixel has the given input samples.
Bytes compress(Kind kind, uint32_t width, uint32_t height, const Bytes& sample, bool topRed = false,
               Scans scans = Scans::One) {
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
    if (scans == Scans::Progressive) jpeg_simple_progression(&info);
    const std::vector<jpeg_scan_info> script = perCoefficientScans();
    if (scans == Scans::PerCoefficient) {
        info.scan_info = script.data();
        info.num_scans = int(script.size());
    }
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
    const Bytes file = kvtest::withJpegFrameSize(compress(Kind::Rgb, 8, 8, {1, 2, 3}), 60000, 60000);
    EXPECT_EQ(loadJpeg(file).status, KDGL_ERR_RESOLUTION);
}

// The frame is checked right after the header, before libjpeg or the reader allocates for
// the picture; libjpeg's whole-picture buffers (progressive files) are bounded too.
TEST(JpegReader, KeepsToThePixelBudget) {
    const Bytes small = compress(Kind::Rgb, 64, 64, {10, 20, 30});
    KDGL_SetPixelBudget(64 * 64, 0);
    EXPECT_EQ(loadJpeg(small).status, KDGL_OK);
    KDGL_SetPixelBudget(64 * 64 - 1, 0);
    EXPECT_EQ(loadJpeg(small).status, KDGL_ERR_RESOLUTION);
    // 512 x 512 x 3 pixel bytes fit; the coefficients a progressive file needs for the whole
    // picture at once (2 bytes for each of 1.5 samples a pixel here) do not.
    const Bytes baseline = compress(Kind::Rgb, 512, 512, {10, 20, 30});
    const Bytes progressive = compress(Kind::Rgb, 512, 512, {10, 20, 30}, false, Scans::Progressive);
    KDGL_SetPixelBudget(0, 512 * 512 * 3 + 1000);
    EXPECT_EQ(loadJpeg(baseline).status, KDGL_OK);
    EXPECT_EQ(loadJpeg(progressive).status, KDGL_ERR_RESOLUTION);
    KDGL_SetPixelBudget(0, 0);
    const Loaded whole = loadJpeg(progressive);
    ASSERT_EQ(whole.status, KDGL_OK);
    expectNear(whole.pixels, 0, 10, 20, 30);
}

// A few hundred bytes whose frame header promises a huge picture: refused right after the
// header when over the budget, before libjpeg's whole-picture buffers or ours exist; within
// the budget, the picture decodes and its early end is a warning.
TEST(JpegReader, SmallFilesWithHugeFramesAreAnsweredAtTheHeader) {
    const Bytes baseline = compress(Kind::Rgb, 8, 8, {1, 2, 3});
    const Bytes progressive = compress(Kind::Rgb, 8, 8, {1, 2, 3}, false, Scans::Progressive);
    const Bytes cut = kvtest::withJpegFrameSize(Bytes(baseline.begin(), baseline.end() - 2), 16384, 16384);
    EXPECT_EQ(loadJpeg(kvtest::withJpegFrameSize(progressive, 65500, 65500)).status, KDGL_ERR_RESOLUTION);
    KDGL_SetPixelBudget(1 << 20, 0);
    EXPECT_EQ(loadJpeg(cut).status, KDGL_ERR_RESOLUTION);
    KDGL_SetPixelBudget(0, 0);

    kvtest::TempDir dir;
    const std::string path = dir.file("cut.jpg");
    kvtest::writeFile(path, kvtest::withJpegFrameSize(Bytes(baseline.begin(), baseline.end() - 2), 256, 256));
    CCodecJPEG codec;
    ASSERT_EQ(codec.LoadFromFile(path.c_str()), KDGL_OK);
    std::free(codec.data);
    EXPECT_EQ(codec.width, 256u);
    EXPECT_EQ(codec.warnings.endedEarly, 1);
}

TEST(JpegReader, AnEarlyEndIsAWarning) {
    kvtest::TempDir dir;
    const std::string whole = dir.file("whole.jpg"), cut = dir.file("cut.jpg");
    ASSERT_TRUE(kvtest::writeJpeg(whole, kvtest::makePhotoRgba(96, 64), 96, 64, 90, true));
    const Bytes file = kvtest::readFile(whole);
    kvtest::writeFile(cut, Bytes(file.begin(), file.begin() + file.size() * 3 / 4));
    CKaldorGL gl;
    gl.warnings = {9, 1};
    ASSERT_EQ(gl.LoadImageFromFileAs32(whole.c_str()), KDGL_OK);
    std::free(gl.canvas.data);
    EXPECT_EQ(gl.warnings.count, 0u);
    EXPECT_EQ(gl.warnings.endedEarly, 0);
    ASSERT_EQ(gl.LoadImageFromFileAs32(cut.c_str()), KDGL_OK);
    std::free(gl.canvas.data);
    EXPECT_GE(gl.warnings.count, 1u);
    EXPECT_EQ(gl.warnings.endedEarly, 1);
    CCodecJPEG codec;
    ASSERT_EQ(codec.LoadFromFile(cut.c_str()), KDGL_OK);
    std::free(codec.data);
    EXPECT_EQ(codec.warnings.endedEarly, 1);
    // Another format's load clears what the last one left.
    ASSERT_EQ(gl.SaveImageToFileBPP(dir.file("p.bmp").c_str(), Bytes(4, 0).data(), 1, 1, KDGL_TYPE_32BIT), KDGL_OK);
    ASSERT_EQ(gl.LoadImageFromFile(dir.file("p.bmp").c_str()), KDGL_OK);
    std::free(gl.canvas.data);
    EXPECT_EQ(gl.warnings.count, 0u);
}

// Each scan of a progressive file is another pass over the picture: files with more scans
// than any encoder writes are refused.
TEST(JpegReader, ScanCountIsLimited) {
    const Bytes many = compress(Kind::Rgb, 16, 16, {10, 20, 30}, false, Scans::PerCoefficient);
    EXPECT_EQ(loadJpeg(many).status, KDGL_ERR_STRUCTURE);
    EXPECT_EQ(loadJpeg(compress(Kind::Rgb, 16, 16, {10, 20, 30}, false, Scans::Progressive)).status, KDGL_OK);
}

// libjpeg's plain path: its default output, one row at a time, grey widened to R, G, B.
Bytes plainDecode(const Bytes& file, uint32_t& width, uint32_t& height) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    const int components = info.output_components;
    Bytes line(size_t(width) * components), out;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&info, &row, 1);
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) out.push_back(line[x * components + (components == 1 ? 0 : c)]);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

Bytes withAlpha(const Bytes& rgb) {
    Bytes out;
    for (size_t i = 0; i < rgb.size(); i += 3) out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    return out;
}

Bytes rowsReversed(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bpp) {
    Bytes out;
    for (uint32_t y = height; y-- > 0;)
        out.insert(out.end(), pixels.begin() + size_t(y) * width * bpp, pixels.begin() + size_t(y + 1) * width * bpp);
    return out;
}

// Every way in (the codec, the dispatch, As24 and As32, which decode straight into their
// final layout) gives libjpeg's plain decode, byte for byte.
TEST(JpegReader, EveryPathGivesThePlainDecodeExactly) {
    kvtest::TempDir dir;
    const Bytes photo = kvtest::makePhotoRgba(61, 37, 7);
    const kvtest::JpegStyle styles[] = {{90, true, false, false}, {90, false, false, false},
                                        {90, true, true, false}, {90, true, false, true}};
    for (const auto& style : styles) {
        SCOPED_TRACE(testing::Message() << "subsampled " << style.subsampled << " progressive "
                                        << style.progressive << " grey " << style.grey);
        const std::string path = dir.file("photo.jpg");
        ASSERT_TRUE(kvtest::writeJpeg(path, photo, 61, 37, style));
        uint32_t w = 0, h = 0;
        const Bytes plain = plainDecode(kvtest::readFile(path), w, h);
        ASSERT_EQ(w, 61u);
        ASSERT_EQ(h, 37u);

        CCodecJPEG codec;
        ASSERT_EQ(codec.LoadFromFile(path.c_str()), KDGL_OK);
        Owned owned(codec.data);
        EXPECT_EQ(bytesOf(owned.get(), plain.size()), rowsReversed(plain, w, h, 3));
        CKaldorGL gl;
        ASSERT_EQ(gl.LoadImageFromFile(path.c_str()), KDGL_OK);
        EXPECT_EQ(takeCanvas(gl.canvas, plain.size()), plain);
        ASSERT_EQ(gl.LoadImageFromFileAs24(path.c_str()), KDGL_OK);
        EXPECT_EQ(gl.canvas.type, KDGL_TYPE_24BIT);
        EXPECT_EQ(takeCanvas(gl.canvas, plain.size()), plain);
        ASSERT_EQ(gl.LoadImageFromFileAs32(path.c_str()), KDGL_OK);
        EXPECT_EQ(gl.canvas.type, KDGL_TYPE_32BIT);
        EXPECT_EQ(takeCanvas(gl.canvas, plain.size() / 3 * 4), withAlpha(plain));
    }
    // Four-component files are turned into colour by the reader itself, for either width.
    const std::string inks = dir.file("inks.jpg");
    kvtest::writeFile(inks, compress(Kind::Ycck, 9, 6, {40, 200, 90, 30}));
    CKaldorGL gl;
    ASSERT_EQ(gl.LoadImageFromFileAs24(inks.c_str()), KDGL_OK);
    const Bytes rgb = takeCanvas(gl.canvas, 9 * 6 * 3);
    ASSERT_EQ(gl.LoadImageFromFileAs32(inks.c_str()), KDGL_OK);
    EXPECT_EQ(takeCanvas(gl.canvas, 9 * 6 * 4), withAlpha(rgb));
}

TEST(JpegReader, MissingFilesAndMemoryReads) {
    CCodecJPEG codec;
    EXPECT_EQ(codec.LoadFromFile("/nonexistent/x.jpg"), KDGL_ERR_FILE_NAME);
    const uint8_t bytes[4] = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_EQ(codec.LoadFromMemory(bytes, 4), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(codec.LoadFromMemory(nullptr, 0), KDGL_ERR_FILE_NAME);
}

}  // namespace
