#include "scripttest.h"

namespace {

using wiztest::ScriptTest;

TEST_F(ScriptTest, ColourArithmetic) {
    EXPECT_EQ(eval("RGB(255, 128, 0)"), 16744448);
    EXPECT_EQ(eval("pwGetRed(RGB(255, 128, 0))"), 255);
    EXPECT_EQ(eval("pwGetAlpha(RGB(255, 128, 0))"), 0);
    EXPECT_EQ(eval("pwGetGreen(RGB(255, 128, 0))"), 128);
    EXPECT_EQ(eval("RGB(256 + 1, -1, 513)"), 1 * 65536 + 255 * 256 + 1);  // each modulo 256
    EXPECT_EQ(eval("pwGetAlpha(-16777216)"), 255);                          // 0xFF000000 signed
    EXPECT_EQ(eval("pwGetAlpha(4278190080)"), 255);                         // and unsigned
    EXPECT_EQ(eval("pwGetBlue(-1)"), 255);
}

TEST_F(ScriptTest, PutPixelStoresAlphaWhileCreateImageIsOpaque) {
    const wiztest::ScriptRun run = script(R"(
        pwCreateImage(0, 3, 2, RGB(9, 8, 7))
        local made = pwGetPixel(0, 2, 1)
        pwMessage(made)
        pwMessage(pwGetAlpha(made))
        pwMessage(pwPutPixel(0, 0, 0, RGB(1, 2, 3)))
        pwMessage(pwGetAlpha(pwGetPixel(0, 0, 0)))
        pwPutPixel(0, 1, 0, -16777216 + RGB(4, 5, 6))
        pwMessage(pwGetPixel(0, 1, 0) == -16777216 + RGB(4, 5, 6) and "same" or "different")
    )");
    ASSERT_EQ(run.said.size(), 5u);
    EXPECT_LT(run.number(0), 0);
    EXPECT_EQ(int64_t(run.number(0)), int64_t(int32_t(0xFF090807u)));
    EXPECT_EQ(run.number(1), 255);
    EXPECT_EQ(run.number(2), 0);
    EXPECT_EQ(run.number(3), 0);
    EXPECT_EQ(run.said[4], "same");
    const uint8_t* p = pixel(0, 0, 0);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 3);
    EXPECT_EQ(p[3], 0);
}

TEST_F(ScriptTest, PixelCoordinatesAndSlotChecks) {
    makeRamp(0, 4, 3);
    EXPECT_EQ(eval("pwGetPixel(0, 4, 0)"), 2);
    EXPECT_EQ(current_.errors(), "X coordinate is not valid!|");
    EXPECT_EQ(eval("pwPutPixel(0, 0, -1, 0)"), 3);
    EXPECT_EQ(current_.errors(), "Y coordinate is not valid!|");
    EXPECT_EQ(eval("pwGetPixel(5, 0, 0)"), 1);
    EXPECT_EQ(current_.errors(), "Image not exist!|");
    EXPECT_EQ(eval("pwGetImage_WIDTH(3)"), -1);
    EXPECT_EQ(current_.errors(), "Image not exist!|");
    EXPECT_EQ(eval("pwGetImage_HEIGHT(16)"), -1);
    EXPECT_EQ(current_.errors(), "Wrong image number!|");
    EXPECT_EQ(eval("pwGetImage_HEIGHT(-1)"), -1);
    EXPECT_EQ(eval("pwGetImage_WIDTH(0) * 10 + pwGetImage_HEIGHT(0)"), 43);
    ASSERT_EQ(current_.boxes.size(), 0u);
    EXPECT_EQ(current_.said.size(), 1u);
}

TEST_F(ScriptTest, CreateImageRefusesBadSizesAndSlots) {
    makeRamp(2, 2, 2);
    EXPECT_EQ(eval("pwCreateImage(2, 0, 5, 0)"), 2);
    EXPECT_TRUE(current_.boxes.empty());
    EXPECT_NE(state_.slots[2].data, nullptr);  // a refused size keeps the slot

    EXPECT_EQ(eval("pwCreateImage(2, 100000, 100000, 0)"), 1);
    EXPECT_EQ(current_.errors(), "Memory allocation error!|");
    EXPECT_EQ(state_.slots[2].data, nullptr);  // the slot was being refilled

    EXPECT_EQ(eval("pwCreateImage(16, 2, 2, 0)"), 1);
    EXPECT_EQ(current_.errors(), "Wrong image number!|");
    EXPECT_EQ(eval("pwCreateImage(-3, 2, 2, 0)"), 1);
    EXPECT_EQ(eval("pwCreateImage(15, 2, 2, 0)"), 0);
}

TEST_F(ScriptTest, GetImageCutsRectangles) {
    makeRamp(0, 5, 4);
    EXPECT_EQ(eval("pwGetImage(1, 0, 2, 2, 2, 2)"), 0);
    EXPECT_EQ(state_.slots[1].width, 1);
    EXPECT_EQ(state_.slots[1].height, 1);
    EXPECT_EQ(pixel(1, 0, 0)[2], 4);

    EXPECT_EQ(eval("pwGetImage(1, 0, 1, 1, 3, 2)"), 0);
    EXPECT_EQ(state_.slots[1].width, 3);
    EXPECT_EQ(pixel(1, 2, 1)[0], 3);
    EXPECT_EQ(pixel(1, 2, 1)[1], 2);

    const std::pair<const char*, const char*> refused[] = {
        {"pwGetImage(1, 0, 5, 0, 4, 0)", "Left coordinate is not valid!|"},
        {"pwGetImage(1, 0, 0, -1, 4, 0)", "Top coordinate is not valid!|"},
        {"pwGetImage(1, 0, 3, 0, 2, 0)", "Right coordinate is not valid!|"},
        {"pwGetImage(1, 0, 0, 3, 0, 4)", "Bottom coordinate is not valid!|"},
    };
    double code = 5;
    for (const auto& [call, message] : refused) {
        EXPECT_EQ(eval(call), code++) << call;
        EXPECT_EQ(current_.errors(), message);
    }
    EXPECT_EQ(eval("pwGetImage(1, 7, 0, 0, 0, 0)"), 1);

    // The source itself as destination: read before it is replaced.
    EXPECT_EQ(eval("pwGetImage(0, 0, 1, 1, 2, 2)"), 0);
    EXPECT_EQ(state_.slots[0].width, 2);
    EXPECT_EQ(pixel(0, 1, 1)[2], 4);
}

}  // namespace
