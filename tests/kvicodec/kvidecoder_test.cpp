// The decoder on files built byte by byte: the reader's rejection order, record handling,
// the mode decoders on short and damaged data.
#include "kvicodec_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kvitest::Bytes;
using kvitest::Decoder;
using kvitest::FileBuilder;

// The status of each step in the users' order, stopping at the first failure.
uint32_t decode(const FileBuilder& f, Decoder& d) { return kvitest::decodeFile(f.bytes, d); }

Bytes decodeRuns(uint32_t mode, uint32_t w, uint32_t h, const Bytes& data) {
    Decoder d;
    FileBuilder f;
    f.size(w, h).format(8, 0, 0).coding(0, mode).end().payload(data);
    EXPECT_EQ(decode(f, d), 0u);
    return d.pixels();
}

TEST(KviDecoder, RejectionOrder) {
    Decoder d;
    FileBuilder bad;
    bad.bytes = {'k', 'v', 'X', 16, 0x81};
    EXPECT_EQ(decode(bad, d), KVI_ERR_SIGNATURE);
    bad.bytes = {'k', 'v', 'I', 17, 0x81};
    EXPECT_EQ(decode(bad, d), KVI_ERR_VERSION);
    FileBuilder empty;
    empty.end().size(1, 1).format(8, 0, 0).coding(0, 0).end().payload({1});
    EXPECT_EQ(decode(empty, d), KVI_ERR_EMPTY);
    FileBuilder third;
    third.size(1, 1).u8(0x82).u32(0).u32(256).u32(1).u32(5).u32(0).end();
    EXPECT_EQ(decode(third, d), KVI_ERR_MODE_COUNT);
    FileBuilder zeroData;
    zeroData.size(1, 1).format(8, 0, 0).coding(0, 0).end().u32(0);
    EXPECT_EQ(decode(zeroData, d), KVI_ERR_EMPTY);

    // Then the field checks of DecompressImage, in order.
    const struct {
        uint32_t w;
        uint8_t bits, variant;
        uint32_t desc, expected;
    } cases[] = {{0, 0, 0, 9, KVI_ERR_SIZE},        {1, 0, 0, 9, KVI_ERR_DEPTH},
                 {1, 24, 2, 9, KVI_ERR_COLOR_DESC}, {1, 24, 2, 7, KVI_ERR_COLOR_INDEX},
                 {1, 24, 1, 7, 0},                  {1, 32, 5, 7, 0},
                 // Depths outside 8..32 fail where a zero depth does: after the size, before the rest.
                 {0, 255, 2, 9, KVI_ERR_SIZE},      {1, 7, 2, 9, KVI_ERR_DEPTH},
                 {1, 33, 2, 9, KVI_ERR_DEPTH},      {1, 255, 0, 0, KVI_ERR_DEPTH},
                 {1, 8, 0, 0, 0}};
    for (const auto& c : cases) {
        Decoder one;
        FileBuilder f;
        f.size(c.w, 1).format(c.bits, c.variant, c.desc).coding(0, 0).end().payload({1, 2, 3, 4});
        EXPECT_EQ(decode(f, one), c.expected) << c.w << " " << int(c.bits) << " " << int(c.variant);
    }
}

TEST(KviDecoder, WithoutAFile) {
    CKVIDECODER zeroed{};
    EXPECT_EQ(zeroed.ReadHeader(), KVI_ERR_SIGNATURE);
    Decoder d;
    EXPECT_EQ(d.ReadHeader(), KVI_ERR_EMPTY);
    EXPECT_EQ(d.ReadData(), KVI_ERR_NO_FILE);
    EXPECT_EQ(d.OpenFile("/nonexistent/dir/x.kvi"), KVI_ERR_OPEN);
    EXPECT_EQ(d.ChangeColorTheme(0, 1), 0u);
    EXPECT_EQ(d.ChangeColorTheme(8, 0), KVI_ERR_COLOR_INDEX);
    EXPECT_EQ(KVIDECODER_GetVersion(), 1u);
}

TEST(KviDecoder, SmallestEncoderFileReadsBack) {
    // The empty coding list is two u32 zeros; the second must not be taken for the end tag.
    FileBuilder f;
    f.size(2, 1).format(24, 0, 1).coding(0, 0).u8(3).u8('h').u8('i').u8(0).end().payload({1, 2, 3, 4, 5, 6});
    Decoder d;
    ASSERT_EQ(decode(f, d), 0u);
    EXPECT_EQ(d.pixels(), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(d.dataSize, 6u);
    EXPECT_STREQ(d.creator, "hi");
}

TEST(KviDecoder, RecordsInAnyOrderUnknownTagsAndRepeats) {
    FileBuilder usual, shuffled;
    usual.size(2, 2).format(8, 0, 0).coding(0, KVI_MODE_A1).end().payload({0xC2, 9, 0xC2, 9});
    shuffled.u8(0x55).coding(0, KVI_MODE_A1).format(32, 0, 3).u8(0x7F).size(9, 9).format(8, 0, 0).size(2, 2).end().payload({0xC2, 9, 0xC2, 9});
    Decoder a, b;
    ASSERT_EQ(decode(usual, a), 0u);
    ASSERT_EQ(decode(shuffled, b), 0u);
    EXPECT_EQ(a.pixels(), b.pixels());
    EXPECT_EQ(b.width, 2u);
    EXPECT_EQ(b.pixels(), (Bytes{9, 9, 9, 9}));
}

TEST(KviDecoder, OversizedTextAndPaletteStayInTheirFields) {
    FileBuilder f;
    f.u8(1);
    f.bytes.insert(f.bytes.end(), 256, 'a');  // no NUL: cut at the limit
    f.u8(0x83).u32(300);
    for (uint32_t i = 0; i < 300; ++i) f.u32(i);
    f.size(1, 2).format(8, 0, 0).coding(0, 0).end().payload({7, 8});
    Decoder d;
    ASSERT_EQ(decode(f, d), 0u);
    EXPECT_EQ(std::string(d.text1), std::string(255, 'a'));
    EXPECT_TRUE(d.hasPalette);
    EXPECT_EQ(d.paletteCount, 256u);
    EXPECT_EQ(d.palette[255], 255u);
    EXPECT_EQ(d.pixels(), (Bytes{7, 8}));
}

TEST(KviDecoder, DataLengthBeyondTheFileIsRefused) {
    FileBuilder f;
    f.size(2, 2).format(8, 0, 0).coding(0, 0).end().u32(1000).u32(0);
    Decoder d;
    EXPECT_EQ(decode(f, d), KVI_ERR_IO);
    EXPECT_EQ(d.dataSize, 0u);
    FileBuilder noLength;
    noLength.size(2, 2).format(8, 0, 0).coding(0, 0).end().u8(4);
    EXPECT_EQ(decode(noLength, d), KVI_ERR_IO);
}

TEST(KviDecoder, RunLengthStreams) {
    // The thresholds themselves are literals.
    EXPECT_EQ(decodeRuns(KVI_MODE_A1, 2, 1, {0xC0, 0xC1, 3}), (Bytes{0xC0, 3}));
    EXPECT_EQ(decodeRuns(KVI_MODE_A2, 2, 1, {0x80, 0x81, 3}), (Bytes{0x80, 3}));
    EXPECT_EQ(decodeRuns(KVI_MODE_A3, 2, 1, {0xE0, 0xE1, 3}), (Bytes{0xE0, 3}));
    // A run longer than the room left in its row loses the surplus; the next row starts after it.
    EXPECT_EQ(decodeRuns(KVI_MODE_A2, 2, 2, {0x83, 7, 9, 0x82, 4}), (Bytes{7, 7, 9, 4}));
    // The whole-image variant reads the picture as one row.
    const Bytes data{0x83, 1, 2, 0xC3, 3, 0xC1, 4};
    EXPECT_EQ(decodeRuns(KVI_MODE_A1E, 4, 2, data), decodeRuns(KVI_MODE_A1, 8, 1, data));
    // Input that ends early, even inside a run head, leaves zeros.
    EXPECT_EQ(decodeRuns(KVI_MODE_A1, 4, 1, {5}), (Bytes{5, 0, 0, 0}));
    EXPECT_EQ(decodeRuns(KVI_MODE_A1, 3, 1, {5, 0xC2}), (Bytes{5, 0, 0}));
}

TEST(KviDecoder, RunsSpreadAcrossBytePositions) {
    Decoder d;
    FileBuilder f;
    f.size(2, 1).format(24, 0, 0).coding(0, KVI_MODE_A3).end().payload({1, 2, 0xE2, 3, 4, 5});
    ASSERT_EQ(decode(f, d), 0u);
    EXPECT_EQ(d.pixels(), (Bytes{1, 3, 4, 2, 3, 5}));
}

TEST(KviDecoder, B1PlanesThatCannotBeDecoded) {
    const uint32_t cases[][3] = {
        {1, 1, 4},      // one pixel
        {4, 4, 2},      // not even a plane length
        {4, 4, 40},     // a length past the data
    };
    for (const auto& c : cases) {
        FileBuilder f;
        f.size(c[0], c[1]).format(8, 0, 0).coding(100, KVI_MODE_B1).end();
        Bytes data{uint8_t(c[2]), 0, 0, 0, 1, 0x55, 0xAA};
        data.resize(c[2] == 2 ? 2 : data.size());
        f.payload(data);
        Decoder d;
        EXPECT_EQ(decode(f, d), KVI_ERR_CODEC) << c[0] << "x" << c[1] << " " << c[2];
        EXPECT_EQ(d.image, nullptr);
    }
    // A damaged stream inside its bounds decodes to something. A 40x40 plane pads to 64x64,
    // 4096 symbols, which no stream of fewer than 8 bytes can carry.
    Bytes planes{8, 0, 0, 0, 5, 0xFF, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0};
    planes.resize(planes.size() + 8, 0x3C);
    FileBuilder damaged;
    damaged.size(40, 40).format(16, 0, 0).coding(50, KVI_MODE_B1).end().payload(planes);
    Decoder d;
    EXPECT_EQ(decode(damaged, d), 0u);
    EXPECT_NE(d.image, nullptr);
}

TEST(KviDecoder, RefusesWhatItCannotHold) {
    // Two modes: the size between them is not recorded, so the picture cannot be rebuilt.
    FileBuilder two;
    two.size(2, 1).format(8, 0, 0).u8(0x82).u32(0).u32(1).u32(3).u32(0).end().payload({1, 2});
    Decoder d;
    EXPECT_EQ(decode(two, d), KVI_ERR_MODE);
    // More bytes than a 32-bit length can describe, checked before allocating.
    FileBuilder huge;
    huge.size(70000, 70000).format(32, 0, 0).coding(0, KVI_MODE_A1).end().payload({1});
    Decoder h;
    EXPECT_EQ(decode(huge, h), KVI_ERR_SIZE);
}

TEST(KviDecoder, DataMustBeAbleToProduceThePicture) {
    const auto status = [](uint32_t w, uint32_t h, uint32_t mode, const Bytes& data) {
        FileBuilder f;
        f.size(w, h).format(8, 0, 0).coding(100, mode).end().payload(data);
        Decoder d;
        return decode(f, d);
    };
    // Stored pixels: the whole raw size.
    EXPECT_EQ(status(2, 2, 0, {1, 2, 3}), KVI_ERR_SIZE);
    EXPECT_EQ(status(2, 2, 0, {1, 2, 3, 4}), 0u);
    EXPECT_EQ(status(2, 2, 99, {1, 2, 3}), KVI_ERR_SIZE);  // an unknown mode stores pixels too
    // A1 runs reach 63: 126 samples need two runs, the last value byte may be missing.
    EXPECT_EQ(status(126, 1, KVI_MODE_A1, {0xFF, 7}), KVI_ERR_SIZE);
    EXPECT_EQ(status(126, 1, KVI_MODE_A1, {0xFF, 7, 0xFF}), 0u);
    EXPECT_EQ(status(127, 1, KVI_MODE_A1, {0xFF, 7, 0xFF}), KVI_ERR_SIZE);
    EXPECT_EQ(status(127, 2, KVI_MODE_A1E, {0xFF, 7, 0xFF, 7, 0xFF}), KVI_ERR_SIZE);
    EXPECT_EQ(status(127, 2, KVI_MODE_A2E, {0xFF, 7, 0xFF}), 0u);  // 3 runs of up to 127
    // Row by row, a run never serves two rows: ten rows of one sample take a byte each.
    EXPECT_EQ(status(1, 10, KVI_MODE_A3, Bytes(8, 1)), KVI_ERR_SIZE);
    EXPECT_EQ(status(1, 10, KVI_MODE_A3, Bytes(9, 1)), 0u);
    EXPECT_EQ(status(1, 10, KVI_MODE_A3E, {0xEA}), 0u);
    // B1: 64x64 padded symbols need 8 stream bytes, 4096 / 512.
    Bytes plane{7, 0, 0, 0};
    plane.resize(11, 0);
    EXPECT_EQ(status(40, 40, KVI_MODE_B1, plane), KVI_ERR_SIZE);
    plane[0] = 8;
    plane.push_back(0);
    EXPECT_EQ(status(40, 40, KVI_MODE_B1, plane), 0u);
}

TEST(KviDecoder, PixelBudget) {
    const auto status = [](uint32_t w, uint32_t h, uint8_t bits) {
        FileBuilder f;
        f.size(w, h).format(bits, 0, 0).coding(0, 0).end().payload(Bytes(size_t(w) * h * bits / 8, 1));
        Decoder d;
        return decode(f, d);
    };
    KVIDECODER_SetPixelBudget(100, 0);
    EXPECT_EQ(status(10, 10, 32), 0u);
    EXPECT_EQ(status(11, 10, 8), KVI_ERR_SIZE);
    KVIDECODER_SetPixelBudget(0, 300);
    EXPECT_EQ(status(10, 10, 24), 0u);
    EXPECT_EQ(status(10, 10, 32), KVI_ERR_SIZE);
    uint64_t pixels = 0, bytes = 0;
    KVIDECODER_GetPixelBudget(&pixels, &bytes);
    EXPECT_EQ(bytes, 300u);

    // Unset parts and the environment's count.
    ASSERT_EQ(setenv("KV_MAX_PIXELS", "1000", 1), 0);
    KVIDECODER_SetPixelBudget(0, 0);
    KVIDECODER_GetPixelBudget(&pixels, &bytes);
    EXPECT_EQ(pixels, 1000u);
    EXPECT_EQ(bytes, 4000u);
    for (const char* unusable : {"", "0", "12x", "-5", "99999999999999999999999"}) {
        ASSERT_EQ(setenv("KV_MAX_PIXELS", unusable, 1), 0);
        KVIDECODER_SetPixelBudget(0, 0);
        KVIDECODER_GetPixelBudget(&pixels, &bytes);
        EXPECT_EQ(pixels, uint64_t(1) << 28) << unusable;
        EXPECT_EQ(bytes, uint64_t(1) << 30) << unusable;
    }
    ASSERT_EQ(unsetenv("KV_MAX_PIXELS"), 0);
    KVIDECODER_SetPixelBudget(0, 0);
}

// Small files whose headers promise gigabytes: each is refused by DecompressImage before a
// picture or work buffer exists, whatever the pixel budget.
TEST(KviDecoder, TinyFilesWithHugeHeadersAllocateNothing) {
    const auto file = [](uint32_t w, uint32_t h, uint8_t bits, int mode, size_t dataBytes) {
        FileBuilder f;
        f.size(w, h).format(bits, 0, 0);
        if (mode >= 0) f.coding(0, uint32_t(mode));
        return f.end().payload(Bytes(dataBytes, 0)).bytes;  // B1: empty plane tables
    };
    const struct {
        const char* what;
        Bytes file;
        size_t bytes;
        uint32_t status;
    } cases[] = {
        {"A2, 16384 x 16384 x 32", file(16384, 16384, 32, KVI_MODE_A2, 1), 39, KVI_ERR_SIZE},
        {"no mode, 16384 x 16384 x 32", file(16384, 16384, 32, -1, 14), 39, KVI_ERR_SIZE},
        {"no mode, 65535 x 65535 x 8", file(65535, 65535, 8, -1, 14), 39, KVI_ERR_SIZE},
        {"B1, 8192 x 8192 x 32", file(8192, 8192, 32, KVI_MODE_B1, 16), 54, KVI_ERR_SIZE},
        {"B1, 4096 x 4096 x 255", file(4096, 4096, 255, KVI_MODE_B1, 124), 162, KVI_ERR_DEPTH},
        {"A1, 1 x 4,000,000,000 x 4", file(1, 4000000000u, 4, KVI_MODE_A1, 1), 39, KVI_ERR_DEPTH},
        {"A1, 1 x 4,000,000,000 x 8", file(1, 4000000000u, 8, KVI_MODE_A1, 1), 39, KVI_ERR_SIZE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.file.size(), c.bytes);
        Decoder d;
        EXPECT_EQ(kvitest::decodeFile(c.file, d), c.status);
        EXPECT_EQ(d.image, nullptr);
        EXPECT_EQ(d.work, nullptr);
    }
}

TEST(KviDecoder, UnpacksStoredOrdersToRgba) {
    // 16-bit "bgra" keeps blue and green; red is absent (0) and alpha opaque.
    FileBuilder f;
    f.size(2, 1).format(16, 0, KVI_COLOR_BGRA).end().payload({10, 20, 30, 40});
    Decoder d;
    ASSERT_EQ(decode(f, d), 0u);
    Bytes rgba(8);
    ASSERT_EQ(KVIDECODER_UnpackRgba(&d, rgba.data()), 0u);
    EXPECT_EQ(rgba, (Bytes{0, 20, 10, 255, 0, 40, 30, 255}));
    // 24-bit "xbgr" loses its leading padding letter, not a colour.
    FileBuilder x;
    x.size(1, 1).format(24, 0, KVI_COLOR_XBGR).end().payload({1, 2, 3});
    Decoder dx;
    ASSERT_EQ(decode(x, dx), 0u);
    Bytes one(4);
    ASSERT_EQ(KVIDECODER_UnpackRgba(&dx, one.data()), 0u);
    EXPECT_EQ(one, (Bytes{3, 2, 1, 255}));

    dx.colorDesc = 8;
    EXPECT_EQ(KVIDECODER_UnpackRgba(&dx, one.data()), KVI_ERR_COLOR_DESC);
    Decoder empty;
    EXPECT_EQ(KVIDECODER_UnpackRgba(&empty, one.data()), KVI_ERR_CODEC);
}

}  // namespace
