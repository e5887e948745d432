// The engine's picture loaders on files written by KaldorGL, kvICoder and libjpeg, and on
// files built byte by byte. Pixels are compared as 0xAARRGGBB values.
#include <tovren/image.h>

#include "kaldorgl_fixture.h"
#include "kvicodec_fixture.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using kdgltest::bmpFile;
using kdgltest::pcxFile;
using kdgltest::tgaFile;
using kvtest::Bytes;
using kvtest::TempDir;

constexpr uint32_t kUnknownFormat = 0x50000001;

struct Image : cTOVREN_Image {
    Image() = default;
    Image(const Image&) = delete;
    ~Image() { std::free(pixels); }

    uint32_t at(uint32_t x, uint32_t y) const {
        uint32_t value;
        std::memcpy(&value, pixels + (size_t(y) * width + x) * 4, 4);
        return value;
    }
};

// Writes the bytes under `name` in a fresh folder and loads them with LoadImageA.
struct Fixture {
    TempDir dir;
    Image image;

    uint32_t load(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.file(name);
        kvtest::writeFile(path, bytes);
        return image.LoadImageA(path.c_str());
    }
};

// 24-bit rows as a bitmap stores them: B, G, R, padded to four bytes.
Bytes bgrRow(std::initializer_list<uint32_t> rgb, size_t stride) {
    Bytes row;
    for (uint32_t c : rgb) row.insert(row.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    row.resize(stride, 0xEE);
    return row;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ImageDispatch, TheLastThreeLettersChooseTheLoaderInAnyCase) {
    const Bytes bmp = bmpFile(1, 1, 24, {}, bgrRow({0x102030}, 4));
    for (const char* name : {"a.bmp", "b.Bmp", "c.BMP", "dbmp"}) {
        Fixture f;
        EXPECT_EQ(f.load(name, bmp), 0u) << name;
        EXPECT_EQ(f.image.at(0, 0), 0xFF102030u) << name;
    }
    for (const char* name : {"e.jpeg", "f.gif", "g.bm"}) {
        Fixture f;
        EXPECT_EQ(f.load(name, bmp), kUnknownFormat) << name;
        EXPECT_EQ(f.image.pixels, nullptr);
    }
    Image image;
    EXPECT_EQ(image.LoadImageA("mp"), kUnknownFormat);
    EXPECT_EQ(image.LoadImageA(""), kUnknownFormat);
    EXPECT_EQ(image.LoadImageA(nullptr), kUnknownFormat);
}

TEST(ImageDispatch, FilesThatCannotBeOpenedAndLoadsInARow) {
    TempDir dir;
    Image image;
    EXPECT_EQ(image.pixels, nullptr);  // a new record holds nothing LoadImageA could free
    EXPECT_EQ(image.LoadImageA(dir.file("missing.jpg").c_str()), 1u);
    for (const char* name : {"missing.bmp", "missing.pcx", "missing.tga", "missing.kvi"}) {
        EXPECT_EQ(image.LoadImageA(dir.file(name).c_str()), 3u) << name;
    }
    // Not regular files: refused at once instead of read (a FIFO would block for ever).
    std::filesystem::create_directory(dir.file("folder.bmp"));
    EXPECT_EQ(image.LoadImageA(dir.file("folder.bmp").c_str()), 3u);
    ASSERT_EQ(mkfifo(dir.file("pipe.tga").c_str(), 0600), 0);
    EXPECT_EQ(image.LoadImageA(dir.file("pipe.tga").c_str()), 3u);
    ASSERT_EQ(mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(image.LoadImageA(dir.file("pipe.jpg").c_str()), 1u);
    ASSERT_EQ(mkfifo(dir.file("pipe.kvi").c_str(), 0600), 0);
    EXPECT_EQ(image.LoadImageA(dir.file("pipe.kvi").c_str()), 3u);

    // A second load through the dispatch releases the first picture (the leak checker
    // of the sanitizer build watches this).
    const std::string path = dir.file("one.bmp");
    kvtest::writeFile(path, bmpFile(1, 1, 24, {}, bgrRow({0x0000FF}, 4)));
    ASSERT_EQ(image.LoadImageA(path.c_str()), 0u);
    ASSERT_EQ(image.LoadImageA(path.c_str()), 0u);
    EXPECT_EQ(image.at(0, 0), 0xFF0000FFu);
}

TEST(BmpLoader, ThreeByTwoRowsArePackedTopFirstWithOpaqueAlpha) {
    Fixture f;
    // Rows of 9 bytes padded to 12, bottom row first in the file.
    const Bytes rows = concat(bgrRow({0x646E78, 0x828C96, 0xA0AAB4}, 12), bgrRow({0x0A141E, 0x28323C, 0x46505A}, 12));
    ASSERT_EQ(f.load("p.bmp", bmpFile(3, 2, 24, {}, rows)), 0u);
    ASSERT_EQ(f.image.width, 3u);
    ASSERT_EQ(f.image.height, 2u);
    const uint32_t expected[2][3] = {{0xFF0A141E, 0xFF28323C, 0xFF46505A}, {0xFF646E78, 0xFF828C96, 0xFFA0AAB4}};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(f.image.at(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpLoader, ThirtyTwoBitKeepsAlphaAndTopDownFilesLoadTheRightWayUp) {
    Fixture f;
    const Bytes top = {0x30, 0x20, 0x10, 0x80}, bottom = {0x03, 0x02, 0x01, 0x7F};
    ASSERT_EQ(f.load("a.bmp", bmpFile(1, 2, 32, {}, concat(bottom, top))), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0x80102030u);
    EXPECT_EQ(f.image.at(0, 1), 0x7F010203u);
    // Negative height: the file stores the top row first.
    ASSERT_EQ(f.load("b.bmp", bmpFile(1, -2, 32, {}, concat(top, bottom))), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0x80102030u);
    EXPECT_EQ(f.image.at(0, 1), 0x7F010203u);
}

TEST(BmpLoader, PalettedPicturesAreExpandedThroughTheirPalettes) {
    Fixture f;
    const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};  // red, green, blue, white
    // 8 bits: bottom row indices 2 3, top row 0 1.
    ASSERT_EQ(f.load("8.bmp", bmpFile(2, 2, 8, palette, {2, 3, 0, 0, 0, 1, 0, 0}, 4)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(f.image.at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(f.image.at(0, 1), 0xFF0000FFu);
    EXPECT_EQ(f.image.at(1, 1), 0xFFFFFFFFu);
    // 4 bits, one row: indices 1 and 3 in the high and low nibble.
    ASSERT_EQ(f.load("4.bmp", bmpFile(2, 1, 4, palette, {0x13, 0, 0, 0}, 4)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(f.image.at(1, 0), 0xFFFFFFFFu);
    // 1 bit, most significant bit first.
    ASSERT_EQ(f.load("1.bmp", bmpFile(3, 1, 1, Bytes(palette.begin(), palette.begin() + 8), {0xA0, 0, 0, 0}, 2)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(f.image.at(1, 0), 0xFFFF0000u);
    EXPECT_EQ(f.image.at(2, 0), 0xFF00FF00u);
}

TEST(BmpLoader, RefusesCompressionOddDepthsAndShortFiles) {
    Fixture f;
    const Bytes rows = Bytes(8, 0);
    EXPECT_EQ(f.load("c.bmp", bmpFile(2, 2, 24, {}, rows, 0, 1)), kUnknownFormat);
    EXPECT_EQ(f.load("d.bmp", bmpFile(2, 2, 16, {}, rows)), kUnknownFormat);
    EXPECT_EQ(f.load("e.bmp", bmpFile(2, 2, 2, {}, rows)), kUnknownFormat);
    Bytes notBm = bmpFile(1, 1, 24, {}, Bytes(4, 0));
    notBm[0] = 'X';
    EXPECT_EQ(f.load("f.bmp", notBm), kUnknownFormat);
    EXPECT_EQ(f.load("g.bmp", {'B', 'M', 0, 0}), 6u);  // shorter than its headers
    Bytes cut = bmpFile(3, 2, 24, {}, Bytes(24, 1));
    cut.resize(cut.size() - 1);
    EXPECT_EQ(f.load("h.bmp", cut), 6u);  // data block shorter than height x stride
    EXPECT_EQ(f.image.pixels, nullptr);
}

TEST(PcxLoader, PicturesWrittenByKaldorGLKeepTheirColoursAndAlpha) {
    Fixture f;
    const Bytes rgba = kvtest::makePhotoRgba(7, 5, 3);
    CKaldorGL writer;
    const std::string rgbPath = f.dir.file("rgb.pcx"), rgbaPath = f.dir.file("rgba.pcx");
    Bytes rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    ASSERT_EQ(writer.SaveImageToFileBPP(rgbPath.c_str(), rgb.data(), 7, 5, KDGL_TYPE_24BIT), 0u);
    ASSERT_EQ(writer.SaveImageToFileBPP(rgbaPath.c_str(), rgba.data(), 7, 5, KDGL_TYPE_32BIT), 0u);

    for (bool alpha : {false, true}) {
        ASSERT_EQ(f.image.LoadImageA((alpha ? rgbaPath : rgbPath).c_str()), 0u);
        ASSERT_EQ(f.image.width, 7u);
        ASSERT_EQ(f.image.height, 5u);
        for (uint32_t i = 0; i < 35; ++i) {
            const uint8_t* p = &rgba[i * 4];
            const uint32_t a = alpha ? p[3] : 255u;
            ASSERT_EQ(f.image.at(i % 7, i / 7), a << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) << i;
        }
    }
}

TEST(PcxLoader, PalettedPicturesAreExpandedAndBadHeadersOrDataRefused) {
    Fixture f;
    // 3 x 1, 8 bits, one plane: indices 0, 1, 2 as literals, then the tail palette.
    Bytes body = {0, 1, 2, 0};
    body.push_back(12);
    Bytes palette(768, 0);
    palette[0] = 255;                  // 0 red
    palette[4] = 255;                  // 1 green
    palette[6] = 0x12, palette[7] = 0x34, palette[8] = 0x56;  // 2
    body.insert(body.end(), palette.begin(), palette.end());
    ASSERT_EQ(f.load("p.pcx", pcxFile(3, 1, 8, 1, 4, body)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(f.image.at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(f.image.at(2, 0), 0xFF123456u);

    Bytes version3 = pcxFile(3, 1, 8, 3, 4, Bytes(12, 7));
    version3[1] = 3;
    EXPECT_EQ(f.load("v.pcx", version3), kUnknownFormat);
    Bytes manufacturer = pcxFile(3, 1, 8, 3, 4, Bytes(12, 7));
    manufacturer[0] = 11;
    EXPECT_EQ(f.load("m.pcx", manufacturer), kUnknownFormat);
    EXPECT_EQ(f.load("b.pcx", pcxFile(3, 1, 4, 3, 4, Bytes(12, 7))), kUnknownFormat);  // 4 bits x 3 planes
    // Run-length data that ends before the last scan line.
    EXPECT_EQ(f.load("s.pcx", pcxFile(3, 2, 8, 3, 4, {0xCC, 9})), 6u);
    EXPECT_EQ(f.load("h.pcx", Bytes(100, 10)), 6u);
}

TEST(TgaLoader, BottomUpFilesFromKaldorGLComeOutTopFirst) {
    Fixture f;
    const Bytes rgba = kvtest::makePhotoRgba(6, 4, 9);
    CKaldorGL writer;
    const std::string path = f.dir.file("w.tga");
    ASSERT_EQ(writer.SaveImageToFileBPP(path.c_str(), rgba.data(), 6, 4, KDGL_TYPE_32BIT), 0u);
    ASSERT_EQ(f.image.LoadImageA(path.c_str()), 0u);
    for (uint32_t i = 0; i < 24; ++i) {
        const uint8_t* p = &rgba[i * 4];
        ASSERT_EQ(f.image.at(i % 6, i / 6),
                  uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) << i;
    }
}

TEST(TgaLoader, OriginBitIdFieldRunLengthAndColourMapsAreHonoured) {
    Fixture f;
    // Type 2, 24 bits, origin at the top, a 3-byte identification field before the pixels.
    const Bytes topFirst = {1, 2, 3, /*pixels*/ 0x30, 0x20, 0x10, 0x60, 0x50, 0x40};
    ASSERT_EQ(f.load("o.tga", tgaFile(2, 1, 2, 24, 0x20, topFirst, 3)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFF102030u);
    EXPECT_EQ(f.image.at(0, 1), 0xFF405060u);
    // Type 10: a run of three and a literal pixel, 2 x 2, bottom row first.
    const Bytes rle = {0x82, 0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66};
    ASSERT_EQ(f.load("r.tga", tgaFile(10, 2, 2, 24, 0, rle)), 0u);
    EXPECT_EQ(f.image.at(0, 1), 0xFF332211u);
    EXPECT_EQ(f.image.at(1, 1), 0xFF332211u);
    EXPECT_EQ(f.image.at(0, 0), 0xFF332211u);
    EXPECT_EQ(f.image.at(1, 0), 0xFF665544u);
    // Type 1: two 24-bit map entries, indices 1 0.
    const Bytes mapped = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, /*indices*/ 1, 0};
    ASSERT_EQ(f.load("m.tga", tgaFile(1, 2, 1, 8, 0, mapped, 0, 1, 0, 2, 24)), 0u);
    EXPECT_EQ(f.image.at(0, 0), 0xFF0000FFu);
    EXPECT_EQ(f.image.at(1, 0), 0xFFFF0000u);
    // Pixels missing from the end.
    EXPECT_EQ(f.load("s.tga", tgaFile(2, 4, 4, 24, 0, Bytes(20, 1))), 6u);
}

TEST(JpegLoader, DecodesTopFirstGreyAsGreyAndSurvivesBrokenFiles) {
    Fixture f;
    // Red upper half, blue lower half.
    Bytes rgba(16 * 16 * 4);
    for (size_t i = 0; i < 256; ++i) {
        const bool upper = i < 128;
        rgba[i * 4] = upper ? 250 : 0;
        rgba[i * 4 + 2] = upper ? 0 : 250;
        rgba[i * 4 + 3] = 255;
    }
    const std::string path = f.dir.file("halves.jpg");
    ASSERT_TRUE(kvtest::writeJpeg(path, rgba, 16, 16, 95, false));
    ASSERT_EQ(f.image.LoadJPEG(path.c_str()), 0u);
    ASSERT_EQ(f.image.width, 16u);
    ASSERT_EQ(f.image.height, 16u);
    auto near = [](uint32_t actual, uint32_t expected) {
        for (int shift = 0; shift < 32; shift += 8) {
            if (std::abs(int(actual >> shift & 0xFF) - int(expected >> shift & 0xFF)) > 6) return false;
        }
        return true;
    };
    EXPECT_PRED2(near, f.image.at(3, 2), 0xFFFA0000u);
    EXPECT_PRED2(near, f.image.at(12, 13), 0xFF0000FAu);

    Image grey;
    const std::string greyPath = f.dir.file("grey.jpg");
    ASSERT_TRUE(kvtest::writeGreyJpeg(greyPath, Bytes(8 * 8, 100), 8, 8, 95));
    ASSERT_EQ(grey.LoadImageA(greyPath.c_str()), 0u);
    EXPECT_PRED2(near, grey.at(5, 5), 0xFF646464u);

    // Fatal decoder errors come back as a status; the process goes on.
    Bytes broken = kvtest::readFile(path);
    broken.resize(40);
    EXPECT_EQ(f.load("broken.jpg", broken), kUnknownFormat);
    EXPECT_EQ(f.load("text.jpg", {'h', 'e', 'l', 'l', 'o'}), kUnknownFormat);
}

TEST(KviLoader, EveryStoredOrderAndDepthLoadsWithItsTrueColours) {
    const Bytes rgba = kvtest::makePhotoRgba(5, 3, 4);
    struct Case {
        uint32_t colorDesc;
        uint8_t bits;
        bool alpha;
    };
    for (const Case c : {Case{KVI_COLOR_RGBA, 32, true}, Case{KVI_COLOR_BGRA, 32, true}, Case{KVI_COLOR_ARGB, 32, true},
                         Case{KVI_COLOR_XBGR, 32, false}, Case{KVI_COLOR_RGBA, 24, false},
                         Case{KVI_COLOR_BGRA, 24, false}}) {
        kvitest::Settings settings;
        settings.width = 5;
        settings.height = 3;
        settings.bits = c.bits;
        settings.colorDesc = c.colorDesc;
        settings.mode = KVI_MODE_A1;
        Fixture f;
        ASSERT_EQ(f.load("p.kvi", kvitest::encodeFile(rgba, settings)), 0u) << c.colorDesc << "/" << int(c.bits);
        ASSERT_EQ(f.image.width, 5u);
        ASSERT_EQ(f.image.height, 3u);
        for (uint32_t i = 0; i < 15; ++i) {
            const uint8_t* p = &rgba[i * 4];
            const uint32_t alpha = c.alpha ? p[3] : 255u;
            ASSERT_EQ(f.image.at(i % 5, i / 5), alpha << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2])
                << c.colorDesc << "/" << int(c.bits) << " pixel " << i;
        }
    }
}

TEST(KviLoader, HeaderAndDataFaultsHaveTheirOwnCodes) {
    Fixture f;
    EXPECT_EQ(f.load("a.kvi", {'n', 'o', 't', 'k', 'v', 'i'}), 0x50000101u);
    kvitest::Settings settings;
    settings.width = 4;
    settings.height = 4;
    settings.mode = KVI_MODE_A1;
    Bytes file = kvitest::encodeFile(kvtest::makePhotoRgba(4, 4), settings);
    file.resize(file.size() - 3);  // the data section is shorter than its stored length
    EXPECT_EQ(f.load("b.kvi", file), 5u);
    EXPECT_EQ(f.image.pixels, nullptr);
}

// A picture over the decoding budget is refused before anything is allocated for it, with
// the engine's code for a failed allocation; an empty picture stays a format fault.
TEST(ImageLoaders, PicturesOverTheBudgetAreAllocationFailures) {
    Fixture f;
    const Bytes rgba = kvtest::makePhotoRgba(4, 4);
    const std::string jpeg = f.dir.file("p.jpg");
    ASSERT_TRUE(kvtest::writeJpeg(jpeg, rgba, 4, 4, 90, true));
    kvitest::Settings settings;
    settings.width = settings.height = 4;
    settings.mode = KVI_MODE_A1;
    const struct {
        const char* name;
        Bytes file;
    } pictures[] = {{"p.bmp", bmpFile(4, 4, 24, {}, Bytes(48, 7))},
                    {"p.pcx", pcxFile(4, 4, 8, 3, 4, Bytes(48, 7))},
                    {"p.tga", tgaFile(2, 4, 4, 24, 0, Bytes(48, 7))},
                    {"p.jpg", kvtest::readFile(jpeg)},
                    {"p.kvi", kvitest::encodeFile(rgba, settings)}};
    for (const auto& p : pictures) EXPECT_EQ(f.load(p.name, p.file), 0u) << p.name;
    KDGL_SetPixelBudget(15, 0);
    KVIDECODER_SetPixelBudget(15, 0);
    for (const auto& p : pictures) {
        EXPECT_EQ(f.load(p.name, p.file), 0x101u) << p.name;
        EXPECT_EQ(f.image.pixels, nullptr);
    }
    KDGL_SetPixelBudget(0, 0);
    KVIDECODER_SetPixelBudget(0, 0);
    EXPECT_EQ(f.load("w.bmp", bmpFile(0, 4, 24, {}, Bytes(48, 7))), kUnknownFormat);
    EXPECT_EQ(f.load("h.bmp", bmpFile(4, 0, 24, {}, Bytes(48, 7))), kUnknownFormat);
    EXPECT_EQ(f.load("w.tga", tgaFile(2, 0, 4, 24, 0, Bytes(48, 7))), kUnknownFormat);
    EXPECT_EQ(f.load("h.tga", tgaFile(2, 4, 0, 24, 0, Bytes(48, 7))), kUnknownFormat);
}

TEST(ImageRecord, VerticalFlipSwapsRowsAroundTheMiddle) {
    Image image;
    EXPECT_EQ(image.VerticalFlip(), 0u);  // nothing loaded
    image.width = 2;
    image.height = 1;
    image.pixels = static_cast<uint8_t*>(std::malloc(8));
    const uint8_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(image.pixels, row, 8);
    EXPECT_EQ(image.VerticalFlip(), 0u);
    EXPECT_EQ(std::memcmp(image.pixels, row, 8), 0);

    std::free(image.pixels);
    image.width = 1;
    image.height = 3;
    image.pixels = static_cast<uint8_t*>(std::malloc(12));
    const uint32_t rows[3] = {0x11111111, 0x22222222, 0x33333333};
    std::memcpy(image.pixels, rows, 12);
    EXPECT_EQ(image.VerticalFlip(), 0u);
    EXPECT_EQ(image.at(0, 0), 0x33333333u);
    EXPECT_EQ(image.at(0, 1), 0x22222222u);
    EXPECT_EQ(image.at(0, 2), 0x11111111u);
}

}  // namespace
