#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

using namespace kdgltest;
using kvtest::put32;

namespace {

Bytes loadBmp(const Bytes& file, uint32_t& status, CCodecBMP& codec) {
    status = codec.LoadFromMemory(file.data(), static_cast<uint32_t>(file.size()));
    if (status != KDGL_OK) return {};
    const uint32_t bpp = codec.type == KDGL_TYPE_24BIT ? 3 : codec.type == KDGL_TYPE_32BIT ? 4 : 1;
    Owned owned(codec.data);
    return bytesOf(owned.get(), size_t(codec.width) * codec.height * bpp);
}

TEST(BmpReader, TwentyFourBitBottomUpComesTopFirstAsRgb) {
    // File rows bottom first, each 9 bytes B, G, R padded to 12.
    const Bytes rows = {7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 0, 0,   // bottom row
                        1, 2, 3, 4, 5, 6, 70, 80, 90, 0, 0, 0};     // top row
    CCodecBMP codec;
    uint32_t status = 0;
    const Bytes pixels = loadBmp(bmpFile(3, 2, 24, {}, rows), status, codec);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(codec.type, KDGL_TYPE_24BIT);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1, 6, 5, 4, 90, 80, 70, 9, 8, 7, 12, 11, 10, 15, 14, 13}));
}

TEST(BmpReader, ThirtyTwoBitGivesRgba) {
    CCodecBMP codec;
    uint32_t status = 0;
    const Bytes pixels = loadBmp(bmpFile(1, 1, 32, {}, {10, 20, 30, 40}), status, codec);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(codec.type, KDGL_TYPE_32BIT);
    EXPECT_EQ(pixels, (Bytes{30, 20, 10, 40}));
}

TEST(BmpReader, NegativeHeightIsTopDown) {
    const Bytes rows = {1, 2, 3, 0, 4, 5, 6, 0};
    CCodecBMP codec;
    uint32_t status = 0;
    const Bytes pixels = loadBmp(bmpFile(1, -2, 24, {}, rows), status, codec);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(codec.height, 2u);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(BmpReader, EightBitPaletteIsConvertedFromBgrAndHonoursColoursUsed) {
    // Two palette entries (colours used = 2); index 5 lies beyond them and reads black.
    const Bytes palette = {10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes rows = {1, 0, 5, 0};
    CCodecBMP codec;
    uint32_t status = 0;
    const Bytes pixels = loadBmp(bmpFile(3, 1, 8, palette, rows, 2), status, codec);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(codec.type, KDGL_TYPE_8BIT);
    EXPECT_EQ(pixels, (Bytes{1, 0, 5}));
    EXPECT_EQ(codec.palette[0].r, 30);
    EXPECT_EQ(codec.palette[0].b, 10);
    EXPECT_EQ(codec.palette[1].r, 60);
    EXPECT_EQ(codec.palette[1].g, 50);
    EXPECT_EQ(codec.palette[5].r + codec.palette[5].g + codec.palette[5].b, 0);
}

TEST(BmpReader, PaletteFollowsALongerInfoHeader) {
    Bytes file = bmpFile(1, 1, 8, {}, {});
    file[14] = 44;                                    // info header of 44 bytes
    file.insert(file.begin() + 54, {0xEE, 0xEE, 0xEE, 0xEE});
    const Bytes entry = {1, 2, 3, 0};
    file.insert(file.end(), entry.begin(), entry.end());
    file.insert(file.end(), {0, 0, 0, 0});           // the pixel row
    file[10] = static_cast<uint8_t>(file.size() - 4);
    file[46] = 1;                                     // colours used
    CCodecBMP codec;
    uint32_t status = 0;
    loadBmp(file, status, codec);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(codec.palette[0].r, 3);
    EXPECT_EQ(codec.palette[0].b, 1);
}

TEST(BmpReader, PackedDepthsOfAnyWidthUnpackToIndices) {
    // 1 bit, width 11: bits 1011 0011 101 -> one index a pixel.
    CCodecBMP one;
    uint32_t status = 0;
    Bytes pixels = loadBmp(bmpFile(11, 1, 1, Bytes(8, 0), {0xB3, 0xA0, 0, 0}), status, one);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(one.type, KDGL_TYPE_8BIT);
    EXPECT_EQ(pixels, (Bytes{1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 1}));
    // 4 bits, width 3.
    CCodecBMP four;
    pixels = loadBmp(bmpFile(3, 1, 4, Bytes(64, 0), {0x5A, 0xF0, 0, 0}), status, four);
    ASSERT_EQ(status, KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{5, 10, 15}));
}

TEST(BmpReader, RefusesWhatItDoesNotRead) {
    CCodecBMP codec;
    Bytes rle = bmpFile(1, 1, 8, Bytes(1024, 0), {0, 0, 0, 0}, 0, 1);
    EXPECT_EQ(codec.LoadFromMemory(rle.data(), uint32_t(rle.size())), KDGL_ERR_UNSUPPORTED);
    Bytes sixteen = bmpFile(1, 1, 16, {}, {0, 0, 0, 0});
    EXPECT_EQ(codec.LoadFromMemory(sixteen.data(), uint32_t(sixteen.size())), KDGL_ERR_UNSUPPORTED);
    Bytes notBm = bmpFile(1, 1, 24, {}, {0, 0, 0, 0});
    notBm[0] = 'X';
    EXPECT_EQ(codec.LoadFromMemory(notBm.data(), uint32_t(notBm.size())), KDGL_ERR_STRUCTURE);
    EXPECT_EQ(codec.LoadFromMemory(nullptr, 100), KDGL_ERR_NULL_POINTER);
    EXPECT_EQ(codec.data, nullptr);
}

TEST(BmpReader, CutFilesAndOverflowingSizesAreRefusedWithoutReadingPastTheEnd) {
    const Bytes good = bmpFile(3, 2, 24, {}, Bytes(24, 0x55));
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes part(good.begin(), good.begin() + cut);  // exact-size copy for ASan
        CCodecBMP codec;
        EXPECT_NE(codec.LoadFromMemory(part.data(), uint32_t(cut)), KDGL_OK) << "cut at " << cut;
    }
    Bytes huge = bmpFile(0x7FFFFFFF, 0x7FFFFFFF, 32, {}, Bytes(16, 0));
    CCodecBMP codec;
    EXPECT_EQ(codec.LoadFromMemory(huge.data(), uint32_t(huge.size())), KDGL_ERR_FILE_SIZE);
    Bytes farOffset = bmpFile(1, 1, 24, {}, {0, 0, 0, 0});
    farOffset[10] = 0xFF;
    farOffset[13] = 0xFF;
    EXPECT_EQ(codec.LoadFromMemory(farOffset.data(), uint32_t(farOffset.size())), KDGL_ERR_FILE_SIZE);
}

TEST(BmpWriter, WidthOneRowIsPaddedAndHeaderCarriesTheRealSize) {
    kvtest::TempDir dir;
    const std::string path = dir.file("one.bmp");
    const uint8_t pixels[] = {1, 2, 3, 4, 5, 6};  // 1 x 2, R, G, B
    ASSERT_EQ(CCodecBMP().SaveToFile(path.c_str(), pixels, 1, 2, KDGL_TYPE_24BIT, KDGL_TYPE_24BIT), KDGL_OK);
    const Bytes file = kvtest::readFile(path);
    ASSERT_EQ(file.size(), 54u + 8u);
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(file[2] | file[3] << 8, 62);  // the true file size
    EXPECT_EQ(file[34], 8);                 // image size: stride 4 x 2 rows
    EXPECT_EQ(file[38] | file[39] << 8, 11811);
    // Bottom row first, B, G, R and one zero byte of padding.
    EXPECT_EQ(Bytes(file.begin() + 54, file.end()), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BmpWriter, RoundTripsThroughTheReader) {
    kvtest::TempDir dir;
    const Bytes rgba = kvtest::makePhotoRgba(13, 7);
    for (const uint32_t type : {KDGL_TYPE_24BIT, KDGL_TYPE_32BIT}) {
        const std::string path = dir.file("rt.bmp");
        ASSERT_EQ(CCodecBMP().SaveToFile(path.c_str(), rgba.data(), 13, 7, KDGL_TYPE_32BIT, type), KDGL_OK);
        CCodecBMP codec;
        ASSERT_EQ(codec.LoadFromFile(path.c_str()), KDGL_OK);
        Owned owned(codec.data);
        ASSERT_EQ(codec.type, type);
        const size_t bpp = type == KDGL_TYPE_32BIT ? 4 : 3;
        Bytes expected;
        for (size_t i = 0; i < rgba.size(); i += 4)
            expected.insert(expected.end(), rgba.begin() + long(i), rgba.begin() + long(i + bpp));
        EXPECT_EQ(bytesOf(owned.get(), expected.size()), expected);
    }
}

TEST(BmpWriter, RefusesEmptyPicturesAndOtherDepths) {
    kvtest::TempDir dir;
    const std::string path = dir.file("x.bmp");
    const uint8_t pixels[4] = {};
    CCodecBMP codec;
    EXPECT_EQ(codec.SaveToFile(path.c_str(), pixels, 0, 1, KDGL_TYPE_24BIT, KDGL_TYPE_24BIT), KDGL_ERR_RESOLUTION);
    EXPECT_EQ(codec.SaveToFile(path.c_str(), pixels, 1, 1, KDGL_TYPE_8BIT, KDGL_TYPE_8BIT), KDGL_ERR_COLOR_DEPTH);
    EXPECT_EQ(codec.SaveToFile(dir.file("no/such/dir.bmp").c_str(), pixels, 1, 1, KDGL_TYPE_24BIT,
                               KDGL_TYPE_24BIT),
              KDGL_ERR_FILE_CREATE);
}

}  // namespace
