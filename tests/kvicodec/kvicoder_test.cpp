// The encoder: byte layouts of the data section and the header, the coding list and the
// field checks.
#include "kvicodec_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using kvitest::Bytes;
using kvitest::Coder;

Bytes codedSection(const Bytes& rgba, uint32_t w, uint32_t h, uint32_t mode, uint8_t bits = 32, uint32_t desc = 0) {
    Coder c;
    c.width = w;
    c.height = h;
    c.bitsPerPixel = bits;
    c.colorDesc = desc;
    EXPECT_EQ(c.AddCoder(mode), 0u);
    EXPECT_EQ(c.CompressImage(rgba.data()), 0u);
    return c.coded();
}

// A picture of one row whose red channel is the given samples (others 0).
Bytes redRow(const Bytes& reds) {
    Bytes rgba;
    for (uint8_t r : reds) rgba.insert(rgba.end(), {r, 0, 0, 0});
    return rgba;
}

TEST(KviCoder, RunLengthLayoutsOfTheFormat) {
    // 2x1, "rgba", A1: per byte position one stream.
    EXPECT_EQ(codedSection({10, 10, 10, 255, 10, 20, 10, 255}, 2, 1, KVI_MODE_A1),
              (Bytes{0xC2, 0x0A, 0x0A, 0x14, 0xC2, 0x0A, 0xC2, 0xFF}));
    // A lone value at or above the threshold is a run of one; below it a literal.
    EXPECT_EQ(codedSection(redRow({200}), 1, 1, KVI_MODE_A1, 8), (Bytes{0xC1, 0xC8}));
    EXPECT_EQ(codedSection(redRow({191}), 1, 1, KVI_MODE_A1, 8), (Bytes{0xBF}));
    EXPECT_EQ(codedSection(redRow({0xC0}), 1, 1, KVI_MODE_A1, 8), (Bytes{0xC1, 0xC0}));
    EXPECT_EQ(codedSection(redRow({0x7F, 0x80}), 2, 1, KVI_MODE_A2, 8), (Bytes{0x7F, 0x81, 0x80}));
    EXPECT_EQ(codedSection(redRow({0xDF, 0xE0}), 2, 1, KVI_MODE_A3, 8), (Bytes{0xDF, 0xE1, 0xE0}));
}

TEST(KviCoder, RunsSplitAtTheLargestRunAndNeverCrossARow) {
    const Bytes rgba = redRow(Bytes(140, 5));
    // A1: 63 + 7 per row; A3: 31 + 31 + 8; A2 takes 70 at once.
    EXPECT_EQ(codedSection(rgba, 70, 2, KVI_MODE_A1, 8), (Bytes{0xFF, 5, 0xC7, 5, 0xFF, 5, 0xC7, 5}));
    EXPECT_EQ(codedSection(rgba, 70, 2, KVI_MODE_A3, 8),
              (Bytes{0xFF, 5, 0xFF, 5, 0xE8, 5, 0xFF, 5, 0xFF, 5, 0xE8, 5}));
    EXPECT_EQ(codedSection(rgba, 70, 2, KVI_MODE_A2, 8), (Bytes{0xC6, 5, 0xC6, 5}));
    // The whole-image variant runs across the row end: 140 = 127 + 13.
    EXPECT_EQ(codedSection(rgba, 70, 2, KVI_MODE_A2E, 8), (Bytes{0xFF, 5, 0x8D, 5}));
}

TEST(KviCoder, ChannelPacking) {
    const Bytes px{1, 2, 3, 4};  // r g b a
    EXPECT_EQ(codedSection(px, 1, 1, 0, 24, KVI_COLOR_BGRA), (Bytes{3, 2, 1}));
    EXPECT_EQ(codedSection(px, 1, 1, 0, 24, KVI_COLOR_ARGB), (Bytes{1, 2, 3}));
    EXPECT_EQ(codedSection(px, 1, 1, 0, 32, KVI_COLOR_XRGB), (Bytes{1, 1, 2, 3}));
    EXPECT_EQ(codedSection(px, 1, 1, 0, 32, KVI_COLOR_ABGR), (Bytes{4, 3, 2, 1}));
    EXPECT_EQ(codedSection(px, 1, 1, 0, 32, KVI_COLOR_BGRX), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(codedSection(px, 1, 1, 0, 16, KVI_COLOR_XBGR), (Bytes{3, 2}));
    // No coding mode: the packed pixels as they are.
    Coder c;
    c.width = 3;
    c.height = 2;
    c.bitsPerPixel = 24;
    const Bytes six = kvtest::makePhotoRgba(3, 2);
    ASSERT_EQ(c.CompressImage(six.data()), 0u);
    EXPECT_EQ(c.dataSize, 18u);
}

TEST(KviCoder, CodingList) {
    Coder c;
    EXPECT_EQ(c.AddCoder(7), KVI_ERR_MODE);
    EXPECT_EQ(c.AddCoder(255), KVI_ERR_MODE);
    EXPECT_EQ(c.AddCoder(0), 0u);
    EXPECT_EQ(c.coders[0], 0u);
    EXPECT_EQ(c.AddCoder(256), 0u);
    EXPECT_EQ(c.AddCoder(1), 0u);
    EXPECT_EQ(c.AddCoder(1), KVI_ERR_MODE);
    EXPECT_EQ(c.coders[0], 256u);
    EXPECT_EQ(c.coders[1], 1u);
    // Two modes are refused before anything is coded or written.
    c.width = c.height = 4;
    c.bitsPerPixel = 32;
    const Bytes px = kvtest::makePhotoRgba(4, 4);
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_MODE);
    EXPECT_EQ(c.WriteHeader(), KVI_ERR_MODE);
    EXPECT_EQ(c.data, nullptr);
}

TEST(KviCoder, FieldChecksInOrder) {
    const Bytes px = kvtest::makePhotoRgba(4, 4);
    Coder c;
    EXPECT_EQ(c.CompressImage(nullptr), KVI_ERR_CODEC);
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_SIZE);
    c.width = c.height = 4;
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_DEPTH);
    c.bitsPerPixel = 40;  // more than the packing can hold
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_DEPTH);
    c.bitsPerPixel = 32;
    c.colorDesc = 8;
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_COLOR_DESC);
    EXPECT_EQ(c.WriteHeader(), KVI_ERR_COLOR_DESC);
    c.colorDesc = 0;
    c.variant = 1;
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_COLOR_INDEX);
    c.bitsPerPixel = 24;
    EXPECT_EQ(c.CompressImage(px.data()), 0u);
    std::free(c.data);
    std::free(c.work);
    c.data = c.work = nullptr;
    c.variant = 2;
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_COLOR_INDEX);
    // A picture whose bytes do not fit the 32-bit data length is refused before allocating.
    c.variant = 0;
    c.width = c.height = 40000;
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_SIZE);
}

TEST(KviCoder, ColorDescriptions) {
    Coder c;
    char out[4] = {'?', '?', '?', '?'};
    EXPECT_EQ(c.CheckColorDesc(out, 5), 0u);
    EXPECT_EQ(std::memcmp(out, "bgrx", 4), 0);
    EXPECT_EQ(c.CheckColorDesc(out, 8), KVI_ERR_COLOR_INDEX);
    EXPECT_EQ(std::memcmp(out, "bgrx", 4), 0);
    EXPECT_EQ(c.ChangeColorTheme(0, 8), KVI_ERR_COLOR_INDEX);
}

TEST(KviCoder, B1NeedsAPlaneOfTwoPixelsAndAValidQuality) {
    Coder c;
    c.width = c.height = 1;
    c.bitsPerPixel = 32;
    c.AddCoder(KVI_MODE_B1);
    const Bytes px{1, 2, 3, 4};
    EXPECT_EQ(c.CompressImage(px.data()), KVI_ERR_CODEC);
    const Bytes four = kvtest::makePhotoRgba(2, 2);
    c.width = c.height = 2;
    c.quality = 101;
    std::free(c.data);
    std::free(c.work);
    EXPECT_EQ(c.CompressImage(four.data()), KVI_ERR_CODEC);
}

TEST(KviCoder, HeaderLayout) {
    kvtest::TempDir dir;
    Coder c;
    c.width = 2;
    c.height = 1;
    c.bitsPerPixel = 24;
    c.colorDesc = 1;
    c.quality = 90;
    c.hasPalette = 1;
    c.paletteCount = 300;  // more than the record can hold: 256 are written
    c.hasCreator = 1;
    std::memset(c.creator, 'c', sizeof c.creator);  // no NUL: cut to 127 characters
    c.hasStamp = 1;
    c.stampYear = 2026;
    const Bytes px = kvtest::makePhotoRgba(2, 1);
    ASSERT_EQ(c.CompressImage(px.data()), 0u);
    EXPECT_EQ(c.WriteHeader(), KVI_ERR_NO_FILE);
    const std::string path = dir.file("h.kvi");
    ASSERT_EQ(c.CreateFileA(path.c_str()), 0u);
    ASSERT_EQ(c.WriteHeader(), 0u);
    ASSERT_EQ(c.WriteData(), 0u);
    ASSERT_EQ(c.CloseFile(), 0u);

    kvitest::FileBuilder expected;
    expected.size(2, 1).format(24, 0, 1).coding(90, 0).u8(0x83).u32(256);
    for (int i = 0; i < 256; ++i) expected.u32(0);
    expected.u8(3);
    expected.bytes.insert(expected.bytes.end(), 127, 'c');
    expected.u8(0).u8(4).u8(1).u8(1).u32(2026).u8(12).u8(0).u8(0).end();
    expected.payload({px[2], px[1], px[0], px[6], px[5], px[4]});
    EXPECT_EQ(kvtest::readFile(path), expected.bytes);
}

TEST(KviCoder, WriteFailuresAreReported) {
    // A full disk must not pass for a written picture.
    Coder c;
    c.width = c.height = 64;
    c.bitsPerPixel = 32;
    const Bytes px = kvtest::makePhotoRgba(64, 64);
    ASSERT_EQ(c.CompressImage(px.data()), 0u);
    EXPECT_EQ(c.WriteData(), KVI_ERR_NO_FILE);
    ASSERT_EQ(c.CreateFileA("/dev/full"), 0u);
    EXPECT_EQ(c.WriteHeader(), 0u);  // still buffered
    EXPECT_EQ(c.WriteData(), KVI_ERR_IO);
    c.CloseFile();
    EXPECT_EQ(c.CreateFileA("/nonexistent/dir/x.kvi"), KVI_ERR_OPEN);
}

}  // namespace
