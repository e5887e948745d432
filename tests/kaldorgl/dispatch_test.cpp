#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <cstring>

using namespace kdgltest;

namespace {

std::string statusText(uint32_t code) {
    char text[KDGL_ERR_TEXT_SIZE];
    KDGL_ERR_GetErrorStr(code, text);
    return text;
}

TEST(StatusTexts, EveryCodeHasItsTextAndOthersAreUnknown) {
    EXPECT_EQ(statusText(0), "Allright!");
    EXPECT_EQ(statusText(6), "File is not exist or can't be closed");
    EXPECT_EQ(statusText(7), "Wrong file size");
    EXPECT_EQ(statusText(260), "Unknown compression or organization structure!");
    EXPECT_EQ(statusText(770), "Get or put pixel failed!");
    EXPECT_EQ(statusText(8), "Unknown error code!");
    EXPECT_EQ(statusText(512), "Unknown error code!");
    EXPECT_EQ(std::strlen("Unknown compression or organization structure!") + 1, KDGL_ERR_TEXT_SIZE);
}

TEST(DebugLog, WritesTheHeadOnceAndTurnsLineFeedsIntoBreaks) {
    kvtest::TempDir dir;
    const std::string old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    CKDGL_DEBUG log;
    log.Init();
    log.Init();
    log.Write("one\ntwo");
    log.Writeln("word");
    log.WriteError("bad %d", 5);
    std::filesystem::current_path(old);
    EXPECT_STREQ(log.path, "KaldorGL_debug.htm");
    const Bytes bytes = kvtest::readFile(dir.file("KaldorGL_debug.htm"));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("<html>\n<head>\n<title>Kaldor Graphic Library debug</title>\n</head>\n\n"
                         "<body text=black bgcolor=white>\n\n"
                         "<h2>Kaldor Graphic Library debug</h2>\n<font size=2 color=silver face=Verdana>",
                         0),
              0u);
    const std::string tail = "<br /><br /></font>\n\n<hr size=1>\n\n"
                             "one<br />twoword<br /><font color=red><b>ERROR</b>: bad 5</font><br />";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

struct Files {
    kvtest::TempDir dir;
    Bytes rgba = kvtest::makePhotoRgba(6, 4);
    std::string save(const std::string& name, uint32_t type) {
        CKaldorGL gl;
        const std::string path = dir.file(name);
        const Bytes pixels = type == KDGL_TYPE_24BIT ? rgb() : rgba;
        EXPECT_EQ(gl.SaveImageToFileBPP(path.c_str(), pixels.data(), 6, 4, type), KDGL_OK) << name;
        return path;
    }
    Bytes rgb() const {
        Bytes out;
        for (size_t i = 0; i < rgba.size(); i += 4) out.insert(out.end(), rgba.begin() + long(i), rgba.begin() + long(i) + 3);
        return out;
    }
};

TEST(LoadDispatch, ChoosesTheCodecByTheLastThreeLettersInAnyCase) {
    Files f;
    for (const char* name : {"a.bmp", "b.BMP", "c.Pcx", "d.tGa", "x.bmp"}) {
        const std::string path = f.save(name, KDGL_TYPE_32BIT);
        CKaldorGL gl;
        ASSERT_EQ(gl.LoadImageFromFileAs32(path.c_str()), KDGL_OK) << name;
        EXPECT_EQ(gl.canvas.type, KDGL_TYPE_32BIT);
        EXPECT_EQ(gl.canvas.width, 6u);
        EXPECT_EQ(takeCanvas(gl.canvas, f.rgba.size()), f.rgba) << name;
    }
    CKaldorGL gl;
    EXPECT_EQ(gl.LoadImageFromFile(f.dir.file("p.jpeg").c_str()), KDGL_ERR_COMPRESSION);
    EXPECT_EQ(gl.LoadImageFromFile(".bmp"), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.LoadImageFromFile(nullptr), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.LoadImageFromFile(f.dir.file("missing.bmp").c_str()), KDGL_ERR_FILE_OPEN);
    EXPECT_EQ(gl.LoadImageFromFile(f.dir.file("missing.jpg").c_str()), KDGL_ERR_FILE_NAME);
}

TEST(LoadDispatch, As24ConvertsAndPlainLoadsKeepTheOldCanvas) {
    Files f;
    const std::string path = f.save("p.pcx", KDGL_TYPE_24BIT);
    CKaldorGL gl;
    ASSERT_EQ(gl.LoadImageFromFileAs24(path.c_str()), KDGL_OK);
    EXPECT_EQ(gl.canvas.type, KDGL_TYPE_24BIT);
    uint8_t* first = gl.canvas.data;
    ASSERT_EQ(gl.LoadImageFromFile(path.c_str()), KDGL_OK);
    EXPECT_NE(gl.canvas.data, first);  // the first buffer is still the caller's
    std::free(first);
    EXPECT_EQ(takeCanvas(gl.canvas, f.rgba.size() / 4 * 3), f.rgb());
    // A failed load leaves the canvas alone.
    gl.canvas.width = 99;
    EXPECT_NE(gl.LoadImageFromFile(f.dir.file("missing.tga").c_str()), KDGL_OK);
    EXPECT_EQ(gl.canvas.width, 99u);
}

TEST(LoadDispatch, FromMemoryByFormatIndex) {
    Files f;
    const Bytes tga = kvtest::readFile(f.save("m.tga", KDGL_TYPE_32BIT));
    CKaldorGL gl;
    gl.canvas.data = static_cast<uint8_t*>(std::malloc(16));  // released by the load
    ASSERT_EQ(gl.LoadImageFromMemAs32(tga.data(), uint32_t(tga.size()), KDGL_FORMAT_TGA), KDGL_OK);
    EXPECT_EQ(takeCanvas(gl.canvas, f.rgba.size()), f.rgba);
    EXPECT_EQ(gl.LoadImageFromMem(tga.data(), uint32_t(tga.size()), KDGL_FORMAT_JPEG), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.LoadImageFromMem(tga.data(), uint32_t(tga.size()), 7), KDGL_ERR_UNSUPPORTED);
    EXPECT_EQ(gl.LoadImageFromMem(nullptr, 0, 0), KDGL_ERR_NULL_POINTER);
    EXPECT_EQ(gl.LoadImageFromMemAs32(nullptr, 0, 0), KDGL_ERR_NULL_POINTER);
    EXPECT_EQ(gl.LoadImageFromMemAs24(nullptr, 0, 0), KDGL_ERR_FILE_OPEN);
    // A cel picture gets type 3 and converts through its palette.
    Bytes cel = {0x19, 0x91, 1, 0, 1, 0};
    cel.resize(800, 0);
    cel[32 + 3] = 63;
    cel.push_back(1);
    ASSERT_EQ(gl.LoadImageFromMem(cel.data(), uint32_t(cel.size()), KDGL_FORMAT_CEL), KDGL_OK);
    EXPECT_EQ(gl.canvas.type, KDGL_TYPE_8BIT);
    EXPECT_EQ(gl.canvas.palette[1].r, 252);
    ASSERT_EQ(gl.LoadImageFromMemAs24(cel.data(), uint32_t(cel.size()), KDGL_FORMAT_CEL), KDGL_OK);
    EXPECT_EQ(takeCanvas(gl.canvas, 3), (Bytes{252, 0, 0}));
}

// Every reader asks the budget before it allocates: exactly at the limit loads, one pixel
// more is refused with 257; pixel bytes count too.
TEST(LoadDispatch, ReadersKeepToThePixelBudget) {
    const auto status = [](uint32_t w, uint32_t h, uint32_t format) {
        kvtest::TempDir dir;
        const std::string name = dir.file(format == KDGL_FORMAT_BMP ? "p.bmp" : format == KDGL_FORMAT_PCX ? "p.pcx" : "p.tga");
        const Bytes rgba(size_t(w) * h * 4, 77);
        if (format != KDGL_FORMAT_CEL) {
            EXPECT_EQ(CKaldorGL().SaveImageToFileBPP(name.c_str(), rgba.data(), w, h, KDGL_TYPE_24BIT), KDGL_OK);
        }
        Bytes bytes = format == KDGL_FORMAT_CEL ? Bytes{0x19, 0x91, uint8_t(w), 0, uint8_t(h), 0} : kvtest::readFile(name);
        if (format == KDGL_FORMAT_CEL) bytes.resize(800 + size_t(w) * h, 1);
        CKaldorGL gl;
        const uint32_t result = gl.LoadImageFromMem(bytes.data(), uint32_t(bytes.size()), format);
        std::free(gl.canvas.data);
        return result;
    };
    for (const uint32_t format : {KDGL_FORMAT_BMP, KDGL_FORMAT_CEL, KDGL_FORMAT_PCX, KDGL_FORMAT_TGA}) {
        KDGL_SetPixelBudget(100, 0);
        EXPECT_EQ(status(10, 10, format), KDGL_OK) << format;
        EXPECT_EQ(status(101, 1, format), KDGL_ERR_RESOLUTION) << format;
        KDGL_SetPixelBudget(0, 299);  // 24-bit pictures: 300 bytes for 100 pixels
        EXPECT_EQ(status(10, 10, format), format == KDGL_FORMAT_CEL ? KDGL_OK : KDGL_ERR_RESOLUTION) << format;
    }
    uint64_t pixels = 0, bytes = 0;
    KDGL_GetPixelBudget(&pixels, &bytes);
    EXPECT_EQ(bytes, 299u);
    KDGL_SetPixelBudget(0, 0);
    KDGL_GetPixelBudget(&pixels, &bytes);
    if (!std::getenv("KV_MAX_PIXELS")) {
        EXPECT_EQ(pixels, uint64_t(1) << 28);
        EXPECT_EQ(bytes, uint64_t(1) << 30);
    }
}

// A FIFO would block the open itself, a device would read for ever: both fail at once.
TEST(LoadDispatch, OnlyRegularFilesAreRead) {
    kvtest::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero.tga").c_str()), 0);
    CKaldorGL gl;
    EXPECT_EQ(gl.LoadImageFromFile(dir.file("pipe.bmp").c_str()), KDGL_ERR_FILE_OPEN);
    EXPECT_EQ(gl.LoadImageFromFile(dir.file("pipe.jpg").c_str()), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.LoadImageFromFile(dir.file("zero.tga").c_str()), KDGL_ERR_FILE_OPEN);
    ASSERT_EQ(::mkdir(dir.file("folder.pcx").c_str(), 0700), 0);
    EXPECT_EQ(gl.LoadImageFromFile(dir.file("folder.pcx").c_str()), KDGL_ERR_FILE_OPEN);
}

TEST(SaveDispatch, ChecksNamesSizesAndTypes) {
    kvtest::TempDir dir;
    CKaldorGL gl;
    const uint8_t pixels[4] = {1, 2, 3, 4};
    EXPECT_EQ(gl.SaveImageToFileBPP("", pixels, 1, 1, KDGL_TYPE_24BIT), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.SaveImageToFileBPP(".bmp", pixels, 1, 1, KDGL_TYPE_24BIT), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("a.bmp").c_str(), pixels, 0, 1, KDGL_TYPE_24BIT), KDGL_ERR_RESOLUTION);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("a.cel").c_str(), pixels, 1, 1, KDGL_TYPE_24BIT), KDGL_ERR_UNSUPPORTED);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("a.bmp").c_str(), pixels, 1, 1, KDGL_TYPE_8BIT), KDGL_ERR_COLOR_DEPTH);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("a.pcx").c_str(), pixels, 1, 1, KDGL_TYPE_15BIT), KDGL_ERR_COLOR_DEPTH);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("a.TGA").c_str(), pixels, 1, 1, KDGL_TYPE_15BIT), KDGL_OK);
    gl.canvas = KDGL_CANVAS{const_cast<uint8_t*>(pixels), {}, 1, 1, KDGL_TYPE_32BIT};
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("c.bmp").c_str(), KDGL_TYPE_32BIT), KDGL_OK);
    EXPECT_EQ(gl.SaveImageToFileBPP(dir.file("d.tga").c_str(), &gl.canvas, KDGL_TYPE_32BIT), KDGL_OK);
    gl.canvas.data = nullptr;
    EXPECT_EQ(gl.SaveImageToFile("", 1, 1), KDGL_ERR_FILE_NAME);
    EXPECT_EQ(gl.SaveImageToFile("x.bmp", 1, 0), KDGL_ERR_RESOLUTION);
    EXPECT_EQ(gl.SaveImageToFile("x.bmp", 1, 1), KDGL_OK);
}

TEST(FormatTable, ListsFiveFormatsThenStops) {
    CKaldorGL gl;
    char description[64] = "untouched";
    char mask[16] = "untouched";
    uint32_t caps = 99;
    const uint32_t expected[5] = {7, 3, 1, 7, 7};
    for (uint32_t i = 0; i < 5; ++i) {
        gl.GetSupportedExtention(i, description, mask, &caps);
        EXPECT_EQ(caps, expected[i]);
    }
    EXPECT_STREQ(description, "Targa image (TGA)");
    EXPECT_STREQ(mask, "*.tga");
    gl.GetSupportedExtention(2, description, mask, &caps);
    EXPECT_STREQ(description, "JPEG (JPG)");
    gl.GetSupportedExtention(5, description, mask, &caps);
    EXPECT_EQ(caps, 0u);
    EXPECT_STREQ(mask, "*.jpg");
    EXPECT_EQ(gl.GetVersion(), 290u);
}

}  // namespace
