#include "d3d_fixture.h"

#include "testsupport.h"

#include <platform/gdifont.h>

#include <string>

namespace {

// Bounding box of the pixels that differ from the background.
struct Ink {
    int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1, count = 0;
};

class TextTest : public kvtest::D3dFixture {
public:
    void SetUp() override {
        createDevice(200, 100);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }

    Ink ink() {
        Ink box;
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 0; x < 200; ++x)
                if (pixel(x, y) != 0xFF000000u) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x);
                    box.bottom = std::max(box.bottom, y);
                    ++box.count;
                }
        return box;
    }

    ID3DXFont* makeFont(const char* face, int height, int weight) {
        HFONT gdiFont = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, face);
        EXPECT_NE(gdiFont, nullptr);
        ID3DXFont* font = nullptr;
        EXPECT_EQ(D3DXCreateFont(device, gdiFont, &font), D3D_OK);
        DeleteObject(gdiFont);  // the D3DX font keeps its own copy
        return font;
    }
};

TEST(GdiFont, UnknownFacesFallBackToSansAndWeightPicksTheBoldFace) {
    HFONT unknown = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "No Such Face 12345");
    ASSERT_NE(unknown, nullptr);
    EXPECT_NE(std::string(unknown->fileName()), "");
    HFONT bold = CreateFontA(20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    HFONT normal = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    ASSERT_NE(bold, nullptr);
    ASSERT_NE(normal, nullptr);
    EXPECT_NE(std::string(bold->fileName()), std::string(normal->fileName()));
    EXPECT_EQ(bold->logFont.lfWeight, FW_BOLD);
    EXPECT_GT(bold->measureLine("Wide", 4), normal->measureLine("Wide", 4));
    // Positive heights are cell heights: a line is as tall as asked.
    EXPECT_NEAR(normal->lineHeight(), 20, 1);
    for (HFONT f : {unknown, bold, normal}) DeleteObject(f);

    // A face without a bold style is emboldened rather than left thin.
    HFONT onlyRegular = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Math TeX Gyre");
    HFONT synthetic = CreateFontA(20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Math TeX Gyre");
    if (std::string(onlyRegular->fileName()) == synthetic->fileName()) {
        EXPECT_GT(synthetic->measureLine("Wide", 4), onlyRegular->measureLine("Wide", 4));
    }
    DeleteObject(onlyRegular);
    DeleteObject(synthetic);
}

TEST(GdiFont, MalformedUtf8ReadsAsWindows1251) {
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    ASSERT_NE(font, nullptr);
    const char utf8[] = "\xD0\x96";  // Cyrillic Zhe in UTF-8
    const char cp1251[] = "\xC6";     // the same letter in Windows-1251
    EXPECT_EQ(font->measureLine(utf8, 2), font->measureLine(cp1251, 1));
    EXPECT_GT(font->measureLine("\xE2\x82", 2), 0);  // cut-off sequence: two single bytes, no overrun
    DeleteObject(font);
}

TEST_F(TextTest, DrawTextStartsAtTheTopLeftAndBreaksOnlyAtLineFeeds) {
    ID3DXFont* font = makeFont("DejaVu Sans", 16, FW_NORMAL);
    ASSERT_NE(font, nullptr);
    RECT rect{10, 10, 20, 20};  // far smaller than the text
    ASSERT_EQ(font->Begin(), D3D_OK);
    const INT height = font->DrawTextA("HH HH HH", -1, &rect, DT_NOCLIP, 0xFFFFFFFF);
    font->End();
    const Ink one = ink();
    EXPECT_GE(one.left, 10);
    EXPECT_LE(one.left, 13);
    EXPECT_GE(one.top, 10);
    EXPECT_GT(one.right, 50);  // ran past the rectangle: no clipping, no wrapping
    EXPECT_LT(one.bottom, 10 + height);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const INT twoLines = font->DrawTextA("HH\nHH", -1, &rect, DT_NOCLIP, 0xFFFFFFFF);
    EXPECT_EQ(twoLines, 2 * height);
    const Ink two = ink();
    EXPECT_GT(two.bottom, one.bottom + height / 2);
    EXPECT_LT(two.right, 40);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    font->DrawTextA("HH HH HH", -1, &rect, 0, 0xFFFFFFFF);  // clipped to the rectangle
    const Ink clipped = ink();
    EXPECT_LT(clipped.right, 20);
    EXPECT_LT(clipped.bottom, 20);
    font->Release();
}

TEST_F(TextTest, TextIsAntialiasedInTheGivenColourAndCountIsHonoured) {
    ID3DXFont* font = makeFont("DejaVu Sans", 24, FW_NORMAL);
    RECT rect{0, 0, 200, 100};
    font->DrawTextA("O", -1, &rect, DT_NOCLIP, 0xFF00FF00);
    bool partial = false, full = false;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const uint32_t p = pixel(x, y);
            EXPECT_EQ(p & 0x00FF00FFu, 0u);
            const uint32_t g = (p >> 8) & 0xFF;
            partial |= g > 0 && g < 0xFF;
            full |= g == 0xFF;
        }
    EXPECT_TRUE(partial);
    EXPECT_TRUE(full);

    RECT measure{5, 5, 0, 0};
    font->DrawTextA("ABC\nA", 1, &measure, DT_CALCRECT, 0xFFFFFFFF);  // only "A" counts
    RECT measureAll{5, 5, 0, 0};
    font->DrawTextA("ABC\nA", -1, &measureAll, DT_CALCRECT, 0xFFFFFFFF);
    EXPECT_LT(measure.right, measureAll.right);
    EXPECT_EQ(measureAll.bottom - 5, 2 * (measure.bottom - 5));
    font->Release();
}

TEST_F(TextTest, SavedBmpHasTheHeadersOrdinaryReadersExpect) {
    const D3DRECT corner{0, 0, 1, 1};
    device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    kvtest::TempDir dir;
    const std::string path = (dir.path() / "shot.bmp").string();
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, backBuffer, nullptr, nullptr), D3D_OK);
    const std::vector<uint8_t> file = kvtest::readFile(path);
    const uint32_t stride = 200 * 3;
    ASSERT_EQ(file.size(), 54u + stride * 100);
    auto u16 = [&](size_t at) { return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32(2), file.size());
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 200u);
    EXPECT_EQ(u32(22), 100u);  // positive: bottom-up rows
    EXPECT_EQ(u16(26), 1u);
    EXPECT_EQ(u16(28), 24u);
    EXPECT_EQ(u32(30), 0u);  // BI_RGB
    EXPECT_EQ(u32(34), stride * 100);
    // The top-left pixel is the first of the last row, stored B, G, R.
    const size_t topLeft = 54 + size_t(stride) * 99;
    EXPECT_EQ(file[topLeft], 0x30);
    EXPECT_EQ(file[topLeft + 1], 0x20);
    EXPECT_EQ(file[topLeft + 2], 0x10);
    EXPECT_EQ(file[54], 0);

    const RECT part{0, 0, 3, 2};
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, backBuffer, nullptr, &part), D3D_OK);
    EXPECT_EQ(kvtest::readFile(path).size(), 54u + 12 * 2);  // rows padded to four bytes
    const RECT outside{190, 0, 201, 10};
    EXPECT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, backBuffer, nullptr, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_PNG, backBuffer, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXSaveSurfaceToFileA((dir.path() / "no/such/dir.bmp").string().c_str(), D3DXIFF_BMP, backBuffer, nullptr,
                                     nullptr),
              D3DERR_INVALIDCALL);
}

}  // namespace

// fontconfig keeps 288 bytes of its first font match for the life of the process (the same
// happens in a bare program that only calls FcFontMatch); that is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
