#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kdgltest;

namespace {

TEST(Flips, MoveWholePixelsOfTheType) {
    CKaldorGL gl;
    Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // 1 x 3
    gl.FX_VerticalFlip(rgb.data(), 1, 3, KDGL_TYPE_24BIT);
    EXPECT_EQ(rgb, (Bytes{7, 8, 9, 4, 5, 6, 1, 2, 3}));
    Bytes sixteen = {1, 2, 3, 4};  // 1 x 2 of two bytes
    gl.FX_VerticalFlip(sixteen.data(), 1, 2, KDGL_TYPE_16BIT);
    EXPECT_EQ(sixteen, (Bytes{3, 4, 1, 2}));
    Bytes row = {1, 2, 3, 4, 5, 6, 7, 8};
    gl.FX_HorizontalFlip(row.data(), 2, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(row, (Bytes{5, 6, 7, 8, 1, 2, 3, 4}));
    gl.FX_HorizontalFlip(sixteen.data(), 2, 1, KDGL_TYPE_15BIT);
    EXPECT_EQ(sixteen, (Bytes{3, 4, 1, 2}));
    Bytes indices = {1, 2, 3};
    gl.canvas = KDGL_CANVAS{indices.data(), {}, 3, 1, KDGL_TYPE_8BIT};
    gl.FX_HorizontalFlip();
    EXPECT_EQ(indices, (Bytes{3, 2, 1}));
}

TEST(ColourEffects, GreyBrightnessAndRepacking) {
    CKaldorGL gl;
    Bytes p = {10, 20, 31, 99};
    gl.FX_BnW(p.data(), 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(p, (Bytes{20, 20, 20, 99}));

    Bytes b = {100, 200, 0, 77};
    gl.FX_Brightness(b.data(), 100, 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(b, (Bytes{100, 200, 0, 77}));
    gl.FX_Brightness(b.data(), 150, 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(b, (Bytes{249, 255, 0, 77}));
    gl.FX_Brightness(b.data(), 50, 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(b, (Bytes{124, 127, 0, 77}));
    gl.FX_Brightness(b.data(), 0, 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(b, (Bytes{0, 0, 0, 77}));
    Bytes huge = {1, 2, 3};
    gl.FX_Brightness(huge.data(), 4000000000u, 1, 1, KDGL_TYPE_24BIT);
    EXPECT_EQ(huge, (Bytes{255, 255, 255}));

    Bytes r = {1, 2, 3, 4};
    gl.FX_RepakBits(r.data(), 1, 1, KDGL_TYPE_32BIT, "bgra");
    EXPECT_EQ(r, (Bytes{3, 2, 1, 4}));
    r = {1, 2, 3, 4};
    gl.FX_RepakBits(r.data(), 1, 1, KDGL_TYPE_32BIT, "RGBX");
    EXPECT_EQ(r, (Bytes{1, 2, 3, 0}));
    r = {1, 2, 3, 4};
    gl.FX_RepakBits(KDGL_CANVAS{r.data(), {}, 1, 1, KDGL_TYPE_32BIT}, "rg");
    EXPECT_EQ(r, (Bytes{1, 2, 3, 4}));
    // A format longer than the pixel never touches the next pixel.
    Bytes two = {1, 2, 3, 4, 5, 6, 7};
    gl.FX_RepakBits(two.data(), 2, 1, KDGL_TYPE_24BIT, "bgrxxxx");
    EXPECT_EQ(two, (Bytes{3, 2, 1, 6, 5, 4, 7}));
}

TEST(Blur, AveragesTheWindowAndKeepsAlpha) {
    CKaldorGL gl;
    // 3 x 1 with level 2: window of columns x-1 .. x.
    Bytes p = {0, 0, 0, 9, 100, 10, 50, 9, 200, 30, 0, 9};
    gl.FX_Antialiasing(p.data(), 2, 3, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(p, (Bytes{0, 0, 0, 9, 50, 5, 25, 9, 150, 20, 25, 9}));
    // 2 x 2 with level 4: every window holds the whole picture.
    Bytes q = {0, 0, 0, 10, 10, 10, 20, 20, 20, 31, 31, 31};
    gl.FX_Antialiasing(q.data(), 4, 2, 2, KDGL_TYPE_24BIT);
    EXPECT_EQ(q, Bytes(12, 15));
    Bytes same = q;
    gl.FX_Antialiasing(q.data(), 1, 2, 2, KDGL_TYPE_24BIT);
    EXPECT_EQ(q, same);
}

TEST(Noise, StaysWithinTheLevelAndLevelZeroCopies) {
    CKaldorGL gl;
    Bytes src(300, 128);
    Bytes dst(300, 0);
    std::srand(7);
    gl.FX_VideoHind(dst.data(), src.data(), 5, 100, 1, KDGL_TYPE_24BIT);
    bool varied = false;
    for (size_t i = 0; i < dst.size(); ++i) {
        EXPECT_GE(dst[i], 123);
        EXPECT_LE(dst[i], 132);
        varied |= dst[i] != 128;
    }
    EXPECT_TRUE(varied);
    Bytes pixel = {1, 2, 3, 4};
    Bytes out = {0, 0, 0, 99};
    gl.FX_VideoHind(out.data(), pixel.data(), 0, 1, 1, KDGL_TYPE_32BIT);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 99}));
    gl.canvas = KDGL_CANVAS{pixel.data(), {}, 1, 1, KDGL_TYPE_32BIT};
    gl.FX_VideoHind(0u);
    EXPECT_EQ(pixel, (Bytes{1, 2, 3, 4}));
}

TEST(Blending, MixesAndClampsTheLevel) {
    CKaldorGL gl;
    const Bytes a = {0, 100, 255, 10};
    const Bytes b = {255, 0, 1, 20};
    EXPECT_EQ(produced(gl.FX_Mix50(a.data(), b.data(), 1, 1, KDGL_TYPE_32BIT), 4), (Bytes{127, 50, 128, 15}));
    EXPECT_EQ(produced(gl.FX_MixLevel(a.data(), b.data(), 1, 1, KDGL_TYPE_32BIT, 150), 4), b);
    EXPECT_EQ(produced(gl.FX_MixLevel(a.data(), b.data(), 1, 1, KDGL_TYPE_32BIT, -5), 4), a);
    EXPECT_EQ(produced(gl.FX_MixLevel(a.data(), b.data(), 1, 1, KDGL_TYPE_32BIT, 25), 4), (Bytes{63, 75, 191, 12}));
    EXPECT_EQ(gl.FX_Mix50(a.data(), b.data(), 1, 1, KDGL_TYPE_15BIT), nullptr);
    EXPECT_EQ(gl.FX_Mix50(a.data(), nullptr, 1, 1, KDGL_TYPE_32BIT), nullptr);
}

TEST(MasksAndKeys, SetAlphaFromMaskOrKeyColour) {
    CKaldorGL gl;
    const Bytes rgb = {1, 2, 3, 9, 9, 9};
    const Bytes mask = {10, 20};
    EXPECT_EQ(produced(gl.SetMaskToImage24(rgb.data(), mask.data(), 2, 1), 8), (Bytes{1, 2, 3, 10, 9, 9, 9, 20}));
    const Bytes rgba = {1, 2, 3, 4};
    EXPECT_EQ(produced(gl.SetMaskToImage32(rgba.data(), mask.data(), 1, 1), 4), (Bytes{1, 2, 3, 10}));
    EXPECT_EQ(produced(gl.SetAlphaToImage24KeyColor(rgb.data(), 2, 1, 0x010203FF, 0), 8),
              (Bytes{1, 2, 3, 0, 9, 9, 9, 255}));
    Bytes inPlace = {1, 2, 3, 4, 5, 6, 7, 8};
    gl.SetAlphaToImage32KeyColor(inPlace.data(), 2, 1, 0x05060700, 33);
    EXPECT_EQ(inPlace, (Bytes{1, 2, 3, 4, 5, 6, 7, 33}));
    EXPECT_EQ(gl.SetMaskToImage24(rgb.data(), mask.data(), 0, 1), nullptr);
    EXPECT_EQ(gl.SetMaskToImage24(nullptr, mask.data(), 1, 1), nullptr);
}

}  // namespace
