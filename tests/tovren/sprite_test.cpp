#include "render_fixture.h"

#include <cmath>
#include <random>

namespace {

using tovtest::coordinateColor;
using tovtest::coordinatePicture;
using tovtest::RenderTest;

class SpriteTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        const auto picture = coordinatePicture(100, 50);
        ASSERT_EQ(sprite.Create(picture.data(), 100, 50), 0u);
        beginFrame(0x000000);
    }
    void TearDown() override {
        sprite.Release();
        RenderTest::TearDown();
    }
    static D3DSURFACE_DESC levelDesc(const cTOVREN_Sprite& s) {
        D3DSURFACE_DESC desc{};
        s.texture->GetLevelDesc(0, &desc);
        return desc;
    }

    const RECT screen{0, 0, kWidth, kHeight};
    cTOVREN_Sprite sprite;
};

TEST_F(SpriteTest, TexturesArePowersOfTwoOfAtLeastTwo) {
    EXPECT_EQ(levelDesc(sprite).Width, 128u);
    EXPECT_EQ(levelDesc(sprite).Height, 64u);
    EXPECT_EQ(levelDesc(sprite).Format, D3DFMT_A8R8G8B8);
    struct Case {
        uint32_t width, height, textureWidth, textureHeight;
    };
    for (const Case& c : {Case{640, 480, 1024, 512}, Case{1, 1, 2, 2}, Case{2, 3, 2, 4}, Case{0, 0, 2, 2},
                          Case{256, 257, 256, 512}}) {
        const std::vector<uint8_t> pixels(size_t(c.width) * c.height * 4 + 4, 0x7F);
        cTOVREN_Sprite s;
        ASSERT_EQ(s.Create(pixels.data(), c.width, c.height), 0u) << c.width << "x" << c.height;
        EXPECT_EQ(levelDesc(s).Width, c.textureWidth);
        EXPECT_EQ(levelDesc(s).Height, c.textureHeight);
        s.Release();
        EXPECT_EQ(s.texture, nullptr);
    }
}

TEST_F(SpriteTest, CreateRejectsWhatCannotWork) {
    cTOVREN_Sprite s;
    EXPECT_EQ(s.Create(nullptr, 4, 4), 0x00000102u);
    EXPECT_EQ(s.Create(nullptr, 4, 0), 0u);  // nothing to copy
    s.Release();
    const uint8_t pixel[4] = {};
    EXPECT_EQ(s.Create(pixel, 0x80000001u, 1), 0x10000102u);
    EXPECT_EQ(s.texture, nullptr);
    EXPECT_FALSE(s.InitFrames(3));
    // Drawing an empty sprite reaches nothing.
    EXPECT_FALSE(s.Draw(0, 0, RECT{0, 0, 4, 4}, screen, 0));
}

TEST_F(SpriteTest, RecreateReleasesTheOldTexture) {
    IDirect3DTexture8* old = sprite.texture;
    old->AddRef();
    const auto picture = coordinatePicture(8, 8);
    ASSERT_EQ(sprite.Create(picture.data(), 8, 8), 0u);
    EXPECT_EQ(old->Release(), 0u);
}

TEST_F(SpriteTest, UnscaledDrawLandsPixelExact) {
    EXPECT_TRUE(sprite.Draw(20, 30, RECT{10, 5, 40, 25}, screen, 0));
    const std::vector<uint32_t> frame = backBuffer();
    for (int y = 25; y < 60; ++y) {
        for (int x = 15; x < 75; ++x) {
            const bool inside = x >= 20 && x < 50 && y >= 30 && y < 50;
            const uint32_t expected = inside ? coordinateColor(x - 20 + 10, y - 30 + 5) : 0xFF000000u;
            ASSERT_EQ(frame[size_t(y) * kWidth + x], expected) << x << "," << y;
        }
    }
}

TEST_F(SpriteTest, LeftClipDropsSourceColumns) {
    // x = -10 with source (0,0,100,50) draws source (10,0,100,50) at x = 0.
    EXPECT_TRUE(sprite.Draw(-10, 0, RECT{0, 0, 100, 50}, screen, 0));
    EXPECT_EQ(pixelAt(0, 0), coordinateColor(10, 0));
    EXPECT_EQ(pixelAt(89, 49), coordinateColor(99, 49));
    EXPECT_EQ(pixelAt(90, 0), 0xFF000000u);
    EXPECT_EQ(pixelAt(0, 50), 0xFF000000u);
}

TEST_F(SpriteTest, MirroredLeftClipKeepsTheMirrorImage) {
    // Flag 64 at x = -10: source (0,0,90,50) mirrored into x = 0..89.
    EXPECT_TRUE(sprite.Draw(-10, 0, RECT{0, 0, 100, 50}, screen, TOVREN_MIRROR_HORIZONTAL));
    EXPECT_EQ(pixelAt(0, 3), coordinateColor(89, 3));
    EXPECT_EQ(pixelAt(89, 3), coordinateColor(0, 3));
    EXPECT_EQ(pixelAt(90, 3), 0xFF000000u);
}

TEST_F(SpriteTest, MirroredScaledSpriteCoversItsUnmirroredPlace) {
    EXPECT_TRUE(sprite.Draw(10, 10, RECT{0, 0, 20, 10}, screen, 2.0f, 2.0f, D3DXVECTOR2(0, 0), 0.0f,
                            TOVREN_MIRROR_HORIZONTAL, 0xFFFFFFFF));
    EXPECT_EQ(pixelAt(9, 12), 0xFF000000u);
    EXPECT_EQ(pixelAt(50, 12), 0xFF000000u);
    EXPECT_NEAR(int(pixelAt(10, 12) >> 16 & 0xFF), 19, 1);
    EXPECT_NEAR(int(pixelAt(49, 12) >> 16 & 0xFF), 0, 1);
    EXPECT_NEAR(int(pixelAt(29, 12) >> 16 & 0xFF), 10, 1);
}

TEST_F(SpriteTest, RightBottomAndTopClips) {
    const RECT clip{10, 10, 60, 40};
    EXPECT_TRUE(sprite.Draw(40, 0, RECT{0, 0, 100, 50}, clip, 0));
    EXPECT_EQ(pixelAt(40, 10), coordinateColor(0, 10));
    EXPECT_EQ(pixelAt(59, 39), coordinateColor(19, 39));
    EXPECT_EQ(pixelAt(60, 20), 0xFF000000u);
    EXPECT_EQ(pixelAt(45, 40), 0xFF000000u);
    EXPECT_EQ(pixelAt(45, 9), 0xFF000000u);

    beginFrame();
    EXPECT_TRUE(sprite.Draw(40, 0, RECT{0, 0, 100, 50}, clip, TOVREN_MIRROR_VERTICAL));
    // Rows 10..39 of the screen show source rows 39..10 of the flipped picture.
    EXPECT_EQ(pixelAt(40, 10), coordinateColor(0, 39));
    EXPECT_EQ(pixelAt(40, 39), coordinateColor(0, 10));
}

// Random unscaled draws, mirrored or not, against where each texel must land.
TEST_F(SpriteTest, ClippingMatchesLandedPixelsForRandomPlacements) {
    std::mt19937 random(7);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 150; ++round) {
        const RECT source{pick(0, 60), pick(0, 30), 0, 0};
        const RECT src{source.left, source.top, pick(source.left, 100), pick(source.top, 50)};
        RECT clip{pick(-20, 80), pick(-20, 50), 0, 0};
        clip.right = pick(clip.left + 1, 200);
        clip.bottom = pick(clip.top + 1, 120);
        const int x = pick(-120, 180), y = pick(-70, 110), flags = pick(0, 3) * 64;
        beginFrame();
        const bool drawn = sprite.Draw(x, y, src, clip, flags);
        const int w = src.right - src.left, h = src.bottom - src.top;
        const bool visible = x < clip.right && y < clip.bottom && x + w > clip.left && y + h > clip.top;
        ASSERT_EQ(drawn, visible) << round;
        const std::vector<uint32_t> frame = backBuffer();
        for (int py = 0; py < kHeight; ++py) {
            for (int px = 0; px < kWidth; ++px) {
                const bool inClip = px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom;
                const bool inSprite = px >= x && px < x + w && py >= y && py < y + h;
                uint32_t expected = 0xFF000000u;
                if (inClip && inSprite) {
                    const int u = flags & TOVREN_MIRROR_HORIZONTAL ? src.right - 1 - (px - x) : src.left + px - x;
                    const int v = flags & TOVREN_MIRROR_VERTICAL ? src.bottom - 1 - (py - y) : src.top + py - y;
                    expected = coordinateColor(u, v);
                }
                ASSERT_EQ(frame[size_t(py) * kWidth + px], expected)
                    << "round " << round << " at " << px << "," << py << " flags " << flags;
            }
        }
    }
}

TEST_F(SpriteTest, NothingOrEmptyReachesTheScreen) {
    EXPECT_FALSE(sprite.Draw(kWidth, 0, RECT{0, 0, 100, 50}, screen, 0));
    EXPECT_FALSE(sprite.Draw(-100, 0, RECT{0, 0, 100, 50}, screen, 0));
    EXPECT_FALSE(sprite.Draw(0, kHeight, RECT{0, 0, 100, 50}, screen, 0));
    EXPECT_TRUE(sprite.Draw(10, 10, RECT{5, 0, 5, 10}, screen, 0));    // zero width still draws
    EXPECT_FALSE(sprite.Draw(20, 10, RECT{10, 0, 5, 10}, screen, 0));  // negative width does not
    // Extreme coordinates neither overflow nor draw.
    EXPECT_FALSE(sprite.Draw(INT32_MAX, INT32_MAX, RECT{0, 0, 100, 50}, screen, 0));
    EXPECT_FALSE(sprite.Draw(INT32_MIN, INT32_MIN, RECT{0, 0, 100, 50}, screen, 0));
    for (uint32_t p : backBuffer()) ASSERT_EQ(p, 0xFF000000u);
    // A source as wide as the int range is cut down to the screen without overflowing.
    EXPECT_TRUE(sprite.Draw(INT32_MIN, 0, RECT{INT32_MIN, 0, INT32_MAX, 50}, screen, 0));
    EXPECT_EQ(pixelAt(5, 5), coordinateColor(5, 5));
}

TEST_F(SpriteTest, ColourModulationAndRecordOverload) {
    const std::vector<uint8_t> white(8 * 8 * 4, 0xFF);
    ASSERT_EQ(sprite.Create(white.data(), 8, 8), 0u);
    TOVREN_SPRITE record{0, 0, 8, 8, 255, 0, 0, 128, 0, 0.0f, 1.0f, 1.0f};
    EXPECT_TRUE(sprite.Draw(4, 4, screen, 0, record));
    const uint32_t blended = pixelAt(6, 6);
    EXPECT_NEAR(int((blended >> 16) & 0xFF), 128, 1);
    EXPECT_EQ(blended & 0xFFFF, 0u);

    EXPECT_TRUE(sprite.Draw(20, 4, RECT{0, 0, 8, 8}, screen, 0, 0xFF00FF00u));
    EXPECT_EQ(pixelAt(22, 6), 0xFF00FF00u);
}

TEST_F(SpriteTest, LightingIsSwitchedOffByDrawOnly) {
    DWORD lighting = 0;
    devices.device->SetRenderState(D3DRS_LIGHTING, TRUE);
    EXPECT_TRUE(sprite.DrawFromTexture(sprite.texture, 0, 0, RECT{0, 0, 4, 4}, screen, 1, 1, D3DXVECTOR2(), 0, 0,
                                       0xFFFFFFFF));
    devices.device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, TRUE);
    EXPECT_TRUE(sprite.Draw(0, 0, RECT{0, 0, 4, 4}, screen, 0));
    devices.device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, FALSE);
}

// The landed picture against an independent inverse of scale, rotation about the centre
// and translation, sampling the coordinate picture at the nearest texel. Pixels within
// two texels of the sprite's edge are skipped (the filter blends them with the border).
struct Placement {
    float scaleX, scaleY, centreX, centreY, rotation;
    int x, y;
};

int mismatches(const std::vector<uint32_t>& frame, int width, int height, const Placement& p, int sourceW,
               int sourceH, int tolerance) {
    int bad = 0;
    const float c = std::cos(p.rotation), s = std::sin(p.rotation);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            // Screen point minus translation and centre, rotated back, plus centre, unscaled.
            const float qx = px + 0.5f - p.x - p.centreX, qy = py + 0.5f - p.y - p.centreY;
            const float u = (qx * c + qy * s + p.centreX) / p.scaleX;
            const float v = (-qx * s + qy * c + p.centreY) / p.scaleY;
            const uint32_t got = frame[size_t(py) * width + px];
            if (u > 2 && v > 2 && u < sourceW - 2 && v < sourceH - 2) {
                const int du = std::abs(int((got >> 16) & 0xFF) - int(std::floor(u)));
                const int dv = std::abs(int((got >> 8) & 0xFF) - int(std::floor(v)));
                if (du > tolerance || dv > tolerance || (got & 0xFF) != 0x40) ++bad;
            } else if (u < -2 || v < -2 || u > sourceW + 2 || v > sourceH + 2) {
                if (got != 0xFF000000u) ++bad;
            }
        }
    }
    return bad;
}

TEST_F(SpriteTest, ScaledAndRotatedMatchAReferenceTransform) {
    const Placement cases[] = {
        {1.25f, 1.25f, 25.0f, 12.0f, 0.1745329f, 30, 20},
        {0.5f, 2.0f, 0.0f, 0.0f, -0.5f, 40, 40},
        {1.0f, 1.0f, 50.0f, 25.0f, 3.1415927f / 2, 40, 0},
    };
    for (const Placement& p : cases) {
        beginFrame();
        EXPECT_TRUE(sprite.Draw(p.x, p.y, RECT{0, 0, 100, 50}, screen, p.scaleX, p.scaleY,
                                D3DXVECTOR2(p.centreX, p.centreY), p.rotation, 0, 0xFFFFFFFF));
        EXPECT_EQ(mismatches(backBuffer(), kWidth, kHeight, p, 100, 50, 1), 0) << p.scaleX << " " << p.rotation;
    }
}

TEST_F(SpriteTest, QuarterTurnsAreExact) {
    // A quarter turn about (25, 25) maps texel (u, v) to (25 - (v - 25) - 1, u) + translation.
    EXPECT_TRUE(sprite.Draw(30, 10, RECT{0, 0, 50, 50}, screen, 1.0f, 1.0f, D3DXVECTOR2(25, 25),
                            3.14159265f / 2, 0, 0xFFFFFFFF));
    for (int v = 0; v < 50; v += 7) {
        for (int u = 0; u < 50; u += 5) {
            ASSERT_EQ(pixelAt(30 + 49 - v, 10 + u), coordinateColor(u, v)) << u << "," << v;
        }
    }
}

}  // namespace
