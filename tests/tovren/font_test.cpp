#include "render_fixture.h"

#include <string>

namespace {

using tovtest::RenderTest;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// The bounding box of every pixel that is not the black background.
Box litBox(const std::vector<uint32_t>& frame, int width, int height) {
    Box box;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((frame[size_t(y) * width + x] & 0xFFFFFF) == 0) continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1);
            box.bottom = std::max(box.bottom, y + 1);
        }
    }
    return box;
}

class FontTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        EXPECT_EQ(font.Create("DejaVu Sans", -14, 0), 0u);
        ASSERT_NE(font.font, nullptr);
        beginFrame();
    }
    void TearDown() override {
        font.Release();
        RenderTest::TearDown();
    }
    cTOVREN_FontTTF font;
};

TEST_F(FontTest, TextStartsAtTheTopLeftAndIsNotClipped) {
    font.Print(RECT{10, 10, 20, 20}, 0xFFFFFFFF, "Score: %d", 1234);
    const Box box = litBox(backBuffer(), kWidth, kHeight);
    ASSERT_FALSE(box.empty());
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.left, 13);
    EXPECT_GE(box.top, 10);
    EXPECT_LE(box.top, 16);
    EXPECT_GT(box.right, 60);  // runs past the rectangle
    EXPECT_LT(box.bottom, 30);
}

TEST_F(FontTest, LinesBreakOnlyAtLineFeeds) {
    font.Print(RECT{5, 5, 6, 6}, 0xFFFFFFFF, "AAAA\nBBBB");
    const Box twoLines = litBox(backBuffer(), kWidth, kHeight);
    beginFrame();
    font.Print(RECT{5, 5, 6, 6}, 0xFFFFFFFF, "AAAA BBBB");
    const Box oneLine = litBox(backBuffer(), kWidth, kHeight);
    EXPECT_GT(twoLines.bottom - twoLines.top, 2 * (oneLine.bottom - oneLine.top) - 4);
    EXPECT_GT(oneLine.right, twoLines.right);
}

TEST_F(FontTest, ColourAndWeight) {
    font.Print(RECT{4, 4, 100, 40}, 0xFFFF0000, "WWWW");
    const std::vector<uint32_t> frame = backBuffer();
    uint32_t brightest = 0;
    for (uint32_t p : frame) brightest = std::max(brightest, p & 0xFFFFFF);
    EXPECT_EQ(brightest & 0xFFFF, 0u);
    EXPECT_GT(brightest >> 16, 0xC0u);

    LOGFONTA normal{}, bold{};
    font.font->GetLogFont(&normal);
    EXPECT_EQ(normal.lfWeight, 400);
    cTOVREN_FontTTF heavy, two;
    heavy.Create("DejaVu Sans", -14, 1);
    two.Create("DejaVu Sans", -14, 2);
    heavy.font->GetLogFont(&bold);
    EXPECT_EQ(bold.lfWeight, 700);
    two.font->GetLogFont(&normal);
    EXPECT_EQ(normal.lfWeight, 400);
    EXPECT_EQ(normal.lfCharSet, 204);
    heavy.Release();
    two.Release();
}

TEST_F(FontTest, LongTextIsCutNotOverflowed) {
    const std::string longText(5000, 'x');
    font.Print(RECT{0, 0, 10, 10}, 0xFFFFFFFF, "%s", longText.c_str());
    EXPECT_FALSE(litBox(backBuffer(), kWidth, kHeight).empty());
}

TEST(FontWithoutDevice, CreateAndPrintDoNothing) {
    cTOVREN_FontTTF font;
    EXPECT_EQ(font.Create("DejaVu Sans", 12, 0), 0u);
    EXPECT_EQ(font.font, nullptr);
    font.Print(RECT{0, 0, 1, 1}, 0xFFFFFFFF, "x");
    font.Release();
}

}  // namespace
