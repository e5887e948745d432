// The programs' KVI glue: pictures go through a file and come back as R, G, B, A, and a
// failure names the step that met it.
#include <kvi_io.h>

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

using kvi_io::Step;

std::vector<uint8_t> gradient(uint32_t width, uint32_t height) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 7 + i / 4);
    return rgba;
}

TEST(KviIo, SavedPicturesLoadBackInEveryOrderAndDepth) {
    const kvtest::TempDir dir;
    const uint32_t w = 19, h = 11;
    const std::vector<uint8_t> rgba = gradient(w, h);
    for (const uint32_t order : {KVI_COLOR_RGBA, KVI_COLOR_BGRA, KVI_COLOR_XBGR})
        for (const uint8_t bits : {uint8_t(24), uint8_t(32)}) {
            if (order == KVI_COLOR_XBGR && bits == 32) continue;
            kvi_io::SaveSettings settings;
            settings.mode = KVI_MODE_A2;  // lossless, so the pixels come back exactly
            settings.colorDesc = order;
            settings.bitsPerPixel = bits;
            settings.creator = "test";
            const std::string path = dir.file("p.kvi");
            ASSERT_TRUE(kvi_io::saveKviRgba(path.c_str(), rgba.data(), w, h, settings).ok()) << order << " " << int(bits);
            kvi_io::RgbaPicture back;
            ASSERT_TRUE(kvi_io::loadKviRgba(path.c_str(), back).ok());
            EXPECT_EQ(back.width, w);
            EXPECT_EQ(back.height, h);
            EXPECT_EQ(back.bitsPerPixel, bits);
            std::vector<uint8_t> expected = rgba;
            if (bits == 24)
                for (size_t i = 3; i < expected.size(); i += 4) expected[i] = 255;
            EXPECT_EQ(back.rgba, expected) << order << " " << int(bits);

            kvi_io::DecoderOwner header;
            ASSERT_TRUE(kvi_io::readKviHeader(path.c_str(), header).ok());
            EXPECT_STREQ(header.decoder.creator, "test");
        }
    // B1 leaves the decoder's buffers shared between its fields; the owner frees each once.
    const std::string b1 = dir.file("b1.kvi");
    ASSERT_TRUE(kvi_io::saveKviRgba(b1.c_str(), rgba.data(), w, h, {}).ok());
    kvi_io::RgbaPicture back;
    EXPECT_TRUE(kvi_io::loadKviRgba(b1.c_str(), back).ok());

    // Once decoded only the picture is held (a stored, an A2 and a B1 file), so a caller
    // converting it never holds three pictures; the owner still frees the rest once.
    const std::string stored = dir.file("stored.kvi");
    kvi_io::SaveSettings none;
    none.mode = KVI_MODE_NONE;
    ASSERT_TRUE(kvi_io::saveKviRgba(stored.c_str(), rgba.data(), w, h, none).ok());
    for (const std::string& path : {stored, dir.file("p.kvi"), b1}) {
        kvi_io::DecoderOwner kvi;
        ASSERT_TRUE(kvi_io::decodeKviFile(path.c_str(), kvi).ok()) << path;
        EXPECT_NE(kvi.decoder.image, nullptr);
        EXPECT_EQ(kvi.decoder.data, nullptr);
        EXPECT_EQ(kvi.decoder.work, nullptr);
    }
}

TEST(KviIo, FailuresNameTheirStepAndStatus) {
    const kvtest::TempDir dir;
    kvi_io::RgbaPicture picture;
    kvi_io::Outcome o = kvi_io::loadKviRgba(dir.file("missing.kvi").c_str(), picture);
    EXPECT_EQ(o.step, Step::Open);
    EXPECT_EQ(o.status, KVI_ERR_OPEN);

    const std::string bad = dir.file("bad.kvi");
    kvtest::writeFile(bad, {'k', 'v', 'X', 16, 0});
    o = kvi_io::loadKviRgba(bad.c_str(), picture);
    EXPECT_EQ(o.step, Step::Header);
    EXPECT_EQ(o.status, KVI_ERR_SIGNATURE);
    EXPECT_TRUE(picture.rgba.empty());  // untouched on failure

    const std::vector<uint8_t> rgba = gradient(4, 4);
    kvi_io::SaveSettings settings;
    o = kvi_io::saveKviRgba(dir.file("no/such/dir/x.kvi").c_str(), rgba.data(), 4, 4, settings);
    EXPECT_EQ(o.step, Step::Create);
    EXPECT_EQ(o.status, KVI_ERR_OPEN);
    o = kvi_io::saveKviRgba(dir.file("tiny.kvi").c_str(), rgba.data(), 1, 1, settings);  // too small for B1
    EXPECT_EQ(o.step, Step::Compress);
    settings.mode = 77;
    o = kvi_io::saveKviRgba(dir.file("x.kvi").c_str(), rgba.data(), 4, 4, settings);
    EXPECT_EQ(o.step, Step::AddCoder);
    EXPECT_EQ(o.status, KVI_ERR_MODE);
}

}  // namespace
