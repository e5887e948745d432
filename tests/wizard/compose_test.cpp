#include "scripttest.h"

namespace {

using wiztest::ScriptTest;

TEST_F(ScriptTest, MixBlendsTwoPicturesByLevel) {
    script("pwCreateImage(0, 4, 3, RGB(200, 0, 100)) pwCreateImage(1, 4, 3, RGB(0, 100, 50))");
    EXPECT_EQ(eval("pwMix(2, 0, 1, 100)"), 4);
    EXPECT_EQ(current_.errors(), "Mix value is not valid!|");
    EXPECT_EQ(eval("pwMix(2, 0, 1, 0)"), 4);

    EXPECT_EQ(eval("pwMix(2, 0, 1, 150)"), 0);
    EXPECT_EQ(eval("pwGetPixel(2, 3, 2)"), eval("pwGetPixel(1, 3, 2)"));

    EXPECT_EQ(eval("pwMix(2, 0, 1, 25)"), 0);
    const uint8_t* p = pixel(2, 1, 1);
    EXPECT_EQ(p[0], 150);  // (200 * 75 + 0 * 25) / 100
    EXPECT_EQ(p[1], 25);
    EXPECT_EQ(p[2], 87);   // (100 * 75 + 50 * 25) / 100 = 87.5
    EXPECT_EQ(p[3], 255);

    EXPECT_EQ(eval("pwMix(2, 9, 1, 50)"), 2);
    EXPECT_EQ(eval("pwMix(2, 0, 9, 50)"), 3);
    script("pwCreateImage(3, 2, 2, 0)");
    EXPECT_EQ(eval("pwMix(2, 0, 3, 50)"), 1);
    EXPECT_EQ(current_.errors(), "Source images resolutions must be identity!|");
    EXPECT_EQ(eval("pwMix(17, 0, 1, 50)"), 1);
    EXPECT_EQ(current_.errors(), "Wrong image number!|");
    EXPECT_EQ(eval("pwMix(0, 0, 1, 50)"), 0);  // into one of its own sources
    EXPECT_EQ(pixel(0, 0, 0)[0], 100);
}

TEST_F(ScriptTest, MixAreaMixesOnlyTheRectangle) {
    script("pwCreateImage(0, 6, 5, RGB(0, 0, 0)) pwCreateImage(1, 6, 5, RGB(200, 100, 40))");
    EXPECT_EQ(eval("pwMixArea(2, 0, 1, 50, 1, 2, 3, 3)"), 0);
    EXPECT_EQ(state_.slots[2].width, 6);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 2 && y <= 3;
            EXPECT_EQ(pixel(2, x, y)[0], inside ? 100 : 0) << x << "," << y;
            EXPECT_EQ(pixel(2, x, y)[2], inside ? 20 : 0);
        }
    EXPECT_EQ(eval("pwMixArea(2, 0, 1, 50, 0, 0, 6, 0)"), 7);
    EXPECT_EQ(current_.errors(), "Right coordinate is not valid!|");
    EXPECT_EQ(eval("pwMixArea(2, 0, 1, 100, 0, 0, 1, 1)"), 4);
    EXPECT_EQ(eval("pwMixArea(2, 0, 1, 50, 0, 5, 1, 5)"), 6);
    script("pwCreateImage(3, 7, 5, 0)");
    EXPECT_EQ(eval("pwMixArea(2, 0, 3, 50, 0, 0, 1, 1)"), 1);
    EXPECT_EQ(eval("pwMixArea(0, 0, 1, 50, 0, 0, 0, 0)"), 0);  // into its own source
    EXPECT_EQ(pixel(0, 0, 0)[0], 100);
    EXPECT_EQ(pixel(0, 1, 0)[0], 0);
}

TEST_F(ScriptTest, ColourKeyAndMaskSetAlpha) {
    script(R"(
        pwCreateImage(0, 3, 1, RGB(10, 20, 30))
        pwPutPixel(0, 1, 0, RGB(1, 2, 3) - 16777216)  -- not the key, alpha 255
    )");
    EXPECT_EQ(eval("pwSetColorKey(1, 0, RGB(10, 20, 30), 7)"), 0);
    EXPECT_EQ(pixel(1, 0, 0)[3], 7);
    EXPECT_EQ(pixel(1, 1, 0)[3], 255);
    EXPECT_EQ(pixel(1, 2, 0)[0], 10);
    EXPECT_EQ(pixel(0, 0, 0)[3], 255);  // the source stays
    EXPECT_EQ(eval("pwSetColorKey(0, 0, RGB(1, 2, 3) - 16777216, 9)"), 0);  // alpha of key ignored
    EXPECT_EQ(pixel(0, 1, 0)[3], 9);
    EXPECT_EQ(eval("pwSetColorKey(1, 4, 0, 0)"), 2);
    EXPECT_EQ(eval("pwSetColorKey(20, 0, 0, 0)"), 1);

    script("pwCreateImage(2, 3, 1, RGB(10, 20, 31))");
    EXPECT_EQ(eval("pwMaskFromImage(3, 0, 2)"), 0);
    EXPECT_EQ(pixel(3, 2, 0)[3], 20);
    EXPECT_EQ(pixel(3, 2, 0)[2], 30);
    EXPECT_EQ(eval("pwMaskFromImage(2, 0, 2)"), 0);  // into the mask's own slot
    EXPECT_EQ(pixel(2, 0, 0)[3], 20);
    EXPECT_EQ(pixel(2, 0, 0)[2], 30);
    EXPECT_EQ(eval("pwMaskFromImage(3, 0, 9)"), 3);
    script("pwCreateImage(4, 2, 2, 0)");
    EXPECT_EQ(eval("pwMaskFromImage(3, 0, 4)"), 1);
    EXPECT_EQ(current_.errors(), "Source images resolutions must be identity!|");
}

TEST_F(ScriptTest, ColorFadeWalksFromTheStartingEdge) {
    script("pwCreateImage(0, 4, 2, RGB(0, 0, 0))");
    EXPECT_EQ(eval("pwColorFade(1, 0, 0, 0, 3, 1, 'LEFT-RIGHT and more', RGB(255, 0, 0))"), 0);
    EXPECT_EQ(pixel(1, 0, 1)[0], 0);
    EXPECT_EQ(pixel(1, 1, 1)[0], 85);
    EXPECT_EQ(pixel(1, 2, 1)[0], 170);
    EXPECT_EQ(pixel(1, 3, 0)[0], 255);
    EXPECT_EQ(pixel(1, 3, 0)[3], 255);
    EXPECT_EQ(pixel(0, 3, 0)[0], 0);  // the source stays

    EXPECT_EQ(eval("pwColorFade(1, 0, 0, 0, 3, 1, 'RIGHT-LEFT', RGB(0, 255, 0))"), 0);
    EXPECT_EQ(pixel(1, 3, 0)[1], 0);
    EXPECT_EQ(pixel(1, 0, 0)[1], 255);
    EXPECT_EQ(eval("pwColorFade(0, 0, 0, 0, 3, 1, 'BOTTOM-TOP', RGB(0, 0, 255))"), 0);
    EXPECT_EQ(pixel(0, 2, 1)[2], 0);
    EXPECT_EQ(pixel(0, 2, 0)[2], 255);

    EXPECT_EQ(eval("pwColorFade(1, 0, 0, 0, 3, 1, 'LEFT', 0)"), 7);
    EXPECT_EQ(eval("pwColorFade(1, 0, 3, 0, 2, 1, 'TOP-BOTTOM', 0)"), 5);
    EXPECT_EQ(eval("pwColorFade(1, 0, 0, 1, 3, 0, 'TOP-BOTTOM', 0)"), 6);
    EXPECT_EQ(eval("pwColorFade(1, 8, 0, 0, 3, 1, 'TOP-BOTTOM', 0)"), 2);
}

TEST_F(ScriptTest, ColorFadeClipsItsRectangleToThePicture) {
    script("pwCreateImage(0, 4, 4, RGB(0, 0, 0))");
    // Columns -4 .. 7 (span 11, steps of 255/11); only 0 .. 3 are painted, rows 2 .. 3.
    EXPECT_EQ(eval("pwColorFade(1, 0, -4, 2, 7, 100000, 'LEFT-RIGHT', RGB(255, 255, 255))"), 0);
    EXPECT_EQ(pixel(1, 0, 1)[0], 0);
    EXPECT_EQ(pixel(1, 0, 2)[0], 92);   // k = 4: trunc(4 * 23.18)
    EXPECT_EQ(pixel(1, 3, 3)[0], 162);  // k = 7
    EXPECT_EQ(eval("pwColorFade(1, 0, -4, 0, 7, 0, 'RIGHT-LEFT', RGB(255, 255, 255))"), 0);
    EXPECT_EQ(pixel(1, 3, 0)[0], 92);   // k = 4 from the right edge at 7
    EXPECT_EQ(pixel(1, 0, 0)[0], 162);
    EXPECT_EQ(pixel(1, 0, 1)[0], 0);
    EXPECT_EQ(eval("pwColorFade(1, 0, -1e15, -1e15, 1e15, 1e15, 'TOP-BOTTOM', 0)"), 0);
    EXPECT_EQ(eval("pwColorFade(1, 0, 2, 2, 2, 2, 'BOTTOM-TOP', RGB(255, 0, 0))"), 0);
    EXPECT_EQ(pixel(1, 2, 2)[0], 0);  // a single line keeps the source
}

TEST_F(ScriptTest, PutImageBlendsWithAlphaAndClips) {
    script(R"(
        pwCreateImage(0, 4, 4, RGB(100, 100, 100))
        pwCreateImage(1, 2, 2, RGB(200, 0, 255))
        pwPutPixel(1, 1, 1, RGB(200, 0, 255) - 16777216 * 128)   -- alpha 128
    )");
    EXPECT_EQ(eval("pwPutImage(0, 1, 3, 3, 255)"), 0);
    EXPECT_EQ(pixel(0, 3, 3)[0], 200);  // src alpha 255, only (0, 0) lands
    EXPECT_EQ(pixel(0, 2, 2)[0], 100);
    EXPECT_EQ(eval("pwPutImage(0, 1, -1, -1, 128)"), 0);
    const uint8_t* p = pixel(0, 0, 0);  // src (1, 1): t = 128 * 128 / 255 = 64
    EXPECT_EQ(p[0], (64 * 200 + 100 * 191) / 255);
    EXPECT_EQ(p[1], (100 * 191) / 255);
    EXPECT_EQ(p[3], 255);
    EXPECT_EQ(eval("pwPutImage(0, 1, 1e12, -1e12, 99999)"), 0);
    EXPECT_EQ(eval("pwPutImage(5, 1, 0, 0, 255)"), 1);
    EXPECT_EQ(eval("pwPutImage(0, 5, 0, 0, 255)"), 1);
}

}  // namespace
