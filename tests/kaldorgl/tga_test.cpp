#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

using namespace kdgltest;

namespace {

uint32_t loadTga(const Bytes& file, CCodecTGA& codec, Bytes& pixels) {
    const uint32_t status = codec.LoadFromMemory(file.data(), uint32_t(file.size()));
    if (status != KDGL_OK) return status;
    Owned owned(codec.data);
    const size_t bpp = codec.type == KDGL_TYPE_32BIT ? 4 : codec.type == KDGL_TYPE_24BIT ? 3
                       : codec.type == KDGL_TYPE_15BIT ? 2 : 1;
    pixels = bytesOf(owned.get(), size_t(codec.width) * codec.height * bpp);
    return status;
}

TEST(TgaReader, OriginBitDecidesTheRowOrderForEveryKind) {
    const Bytes raw = {1, 2, 3, 4, 5, 6};  // 1 x 2, B, G, R; file row 0 then row 1
    const Bytes rle = {0x80, 1, 2, 3, 0x80, 4, 5, 6};
    CCodecTGA codec;
    Bytes pixels;
    ASSERT_EQ(loadTga(tgaFile(2, 1, 2, 24, 0, raw), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{6, 5, 4, 3, 2, 1}));  // bottom-up: last file row first
    ASSERT_EQ(loadTga(tgaFile(10, 1, 2, 24, 0, rle), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{6, 5, 4, 3, 2, 1}));
    ASSERT_EQ(loadTga(tgaFile(10, 1, 2, 24, 0x20, rle), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    ASSERT_EQ(loadTga(tgaFile(2, 2, 1, 24, 0x30, raw), codec, pixels), KDGL_OK);  // right to left
    EXPECT_EQ(pixels, (Bytes{6, 5, 4, 3, 2, 1}));
}

TEST(TgaReader, RunLengthPacketsStopAtThePictureEnd) {
    // One run of 128 pixels for a 2 x 1 picture, then raw packets too long for what is left.
    CCodecTGA codec;
    Bytes pixels;
    ASSERT_EQ(loadTga(tgaFile(10, 2, 1, 32, 0x20, {0xFF, 1, 2, 3, 4}), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4}));
    ASSERT_EQ(loadTga(tgaFile(10, 1, 1, 24, 0x20, {0x7F, 1, 2, 3}), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1}));
    EXPECT_EQ(loadTga(tgaFile(10, 3, 1, 24, 0x20, {0x81, 1, 2, 3}), codec, pixels), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(loadTga(tgaFile(10, 2, 1, 24, 0x20, {0x01, 1, 2, 3}), codec, pixels), KDGL_ERR_FILE_SIZE);
}

TEST(TgaReader, SkipsTheIdAndHonoursTheColourMap) {
    // ID of 3 bytes; map entries 16 bits starting at index 2: pure red, then pure blue.
    Bytes body = {'a', 'b', 'c', 0x00, 0x7C, 0x1F, 0x00, 2, 3};
    CCodecTGA codec;
    Bytes pixels;
    ASSERT_EQ(loadTga(tgaFile(1, 2, 1, 8, 0x20, body, 3, 1, 2, 2, 16), codec, pixels), KDGL_OK);
    EXPECT_EQ(codec.type, KDGL_TYPE_8BIT);
    EXPECT_EQ(pixels, (Bytes{2, 3}));
    EXPECT_EQ(codec.palette[2].r, 255);
    EXPECT_EQ(codec.palette[2].b, 0);
    EXPECT_EQ(codec.palette[3].b, 255);
    EXPECT_EQ(codec.palette[0].r, 0);
    // A true-colour picture may carry a colour map too: it is skipped.
    ASSERT_EQ(loadTga(tgaFile(2, 1, 1, 24, 0, {9, 9, 9, 1, 2, 3}, 0, 1, 0, 1, 24), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1}));
}

TEST(TgaReader, RefusesCutFilesAndUnknownDepths) {
    CCodecTGA codec;
    Bytes pixels;
    EXPECT_EQ(loadTga(tgaFile(2, 2, 2, 24, 0, Bytes(11, 0)), codec, pixels), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(loadTga(tgaFile(2, 1, 1, 7, 0, Bytes(3, 0)), codec, pixels), KDGL_ERR_COLOR_DEPTH);
    EXPECT_EQ(loadTga(tgaFile(1, 1, 1, 8, 0, {0}, 0, 1, 0, 200, 24), codec, pixels), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(loadTga(tgaFile(10, 65535, 65535, 32, 0, Bytes(100, 0xFF)), codec, pixels), KDGL_ERR_FILE_SIZE);
    for (size_t cut = 0; cut < 18; ++cut) {
        const Bytes part(cut + 1, 2);
        EXPECT_EQ(codec.LoadFromMemory(part.data(), uint32_t(cut)), KDGL_ERR_FILE_SIZE);
    }
    EXPECT_EQ(codec.LoadFromMemory(nullptr, 30), KDGL_ERR_MEMORY_USE);
}

TEST(TgaWriter, FifteenBitRedAndTheAlphaDescriptor) {
    kvtest::TempDir dir;
    const std::string path = dir.file("t.tga");
    const uint8_t red[] = {255, 0, 0};
    ASSERT_EQ(CCodecTGA().SaveToFile(path.c_str(), red, 1, 1, KDGL_TYPE_24BIT, KDGL_TYPE_15BIT), KDGL_OK);
    Bytes file = kvtest::readFile(path);
    ASSERT_EQ(file.size(), 20u);
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[16], 15);
    EXPECT_EQ(file[17], 0);
    EXPECT_EQ(file[18], 0x00);
    EXPECT_EQ(file[19], 0x7C);
    const uint8_t rgba[] = {1, 2, 3, 4};
    ASSERT_EQ(CCodecTGA().SaveToFile(path.c_str(), rgba, 1, 1, KDGL_TYPE_32BIT, KDGL_TYPE_32BIT), KDGL_OK);
    file = kvtest::readFile(path);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 8);
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), (Bytes{3, 2, 1, 4}));
}

TEST(TgaWriter, RoundTripsEveryDepth) {
    kvtest::TempDir dir;
    const std::string path = dir.file("rt.tga");
    const Bytes rgba = kvtest::makePhotoRgba(5, 4);
    CCodecTGA codec;
    Bytes pixels;
    ASSERT_EQ(CCodecTGA().SaveToFile(path.c_str(), rgba.data(), 5, 4, KDGL_TYPE_32BIT, KDGL_TYPE_32BIT), KDGL_OK);
    ASSERT_EQ(loadTga(kvtest::readFile(path), codec, pixels), KDGL_OK);
    EXPECT_EQ(pixels, rgba);
    ASSERT_EQ(CCodecTGA().SaveToFile(path.c_str(), rgba.data(), 5, 4, KDGL_TYPE_32BIT, KDGL_TYPE_15BIT), KDGL_OK);
    ASSERT_EQ(loadTga(kvtest::readFile(path), codec, pixels), KDGL_OK);
    ASSERT_EQ(codec.type, KDGL_TYPE_15BIT);
    // Saving the 15-bit canvas again gives the same file.
    const Bytes first = kvtest::readFile(path);
    ASSERT_EQ(CCodecTGA().SaveToFile(path.c_str(), pixels.data(), 5, 4, KDGL_TYPE_15BIT, KDGL_TYPE_15BIT), KDGL_OK);
    EXPECT_EQ(kvtest::readFile(path), first);
    EXPECT_EQ(pixels[0] >> 2, rgba[0] >> 3);  // red of the first pixel
}

}  // namespace
