#include "scripttest.h"

namespace {

using wiztest::ScriptTest;

TEST_F(ScriptTest, ChannelEffectsKeepAlpha) {
    makeRamp(0, 4, 4);  // pixel (3, 2): 3, 2, 5, 200
    EXPECT_EQ(eval("pwInvert(0)"), 0);
    EXPECT_EQ(pixel(0, 3, 2)[0], 252);
    EXPECT_EQ(pixel(0, 3, 2)[2], 250);
    EXPECT_EQ(pixel(0, 3, 2)[3], 200);

    script("pwCreateImage(1, 2, 2, RGB(10, 20, 31))");
    EXPECT_EQ(eval("pwGrayscale(1)"), 0);
    EXPECT_EQ(pixel(1, 1, 1)[0], 20);
    EXPECT_EQ(pixel(1, 1, 1)[2], 20);

    script("pwCreateImage(1, 2, 2, RGB(100, 0, 255))");
    EXPECT_EQ(eval("pwBrightness(1, 150)"), 0);
    EXPECT_EQ(pixel(1, 0, 0)[0], 249);
    EXPECT_EQ(pixel(1, 0, 0)[2], 255);
    EXPECT_EQ(eval("pwBrightness(1, -20)"), 0);  // negative levels darken fully
    EXPECT_EQ(pixel(1, 0, 0)[0], 0);
    EXPECT_EQ(pixel(1, 0, 0)[3], 255);

    script("pwCreateImage(1, 2, 2, RGB(100, 200, 50))");
    EXPECT_EQ(eval("pwColorBalance(1, 50, 200, -30)"), 0);
    EXPECT_EQ(pixel(1, 1, 0)[0], 50);
    EXPECT_EQ(pixel(1, 1, 0)[1], 255);
    EXPECT_EQ(pixel(1, 1, 0)[2], 0);
    EXPECT_EQ(pixel(1, 1, 0)[3], 255);
    EXPECT_EQ(eval("pwColorBalance(9, 50, 50, 50)"), 1);
    EXPECT_EQ(current_.errors(), "Image not exist!|");

    script("pwCreateImage(1, 1, 2, RGB(1, 2, 3))");
    EXPECT_EQ(eval("pwRepack(1, 'bgra')"), 0);
    EXPECT_EQ(pixel(1, 0, 1)[0], 3);
    EXPECT_EQ(pixel(1, 0, 1)[2], 1);
    // Letters past the pixel's four bytes are not written into the next pixel.
    EXPECT_EQ(eval("pwRepack(1, 'rgbaXXX')"), 0);
    EXPECT_EQ(pixel(1, 0, 1)[0], 3);
    EXPECT_EQ(pixel(1, 0, 1)[3], 255);
}

TEST_F(ScriptTest, FlipsAndNeighbourhoodEffects) {
    makeRamp(0, 3, 2);
    EXPECT_EQ(eval("pwFlipHorizontal(0)"), 0);
    EXPECT_EQ(pixel(0, 0, 0)[0], 2);
    EXPECT_EQ(eval("pwFlipVertical(0)"), 0);
    EXPECT_EQ(pixel(0, 0, 0)[1], 1);
    EXPECT_EQ(pixel(0, 0, 0)[0], 2);

    script("pwCreateImage(1, 5, 5, RGB(40, 80, 120))");
    EXPECT_EQ(eval("pwAntialias(1, 4)"), 0);
    EXPECT_EQ(pixel(1, 2, 2)[1], 80);  // a flat picture stays flat
    EXPECT_EQ(eval("pwAntialias(1, 2000000000)"), 0);
    EXPECT_EQ(pixel(1, 4, 4)[2], 120);
    EXPECT_EQ(eval("pwVideoHind(1, 0)"), 0);
    EXPECT_EQ(pixel(1, 3, 3)[0], 40);
    EXPECT_EQ(eval("pwVideoHind(1, 10)"), 0);
    const int red = pixel(1, 3, 3)[0];
    EXPECT_GE(red, 30);
    EXPECT_LE(red, 49);
    EXPECT_EQ(pixel(1, 3, 3)[3], 255);

    for (const char* call : {"pwInvert(3)", "pwGrayscale(16)", "pwBrightness(-1, 50)",
                             "pwRepack(3, 'rgba')", "pwFlipVertical(3)", "pwFlipHorizontal(3)",
                             "pwAntialias(3, 4)", "pwVideoHind(3, 4)"}) {
        EXPECT_EQ(eval(call), 1) << call;
    }
}

TEST_F(ScriptTest, ResizeMakesANewPictureInAnotherSlot) {
    script("pwCreateImage(1, 40, 20, RGB(10, 20, 30))");
    EXPECT_EQ(eval("pwResize(0, 1, 20, 10)"), 0);
    EXPECT_EQ(state_.slots[0].width, 20);
    EXPECT_EQ(state_.slots[0].height, 10);
    EXPECT_EQ(pixel(0, 10, 5)[1], 20);
    EXPECT_EQ(eval("pwResize(2, 1, 80, 50)"), 0);
    EXPECT_EQ(pixel(2, 79, 49)[2], 30);

    EXPECT_EQ(eval("pwResize(1, 1, 20, 10)"), 1);
    EXPECT_EQ(eval("pwResize(0, 5, 20, 10)"), 2);
    // The same size copies instead of leaving the destination empty.
    EXPECT_EQ(eval("pwResize(3, 1, 40, 20)"), 0);
    EXPECT_EQ(pixel(3, 39, 19)[0], 10);
    EXPECT_EQ(eval("pwResize(3, 1, 0, 20)"), 2);
    EXPECT_EQ(current_.errors(), "Wrong image resolution!|");
    EXPECT_EQ(eval("pwResize(3, 1, 1000000, 1000000)"), 1);
    EXPECT_EQ(current_.errors(), "Memory allocation error!|");
    EXPECT_EQ(state_.slots[3].data, nullptr);
    EXPECT_EQ(eval("pwResize(16, 1, 20, 20)"), 1);
}

}  // namespace
