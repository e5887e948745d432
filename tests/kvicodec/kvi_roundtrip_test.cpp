// Whole files through the encoder and back through the decoder: every channel order, both
// depths and every mode.
#include "b1plane.h"
#include "kvicodec_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using kvitest::Bytes;
using kvitest::Decoder;
using kvitest::Settings;

const char* const kLetters[8] = {"rgba", "bgra", "argb", "abgr", "rgbx", "bgrx", "xrgb", "xbgr"};

// The stored pixels, worked out from the letters independently of the encoder.
Bytes expectedPacking(const Bytes& rgba, uint32_t desc, int bytesPerPixel) {
    std::string letters = kLetters[desc];
    if (bytesPerPixel < 4 && (letters[0] == 'a' || letters[0] == 'x')) letters = letters.substr(1);
    Bytes out;
    for (size_t i = 0; i < rgba.size(); i += 4)
        for (int k = 0; k < bytesPerPixel; ++k) {
            const size_t channel = std::string("rgba").find(letters[k]);
            out.push_back(rgba[i + (channel == std::string::npos ? size_t(k) : channel)]);
        }
    return out;
}

Bytes roundTrip(const Bytes& rgba, const Settings& s) {
    Decoder d;
    EXPECT_EQ(kvitest::decodeFile(kvitest::encodeFile(rgba, s), d), 0u);
    EXPECT_EQ(d.width, s.width);
    EXPECT_EQ(d.bitsPerPixel, s.bits);
    return d.pixels();
}

std::string describe(const Settings& s) {
    return std::string(kLetters[s.colorDesc]) + " " + std::to_string(s.bits) + " bits, mode " +
           std::to_string(s.mode) + " q" + std::to_string(s.quality);
}

TEST(KviRoundTrip, EveryOrderDepthAndRunLengthModeIsLossless) {
    // Flat areas and noise so that both runs and literals occur.
    Bytes rgba = kvtest::makePhotoRgba(37, 23, 4);
    for (size_t i = 0; i < 37 * 4 * 5; ++i) rgba[i] = 200;
    for (uint32_t desc = 0; desc < 8; ++desc)
        for (uint8_t bits : {24, 32})
            for (uint32_t mode = 0; mode <= 6; ++mode) {
                const Settings s{37, 23, bits, desc, mode, 0};
                SCOPED_TRACE(describe(s));
                EXPECT_EQ(roundTrip(rgba, s), expectedPacking(rgba, desc, bits / 8));
            }
}

TEST(KviRoundTrip, B1KeepsThePictureAtEveryOrderAndDepth) {
    const Bytes rgba = kvtest::makePhotoRgba(70, 45, 2);
    for (uint32_t desc = 0; desc < 8; ++desc)
        for (uint8_t bits : {24, 32})
            for (uint32_t quality : {100u, 50u}) {
                const Settings s{70, 45, bits, desc, KVI_MODE_B1, quality};
                SCOPED_TRACE(describe(s));
                const double db = kvtest::psnr(roundTrip(rgba, s), expectedPacking(rgba, desc, bits / 8));
                EXPECT_GT(db, quality == 100 ? 45.0 : 28.0);
            }
}

TEST(KviRoundTrip, B1StreamsLongerThanTheirPlaneRoundTrip) {
    // Noise at quality 100 needs more bytes than the plane has samples; nothing is cut.
    Bytes rgba(48 * 40 * 4);
    std::mt19937 rng(11);
    for (auto& b : rgba) b = uint8_t(rng());
    const Bytes file = kvitest::encodeFile(rgba, {48, 40, 32, 0, KVI_MODE_B1, 100});
    EXPECT_GT(file.size(), rgba.size() + 32);
    EXPECT_GT(kvtest::psnr(roundTrip(rgba, {48, 40, 32, 0, KVI_MODE_B1, 100}), rgba), 45.0);
}

TEST(KviRoundTrip, B1DataIsThePlaneStreamsInOrder) {
    const Bytes rgba = kvtest::makePhotoRgba(9, 7, 3);
    kvitest::Coder c;
    c.width = 9;
    c.height = 7;
    c.bitsPerPixel = 24;
    c.quality = 90;
    c.AddCoder(KVI_MODE_B1);
    ASSERT_EQ(c.CompressImage(rgba.data()), 0u);
    Bytes expected;
    for (int ch = 0; ch < 3; ++ch) {
        Bytes plane, stream;
        for (size_t i = 0; i < 63; ++i) plane.push_back(rgba[i * 4 + ch]);
        ASSERT_EQ(kvi::b1::encodePlane(plane.data(), 9, 7, 90, stream), kvi::b1::Ok);
        kvtest::put32(expected, uint32_t(stream.size()));
        expected.insert(expected.end(), stream.begin(), stream.end());
    }
    EXPECT_EQ(c.coded(), expected);
}

// One table behind both libraries: the same text from each, whatever the code.
TEST(KviStatusText, BothLibrariesNameEveryCodeAlike) {
    const struct {
        uint32_t code;
        const char* text;
    } known[] = {{KVI_OK, "Allright!"},
                 {KVI_ERR_MODE, "Unknown or unsupported KVI coding mode!"},
                 {KVI_ERR_COLOR_INDEX, "Pixel format not allowed for this depth!"},  // the longest
                 {KVI_ERR_SIGNATURE, "Not a KVI file!"},
                 {KVI_ERR_IO, "Read or write file error!"},
                 {KVI_ERR_CODEC, "KVI coding failed!"},
                 {0x12345678, "Unknown error code!"}};
    for (const auto& k : known) {
        char decoder[KVI_ERR_TEXT_SIZE], coder[KVI_ERR_TEXT_SIZE];
        KVIDECODER_GetErrorStr(k.code, decoder);
        KVICODER_GetErrorStr(k.code, coder);
        EXPECT_STREQ(decoder, k.text) << std::hex << k.code;
        EXPECT_STREQ(coder, k.text) << std::hex << k.code;
    }
    KVIDECODER_GetErrorStr(KVI_ERR_IO, nullptr);  // no buffer: nothing written, no crash
}

}  // namespace
