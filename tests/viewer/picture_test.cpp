#include "picture.h"
#include "viewer_fixture.h"

#include <kvicodec/kvidecoder.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace kviewer;
using kvtest::Bytes;

namespace {

Bytes opaquePhoto(uint32_t width, uint32_t height, uint32_t seed = 3) {
    Bytes rgba = kvtest::makePhotoRgba(width, height, seed);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

// What the viewer does after every load: pixels in display order, B, G, R, A.
void toDisplayOrder(Picture& picture) {
    picture.image.FX_RepakBits(picture.pixels(), picture.width(), picture.height(), KDGL_TYPE_32BIT, "bgra");
}

Bytes pixelsOf(Picture& picture) {
    const std::size_t size = std::size_t(picture.width()) * picture.height() * 4;
    return Bytes(picture.pixels(), picture.pixels() + size);
}

// Reads a KVI file's header and pixels back with the decoder.
struct DecodedKvi {
    bool ok = false;
    uint32_t width = 0, height = 0, quality = 0, mode = 0, colorDesc = 0;
    uint8_t bits = 0;
    Bytes pixels;
};

DecodedKvi decode(const std::string& path) {
    CKVIDECODER dec{};
    DecodedKvi out;
    out.ok = dec.OpenFile(path.c_str()) == 0 && dec.ReadHeader() == 0 && dec.ReadData() == 0;
    dec.CloseFile();
    out.ok = out.ok && dec.DecompressImage() == 0;
    if (out.ok) {
        out.width = dec.width;
        out.height = dec.height;
        out.quality = dec.quality;
        out.mode = dec.coders[0];
        out.colorDesc = dec.colorDesc;
        out.bits = dec.bitsPerPixel;
        out.pixels.assign(dec.image, dec.image + std::size_t(dec.width) * dec.height * dec.bitsPerPixel / 8);
    }
    std::free(dec.image);
    std::free(dec.data);
    std::free(dec.work);
    return out;
}

}  // namespace

TEST(LoadPicture, KviFilesOfBothDepthsBecome32Bit) {
    kvtest::TempDir dir;
    const Bytes rgba = kvtest::makePhotoRgba(13, 7);
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 13, 7, 32, rgba));
    Picture picture;
    ASSERT_TRUE(loadPicture(dir.file("a.kvi"), picture));
    EXPECT_EQ(picture.width(), 13u);
    EXPECT_EQ(picture.height(), 7u);
    EXPECT_EQ(picture.type(), KDGL_TYPE_32BIT);
    EXPECT_EQ(pixelsOf(picture), rgba);

    ASSERT_TRUE(viewertest::writeKvi(dir.file("b.kvi"), 13, 7, 24, rgba));
    ASSERT_TRUE(loadPicture(dir.file("b.kvi"), picture));
    EXPECT_EQ(picture.type(), KDGL_TYPE_24BIT);  // remembered for saving
    Bytes expected = rgba;
    for (std::size_t i = 3; i < expected.size(); i += 4) expected[i] = 255;
    EXPECT_EQ(pixelsOf(picture), expected);
}

TEST(LoadPicture, KviFilesShowTheirColoursWhateverTheStoredOrder) {
    kvtest::TempDir dir;
    const Bytes rgba = opaquePhoto(9, 5);
    for (uint32_t order : {KVI_COLOR_BGRA, KVI_COLOR_ARGB, KVI_COLOR_XBGR}) {
        for (uint8_t bits : {24, 32}) {
            ASSERT_TRUE(viewertest::writeKvi(dir.file("o.kvi"), 9, 5, bits, rgba, order));
            Picture picture;
            ASSERT_TRUE(loadPicture(dir.file("o.kvi"), picture));
            EXPECT_EQ(pixelsOf(picture), rgba) << "order " << order << ", " << int(bits) << " bits";
        }
    }
}

TEST(LoadPicture, OtherFormatsGoThroughTheImageLibrary) {
    kvtest::TempDir dir;
    const Bytes rgba = opaquePhoto(9, 5);
    ASSERT_TRUE(viewertest::writeBmp(dir.file("a.bmp"), 9, 5, rgba));
    Picture picture;
    ASSERT_TRUE(loadPicture(dir.file("a.bmp"), picture));
    EXPECT_EQ(picture.type(), KDGL_TYPE_32BIT);
    EXPECT_EQ(pixelsOf(picture), rgba);
}

TEST(LoadPicture, UpperCaseKviEndingIsNotSentToTheKviDecoder) {
    kvtest::TempDir dir;
    const Bytes rgba = kvtest::makePhotoRgba(4, 4);
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.KVI"), 4, 4, 32, rgba));
    Picture picture;
    // The image library knows no KVI, so the file does not load.
    EXPECT_FALSE(loadPicture(dir.file("a.KVI"), picture));
    std::filesystem::rename(dir.file("a.KVI"), dir.file("a.kvi"));
    EXPECT_TRUE(loadPicture(dir.file("a.kvi"), picture));
}

TEST(LoadPicture, RefusedFilesLeaveThePreviousPicture) {
    kvtest::TempDir dir;
    const Bytes rgba = kvtest::makePhotoRgba(6, 3);
    ASSERT_TRUE(viewertest::writeKvi(dir.file("good.kvi"), 6, 3, 32, rgba));
    Picture picture;
    ASSERT_TRUE(loadPicture(dir.file("good.kvi"), picture));

    // A 16-bit KVI file, a cut one, a damaged signature, a missing file, a name too long.
    ASSERT_TRUE(viewertest::writeKvi(dir.file("deep.kvi"), 6, 3, 16, rgba));
    Bytes cut = kvtest::readFile(dir.file("good.kvi"));
    cut.resize(cut.size() - 10);
    kvtest::writeFile(dir.file("cut.kvi"), cut);
    Bytes damaged = kvtest::readFile(dir.file("good.kvi"));
    damaged[1] = 'X';
    kvtest::writeFile(dir.file("damaged.kvi"), damaged);
    const std::string tooLong = dir.file(std::string(260, 'n') + ".kvi");

    for (const std::string& path : {dir.file("deep.kvi"), dir.file("cut.kvi"), dir.file("damaged.kvi"),
                                    dir.file("missing.kvi"), dir.file("missing.bmp"), tooLong}) {
        EXPECT_FALSE(loadPicture(path, picture)) << path;
        EXPECT_EQ(picture.width(), 6u);
        EXPECT_EQ(pixelsOf(picture), rgba);
    }
}

TEST(SavePicture, WritesB1AtQuality100ThatTheDecoderReadsBack) {
    kvtest::TempDir dir;
    const Bytes rgba = opaquePhoto(24, 16);
    ASSERT_TRUE(viewertest::writeBmp(dir.file("a.bmp"), 24, 16, rgba));
    Picture picture;
    ASSERT_TRUE(loadPicture(dir.file("a.bmp"), picture));
    toDisplayOrder(picture);
    ASSERT_EQ(savePictureAsKvi(dir.file("out.kvi"), picture), SaveResult::Ok);

    const DecodedKvi back = decode(dir.file("out.kvi"));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.width, 24u);
    EXPECT_EQ(back.height, 16u);
    EXPECT_EQ(back.bits, 32);
    EXPECT_EQ(back.colorDesc, 1u);
    EXPECT_EQ(back.mode, 256u);
    EXPECT_EQ(back.quality, 100u);
    // Stored as the label says: blue, green, red, alpha, so other programs see true colours.
    EXPECT_GT(kvtest::psnr(back.pixels, viewertest::swapRedBlue(rgba)), 40.0);
    Picture reloaded;
    ASSERT_TRUE(loadPicture(dir.file("out.kvi"), reloaded));
    EXPECT_GT(kvtest::psnr(pixelsOf(reloaded), rgba), 40.0);
}

TEST(SavePicture, DepthFollowsWherePictureCameFrom) {
    kvtest::TempDir dir;
    const Bytes rgba = opaquePhoto(8, 8);
    ASSERT_TRUE(viewertest::writeKvi(dir.file("in24.kvi"), 8, 8, 24, rgba));
    ASSERT_TRUE(viewertest::writeKvi(dir.file("in32.kvi"), 8, 8, 32, rgba));
    Picture picture;
    ASSERT_TRUE(loadPicture(dir.file("in24.kvi"), picture));
    toDisplayOrder(picture);
    ASSERT_EQ(savePictureAsKvi(dir.file("out24.kvi"), picture), SaveResult::Ok);
    EXPECT_EQ(decode(dir.file("out24.kvi")).bits, 24);

    ASSERT_TRUE(loadPicture(dir.file("in32.kvi"), picture));
    toDisplayOrder(picture);
    ASSERT_EQ(savePictureAsKvi(dir.file("out32.kvi"), picture), SaveResult::Ok);
    EXPECT_EQ(decode(dir.file("out32.kvi")).bits, 32);

    // A saved 24-bit file loads again as a 24-bit picture (B1 at quality 100 is near lossless).
    Picture again;
    ASSERT_TRUE(loadPicture(dir.file("out24.kvi"), again));
    EXPECT_EQ(again.type(), KDGL_TYPE_24BIT);
    EXPECT_GT(kvtest::psnr(pixelsOf(again), rgba), 40.0);
}

TEST(SavePicture, FailuresNameTheStepThatFailed) {
    kvtest::TempDir dir;
    Picture picture;
    const Bytes rgba = opaquePhoto(4, 4);
    ASSERT_TRUE(viewertest::writeKvi(dir.file("a.kvi"), 4, 4, 32, rgba));
    ASSERT_TRUE(loadPicture(dir.file("a.kvi"), picture));
    const std::string unreachable = dir.file("no/such/folder/out.kvi");
    EXPECT_EQ(savePictureAsKvi(unreachable, picture), SaveResult::CreateFailed);
    EXPECT_FALSE(std::filesystem::exists(unreachable));
    EXPECT_STREQ(saveResultMessage(SaveResult::CreateFailed), "Can't create output file!");

    // A 1 x 1 picture is too small for the B1 coder.
    ASSERT_TRUE(viewertest::writeKvi(dir.file("dot.kvi"), 1, 1, 32, Bytes{1, 2, 3, 4}));
    ASSERT_TRUE(loadPicture(dir.file("dot.kvi"), picture));
    EXPECT_EQ(savePictureAsKvi(dir.file("dot-out.kvi"), picture), SaveResult::CompressionFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("dot-out.kvi")));
    EXPECT_STREQ(saveResultMessage(SaveResult::CompressionFailed), "Compression FAILED!");

    // A device that takes no bytes: the loss shows when the buffered bytes are flushed.
    ASSERT_TRUE(loadPicture(dir.file("a.kvi"), picture));
    if (std::filesystem::exists("/dev/full")) {
        const SaveResult result = savePictureAsKvi("/dev/full", picture);
        EXPECT_TRUE(result == SaveResult::HeaderFailed || result == SaveResult::DataFailed);
    }
}
