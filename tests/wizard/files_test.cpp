#include "scripttest.h"

#include <kvicodec/kvicoder.h>

#include <cstring>

namespace {

using wiztest::ScriptTest;

class FilesTest : public ScriptTest {
protected:
    // Saves slot 0 under `name`, loads it into slot 1 and returns the two results.
    std::pair<double, double> roundTrip(const std::string& name) {
        const std::string path = dir_.file(name);
        const wiztest::ScriptRun run = script("pwMessage(pwSaveImage('" + path + "', 0)) pwMessage(pwImageFromFile('" + path + "', 1))");
        return {run.number(0), run.number(1)};
    }

    // A KVI file written directly with the encoder, in any stored order and depth.
    void writeKvi(const std::string& path, const std::vector<uint8_t>& rgba, uint32_t w, uint32_t h,
                  uint32_t colorDesc, uint8_t bits) {
        CKVICODER coder{};
        coder.Reset();
        coder.width = w, coder.height = h, coder.colorDesc = colorDesc, coder.bitsPerPixel = bits;
        ASSERT_EQ(coder.CompressImage(rgba.data()), 0u);
        ASSERT_EQ(coder.CreateFileA(path.c_str()), 0u);
        coder.WriteHeader();
        coder.WriteData();
        coder.CloseFile();
        std::free(coder.data);
        std::free(coder.work);
    }
};

TEST_F(FilesTest, EveryFormatRoundTripsThroughTheScriptFunctions) {
    const uint32_t w = 37, h = 23;
    const kvtest::Bytes photo = kvtest::makePhotoRgba(w, h, 7);
    wizard::PixelBuffer pixels = wizard::allocatePixels(w, h);
    std::memcpy(pixels.get(), photo.data(), photo.size());
    state_.slots.replace(0, std::move(pixels), w, h);

    for (const char* name : {"a.bmp", "b.PCX", "c.tga", "d.kvi", "e.KVI"}) {
        EXPECT_EQ(roundTrip(name), std::make_pair(0.0, 0.0)) << name << " " << current_.errors();
        EXPECT_EQ(state_.lastSavedName, dir_.file(name));
        ASSERT_EQ(state_.slots[1].width, int32_t(w));
        ASSERT_EQ(state_.slots[1].height, int32_t(h));
        const kvtest::Bytes loaded(state_.slots[1].data, state_.slots[1].data + photo.size());
        kvtest::Bytes rgbA = photo, rgbB = loaded;
        const bool keepsAlpha = std::string(name) != "b.PCX" && std::string(name) != "a.bmp";
        for (size_t i = 3; !keepsAlpha && i < rgbA.size(); i += 4) rgbA[i] = rgbB[i] = 0;
        EXPECT_GT(kvtest::psnr(rgbA, rgbB), 40.0) << name;
    }
}

TEST_F(FilesTest, LoadFailuresShowTheirStep) {
    EXPECT_EQ(eval("pwImageFromFile('whatever.bmp', 16)"), 16);
    EXPECT_EQ(current_.errors(), "Wrong image number!|");
    EXPECT_EQ(eval("pwImageFromFile('whatever.bmp', -2)"), -2);
    EXPECT_EQ(eval("pwImageFromFile('" + dir_.file("missing.bmp") + "', 0)"), -1);
    EXPECT_EQ(current_.errors(), "Can't loading image!|");
    EXPECT_EQ(eval("pwImageFromFile('" + dir_.file("missing.kvi") + "', 0)"), -1);
    EXPECT_EQ(current_.errors(), "Can't open kvImage!|");

    const std::string bad = dir_.file("bad.kvi");
    kvtest::writeFile(bad, {'k', 'v', 'X', 16, 0});
    EXPECT_EQ(eval("pwImageFromFile('" + bad + "', 0)"), -1);
    EXPECT_EQ(current_.errors(), "Can't read kvImage header!|");
    kvtest::writeFile(bad, {'k', 'v', 'I', 16, 0x81, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(eval("pwImageFromFile('" + bad + "', 0)"), -1);
    EXPECT_EQ(current_.errors(), "Reading kvImage data FAILED!|");
}

TEST_F(FilesTest, KviInAnyStoredOrderLoadsAsRgba) {
    const std::vector<uint8_t> rgba = {10, 20, 30, 40, 50, 60, 70, 80};
    const std::string bgra = dir_.file("bgra.kvi"), rgb24 = dir_.file("rgb24.kvi");
    writeKvi(bgra, rgba, 2, 1, KVI_COLOR_BGRA, 32);
    writeKvi(rgb24, rgba, 1, 2, KVI_COLOR_XBGR, 24);
    EXPECT_EQ(eval("pwImageFromFile('" + bgra + "', 0)"), 0);
    EXPECT_EQ(std::vector<uint8_t>(state_.slots[0].data, state_.slots[0].data + 8), rgba);
    EXPECT_EQ(eval("pwImageFromFile('" + rgb24 + "', 0)"), 0);
    EXPECT_EQ(std::vector<uint8_t>(state_.slots[0].data, state_.slots[0].data + 8),
              (std::vector<uint8_t>{10, 20, 30, 255, 50, 60, 70, 255}));
}

TEST_F(FilesTest, SaveFailuresReturnTheSlotAndKeepTheLastName) {
    script("pwCreateImage(3, 4, 4, 0) pwCreateImage(4, 1, 1, 0)");
    EXPECT_EQ(eval("pwSaveImage('" + dir_.file("ok.tga") + "', 3)"), 0);
    EXPECT_EQ(eval("pwSaveImage('" + dir_.file("no/such/dir/x.bmp") + "', 3)"), 3);
    EXPECT_EQ(current_.errors(), "Can't save image!|");
    EXPECT_EQ(eval("pwSaveImage('" + dir_.file("x.cel") + "', 3)"), 3);
    EXPECT_EQ(eval("pwSaveImage('" + dir_.file("no/such/dir/x.kvi") + "', 3)"), 3);
    EXPECT_EQ(current_.errors(), "Can't create file!|");
    EXPECT_EQ(eval("pwSaveImage('" + dir_.file("tiny.kvi") + "', 4)"), 4);  // too small to code
    EXPECT_EQ(current_.errors(), "File coding FAILED!|");
    EXPECT_EQ(eval("pwSaveImage('x.bmp', 5)"), 1);
    EXPECT_EQ(state_.lastSavedName, dir_.file("ok.tga"));

    // Slot 0's number is success: a failed save of slot 0 returns -1 instead, so that a
    // script's "if pwSaveImage(...) ~= 0" check sees the failure.
    script("pwCreateImage(0, 4, 4, 0)");
    for (const char* name : {"no/such/dir/x.bmp", "no/such/dir/x.kvi", "x.cel"}) {
        EXPECT_EQ(eval("pwSaveImage('" + dir_.file(name) + "', 0)"), -1) << name;
        EXPECT_EQ(current_.errors().empty(), false);
    }
    EXPECT_EQ(state_.lastSavedName, dir_.file("ok.tga"));
    // The other function that answers with a slot number fails only with numbers that are
    // no slot at all, never with 0.
    EXPECT_EQ(eval("pwImageFromFile('" + dir_.file("missing.bmp") + "', 0)"), -1);
}

}  // namespace
