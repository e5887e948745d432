#include "kaldorgl_fixture.h"

#include "../../kaldorgl/src/rows.h"

#include <gtest/gtest.h>

#include <random>

using namespace kdgltest;

namespace {

uint32_t loadPcx(const Bytes& file, CCodecPCX& codec, Bytes& pixels, size_t bpp) {
    const uint32_t status = codec.LoadFromMemory(file.data(), uint32_t(file.size()));
    if (status != KDGL_OK) return status;
    Owned owned(codec.data);
    const size_t w = codec.header.xmax - codec.header.xmin + 1u;
    const size_t h = codec.header.ymax - codec.header.ymin + 1u;
    pixels = bytesOf(owned.get(), w * h * bpp);
    return status;
}

Bytes paletteTail(uint8_t marker) {
    Bytes tail = {marker};
    for (int i = 0; i < 256; ++i) tail.insert(tail.end(), {uint8_t(i), uint8_t(255 - i), 7});
    return tail;
}

TEST(PcxReader, LiteralsRunsAndThePaletteOfAnIndexedPicture) {
    // 4 x 2, one plane of 8 bits: 192 is a literal, 193 a run of one, 195 a run of three.
    Bytes body = {192, 193, 9, 195, 4, 1, 2, 3, 4};
    const Bytes tail = paletteTail(12);
    body.insert(body.end(), tail.begin(), tail.end());
    CCodecPCX codec;
    Bytes pixels;
    ASSERT_EQ(loadPcx(pcxFile(4, 2, 8, 1, 4, body), codec, pixels, 1), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{192, 9, 4, 4, 1, 2, 3, 4}));
    EXPECT_EQ(codec.palette[3].r, 3);
    EXPECT_EQ(codec.palette[3].g, 252);
    EXPECT_EQ(codec.palette[3].b, 7);
}

TEST(PcxReader, RunsAreCutAtTheEndOfTheLine) {
    // A run of 5 in a 2-byte line: the rest is dropped and the next row starts afresh.
    Bytes body = {197, 8, 1, 2};
    const Bytes tail = paletteTail(12);
    body.insert(body.end(), tail.begin(), tail.end());
    CCodecPCX codec;
    Bytes pixels;
    ASSERT_EQ(loadPcx(pcxFile(2, 2, 8, 1, 2, body), codec, pixels, 1), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{8, 8, 1, 2}));
}

TEST(PcxReader, ThreeAndFourPlanesGiveColourPixels) {
    // 2 x 1: planes R, G, B (and A), bytes per line 2.
    CCodecPCX rgb;
    Bytes pixels;
    ASSERT_EQ(loadPcx(pcxFile(2, 1, 8, 3, 2, {1, 2, 3, 4, 5, 6}), rgb, pixels, 3), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{1, 3, 5, 2, 4, 6}));
    CCodecPCX rgba;
    ASSERT_EQ(loadPcx(pcxFile(1, 1, 8, 4, 2, {1, 0, 2, 0, 3, 0, 4, 0}), rgba, pixels, 4), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{1, 2, 3, 4}));
}

TEST(PcxReader, OneAndTwoBitSinglePlaneGiveIndices) {
    CCodecPCX mono;
    Bytes pixels;
    ASSERT_EQ(loadPcx(pcxFile(10, 1, 1, 1, 2, {0xA5, 0xC0}), mono, pixels, 1), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(mono.palette[1].r, 255);
    EXPECT_EQ(mono.palette[0].r, 0);
    CCodecPCX four;
    Bytes file = pcxFile(5, 1, 2, 1, 2, {0x1B, 0x80});
    file[16 + 3 * 2] = 99;  // header palette entry 2, red
    ASSERT_EQ(loadPcx(file, four, pixels, 1), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{0, 1, 2, 3, 2}));
    EXPECT_EQ(four.palette[2].r, 99);
}

TEST(PcxReader, OneBitPlanesIndexTheHeaderPalette) {
    // 2 x 1 with 4 planes of one bit: pixel 0 has planes 0 and 2 set (index 5), pixel 1 none.
    Bytes file = pcxFile(2, 1, 1, 4, 1, {0x80, 0x00, 0x80, 0x00});
    file[16 + 15] = 11;
    file[16 + 16] = 22;
    file[16 + 17] = 33;
    file[16] = 44;
    CCodecPCX codec;
    Bytes pixels;
    ASSERT_EQ(loadPcx(file, codec, pixels, 4), KDGL_OK);
    EXPECT_EQ(pixels, (Bytes{11, 22, 33, 255, 44, 0, 0, 255}));
}

TEST(PcxReader, RefusesBadHeaders) {
    CCodecPCX codec;
    Bytes pixels;
    EXPECT_EQ(loadPcx(pcxFile(2, 1, 8, 2, 2, Bytes(4, 0)), codec, pixels, 1), KDGL_ERR_COMPRESSION);
    Bytes v3 = pcxFile(1, 1, 8, 3, 1, {1, 2, 3});
    v3[1] = 3;
    EXPECT_EQ(loadPcx(v3, codec, pixels, 3), KDGL_ERR_UNSUPPORTED);
    EXPECT_EQ(loadPcx(pcxFile(1, 1, 4, 1, 1, {1}), codec, pixels, 1), KDGL_ERR_STRUCTURE);
    EXPECT_EQ(loadPcx(pcxFile(1, 1, 2, 3, 1, {1, 1, 1}), codec, pixels, 3), KDGL_ERR_STRUCTURE);
    // Bytes per line smaller than the width.
    EXPECT_EQ(loadPcx(pcxFile(4, 1, 8, 3, 2, Bytes(6, 0)), codec, pixels, 3), KDGL_ERR_STRUCTURE);
    EXPECT_EQ(loadPcx(pcxFile(9, 1, 1, 1, 1, {0, 0}), codec, pixels, 1), KDGL_ERR_STRUCTURE);
    EXPECT_EQ(codec.LoadFromMemory(nullptr, 10), KDGL_ERR_NULL_POINTER);
}

TEST(PcxReader, PaletteMarkerAndCutDataAreChecked) {
    CCodecPCX codec;
    Bytes pixels;
    Bytes body = {5};
    Bytes tail = paletteTail(11);
    body.insert(body.end(), tail.begin(), tail.end());
    EXPECT_EQ(loadPcx(pcxFile(1, 1, 8, 1, 1, body), codec, pixels, 1), KDGL_ERR_STRUCTURE);
    body.resize(body.size() - 1);
    body[1] = 12;
    EXPECT_EQ(loadPcx(pcxFile(1, 1, 8, 1, 1, body), codec, pixels, 1), KDGL_ERR_FILE_SIZE);
    // A run whose value byte is missing, and rows that never arrive.
    EXPECT_EQ(loadPcx(pcxFile(3, 1, 8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 200}), codec, pixels, 3), KDGL_ERR_FILE_SIZE);
    EXPECT_EQ(loadPcx(pcxFile(65535, 65535, 8, 4, 65535, Bytes(64, 255)), codec, pixels, 4), KDGL_ERR_FILE_SIZE);
    for (size_t cut = 0; cut < 128; cut += 7) {
        const Bytes part(cut + 1, 10);
        EXPECT_EQ(codec.LoadFromMemory(part.data(), uint32_t(cut)), KDGL_ERR_FILE_SIZE);
    }
}

// Packets of every kind in random order: literals (192 among them), runs of 1 to 63 whose
// values may themselves be above 192 and which cross line ends, and lines that start on a
// value byte's heels; then the same data cut at many lengths.
Bytes randomPackets(size_t count, std::mt19937& rng) {
    Bytes out;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t kind = rng() % 8;
        if (kind < 4) {
            out.push_back(uint8_t(rng() % 193));
        } else {
            const uint32_t run = kind == 7 ? 1 + rng() % 63 : 1 + rng() % 3;
            out.insert(out.end(), {uint8_t(192 + run), uint8_t(rng())});
        }
    }
    return out;
}

TEST(PcxReader, VectorDecoderMatchesThePlainOne) {
    struct LevelGuard {
        ~LevelGuard() { kdgl::capRowsSimd(kdgl::Simd::Ssse3); }
    } guard;
    std::mt19937 rng(5);
    const struct {
        uint16_t width, height;
        uint8_t planes;
    } shapes[] = {{1, 40, 1}, {15, 9, 3}, {16, 7, 3}, {17, 8, 1}, {40, 5, 3}, {100, 4, 4}};
    for (const auto& shape : shapes) {
        Bytes body = randomPackets(size_t(shape.width) * shape.height * shape.planes, rng);
        if (shape.planes == 1) {
            const Bytes tail = paletteTail(12);
            body.insert(body.end(), tail.begin(), tail.end());
        }
        const Bytes file = pcxFile(shape.width, shape.height, 8, shape.planes, shape.width, body);
        for (size_t cut = 128; cut <= file.size(); cut += 1 + cut / 16) {
            SCOPED_TRACE(testing::Message() << shape.width << " x " << shape.height << " cut " << cut);
            uint32_t status[2];
            Bytes pixels[2];
            for (const int vector : {0, 1}) {
                kdgl::capRowsSimd(vector ? kdgl::Simd::Ssse3 : kdgl::Simd::Scalar);
                CCodecPCX codec;
                const Bytes part(file.begin(), file.begin() + ptrdiff_t(cut));
                status[vector] = loadPcx(part, codec, pixels[vector], shape.planes);
            }
            EXPECT_EQ(status[1], status[0]);
            EXPECT_EQ(pixels[1], pixels[0]);
        }
    }
}

TEST(PcxWriter, PacketsFollowTheRunRules) {
    kvtest::TempDir dir;
    const std::string path = dir.file("p.pcx");
    Bytes row(100 * 3, 0);
    for (size_t i = 0; i < 100; ++i) row[i * 3] = 7;
    ASSERT_EQ(CCodecPCX().SaveToFile(path.c_str(), row.data(), 100, 1, KDGL_TYPE_24BIT), KDGL_OK);
    Bytes file = kvtest::readFile(path);
    ASSERT_GE(file.size(), 128u + 4);
    EXPECT_EQ(file[65], 3);
    EXPECT_EQ(file[66], 100);
    EXPECT_EQ(file[8], 99);
    EXPECT_EQ(file[12], 72);
    EXPECT_EQ(file[68], 1);
    EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 132), (Bytes{255, 7, 229, 7}));

    const uint8_t one[] = {200, 5, 192, 77};
    ASSERT_EQ(CCodecPCX().SaveToFile(path.c_str(), one, 1, 1, KDGL_TYPE_32BIT), KDGL_OK);
    file = kvtest::readFile(path);
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), (Bytes{193, 200, 5, 193, 192, 77}));
    EXPECT_EQ(CCodecPCX().SaveToFile(path.c_str(), one, 1, 1, KDGL_TYPE_8BIT), KDGL_ERR_UNSUPPORTED);
}

TEST(PcxWriter, RoundTripsThroughTheReader) {
    kvtest::TempDir dir;
    const std::string path = dir.file("rt.pcx");
    const Bytes rgba = kvtest::makePhotoRgba(70, 9);
    ASSERT_EQ(CCodecPCX().SaveToFile(path.c_str(), rgba.data(), 70, 9, KDGL_TYPE_32BIT), KDGL_OK);
    CCodecPCX codec;
    Bytes pixels;
    ASSERT_EQ(loadPcx(kvtest::readFile(path), codec, pixels, 4), KDGL_OK);
    EXPECT_EQ(pixels, rgba);
}

}  // namespace
