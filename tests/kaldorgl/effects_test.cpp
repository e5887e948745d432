#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kdgltest;

namespace {

Bytes produced(uint8_t* data, size_t count) {
    Owned owned(data);
    return owned ? bytesOf(owned.get(), count) : Bytes{};
}

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

TEST(Halving, WeightsTheBlockAndDropsOddEdges) {
    CKaldorGL gl;
    uint32_t w = 0, h = 0;
    const Bytes block = {0, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0};  // TL, TR / BL, BR
    EXPECT_EQ(produced(gl.FX_SqueezeX2(block.data(), 2, 2, &w, &h, KDGL_TYPE_24BIT), 3), Bytes(3, 127));
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 1u);
    // 3 x 2: the last column is dropped and the row comes from columns 0 and 1 only.
    const Bytes odd = {8, 8, 8, 8, 8, 8, 99, 99, 99, 8, 8, 8, 8, 8, 8, 99, 99, 99};
    EXPECT_EQ(produced(gl.FX_SqueezeX2(odd.data(), 3, 2, &w, &h, KDGL_TYPE_24BIT), 3), Bytes(3, 8));
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(gl.FX_SqueezeX2(odd.data(), 1, 6, &w, &h, KDGL_TYPE_24BIT), nullptr);
}

TEST(Doubling, InterpolatesAndFillsEveryPosition) {
    CKaldorGL gl;
    uint32_t w = 0, h = 0;
    // 2 x 2 grey picture P=0 Q=100 / U=200 V=40 (one byte a channel, checked on R).
    const Bytes src = {0, 0, 0, 100, 100, 100, 200, 200, 200, 40, 40, 40};
    const Bytes out = produced(gl.FX_ExpandX2(src.data(), 2, 2, &w, &h, KDGL_TYPE_24BIT), 16 * 3);
    ASSERT_EQ(w, 4u);
    ASSERT_EQ(h, 4u);
    const uint8_t expected[16] = {0, 50, 100, 100, 100, 85, 70, 70, 200, 120, 40, 40, 200, 120, 40, 40};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[size_t(i) * 3], expected[i]) << i;
    // One pixel wide or high still fills the whole result.
    const Bytes column = {10, 10, 10, 30, 30, 30};  // 1 x 2
    const Bytes tall = produced(gl.FX_ExpandX2(column.data(), 1, 2, &w, &h, KDGL_TYPE_24BIT), 2 * 4 * 3);
    ASSERT_EQ(w, 2u);
    ASSERT_EQ(h, 4u);
    const uint8_t tallExpected[8] = {10, 10, 20, 20, 30, 30, 30, 30};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(tall[size_t(i) * 3], tallExpected[i]) << i;
}

// The doubling table applied block by block, later blocks overwriting earlier ones.
Bytes doubledByBlocks(const Bytes& src, uint32_t w, uint32_t h, uint32_t bpp) {
    Bytes out(size_t(w) * h * 4 * bpp, 0);
    auto at = [&](uint32_t x, uint32_t y, uint32_t c) { return uint32_t(src[(size_t(y) * w + x) * bpp + c]); };
    for (uint32_t y = 0; y + 1 < h; ++y)
        for (uint32_t x = 0; x + 1 < w; ++x)
            for (uint32_t c = 0; c < bpp; ++c) {
                const uint32_t P = at(x, y, c), Q = at(x + 1, y, c), U = at(x, y + 1, c), V = at(x + 1, y + 1, c);
                const uint32_t block[4][4] = {{P, (P + Q) >> 1, Q, Q},
                                              {(P + U) >> 1, (P + Q + U + V) >> 2, (Q + V) >> 1, (Q + V) >> 1},
                                              {U, (U + V) >> 1, V, V},
                                              {U, (U + V) >> 1, V, V}};
                for (uint32_t r = 0; r < 4; ++r)
                    for (uint32_t k = 0; k < 4; ++k)
                        out[((size_t(2 * y + r) * 2 * w) + 2 * x + k) * bpp + c] = uint8_t(block[r][k]);
            }
    return out;
}

TEST(Doubling, MatchesTheBlockTableOnAPhoto) {
    CKaldorGL gl;
    const Bytes photo = kvtest::makePhotoRgba(9, 6, 3);
    uint32_t w = 0, h = 0;
    const Bytes out = produced(gl.FX_ExpandX2(photo.data(), 9, 6, &w, &h, KDGL_TYPE_32BIT), photo.size() * 4);
    EXPECT_EQ(out, doubledByBlocks(photo, 9, 6, 4));
}

TEST(Resize, SmoothAndNearestFillEveryPixel) {
    CKaldorGL gl;
    // A uniform picture stays uniform in every direction and mode, edges included.
    const Bytes flat(7 * 5 * 4, 60);
    for (const bool smooth : {true, false}) {
        for (const auto& size : {std::pair{3u, 2u}, std::pair{15u, 11u}, std::pair{7u, 9u}, std::pair{2u, 5u}}) {
            const size_t bytes = size_t(size.first) * size.second * 4;
            EXPECT_EQ(produced(gl.FX_Resize(flat.data(), 7, 5, size.first, size.second, KDGL_TYPE_32BIT, smooth), bytes),
                      Bytes(bytes, 60))
                << size.first << "x" << size.second << (smooth ? " smooth" : " nearest");
        }
    }
    // Enlarging a 2-pixel row to 4: linear steps, the tail repeats the last pixel.
    const Bytes row = {0, 0, 0, 200, 200, 200};
    const Bytes wide = produced(gl.FX_Resize(row.data(), 2, 1, 4, 1, KDGL_TYPE_24BIT, true), 12);
    EXPECT_EQ(wide, (Bytes{0, 0, 0, 100, 100, 100, 200, 200, 200, 200, 200, 200}));
    // Shrinking 4 to 2: the group of the first three pixels lands on position 1 (kept from
    // the original filter); position 0, never written by it, takes the first pixel.
    const Bytes four = {10, 10, 10, 30, 30, 30, 50, 50, 50, 70, 70, 70};
    const Bytes narrow = produced(gl.FX_Resize(four.data(), 4, 1, 2, 1, KDGL_TYPE_24BIT, true), 6);
    EXPECT_EQ(narrow, (Bytes{10, 10, 10, 30, 30, 30}));
    const Bytes nearest = produced(gl.FX_Resize(four.data(), 4, 1, 2, 1, KDGL_TYPE_24BIT, false), 6);
    EXPECT_EQ(nearest, (Bytes{10, 10, 10, 50, 50, 50}));
    EXPECT_EQ(gl.FX_Resize(four.data(), 4, 1, 4, 1, KDGL_TYPE_24BIT, true), nullptr);
    EXPECT_EQ(gl.FX_Resize(four.data(), 4, 1, 2, 1, KDGL_TYPE_8BIT, true), nullptr);
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

TEST(PixelAccess, ReadsAndWritesEachTypeWithinBounds) {
    CKaldorGL gl;
    uint8_t r = 0, g = 0, b = 0, a = 0;
    Rgb palette[256] = {};
    palette[2] = Rgb{7, 8, 9};
    const uint8_t index[2] = {0, 2};
    ASSERT_TRUE(gl.CanvasGetPixel(index, 1, 0, 2, 1, &r, &g, &b, &a, KDGL_TYPE_8BIT, palette));
    EXPECT_EQ((Bytes{r, g, b, a}), (Bytes{7, 8, 9, 255}));
    EXPECT_FALSE(gl.CanvasGetPixel(index, 2, 0, 2, 1, &r, &g, &b, &a, KDGL_TYPE_8BIT, palette));
    EXPECT_FALSE(gl.CanvasSetPixel(const_cast<uint8_t*>(index), 0, 0, 2, 1, 1, 1, 1, 1, KDGL_TYPE_8BIT));

    uint8_t sixteen[2] = {};
    ASSERT_TRUE(gl.CanvasSetPixel(sixteen, 0, 0, 1, 1, 255, 0, 0, 0, KDGL_TYPE_15BIT));
    EXPECT_EQ(sixteen[0], 0x7C);
    EXPECT_EQ(sixteen[1], 0x00);
    ASSERT_TRUE(gl.CanvasSetPixel(sixteen, 0, 0, 1, 1, 0x18, 0xF8, 0x28, 0, KDGL_TYPE_15BIT));
    ASSERT_TRUE(gl.CanvasGetPixel(sixteen, 0, 0, 1, 1, &r, &g, &b, &a, KDGL_TYPE_15BIT, nullptr));
    EXPECT_EQ((Bytes{r, g, b, a}), (Bytes{0x18, 0xF8, 0x28, 255}));

    uint8_t rgb[6] = {};
    ASSERT_TRUE(gl.CanvasSetPixel(rgb, 1, 0, 2, 1, 4, 5, 6, 7, KDGL_TYPE_24BIT));
    EXPECT_EQ(bytesOf(rgb, 6), (Bytes{0, 0, 0, 4, 5, 6}));
    EXPECT_FALSE(gl.CanvasSetPixel(rgb, 0, 1, 2, 1, 4, 5, 6, 7, KDGL_TYPE_24BIT));
    EXPECT_FALSE(gl.CanvasGetPixel(nullptr, 0, 0, 1, 1, &r, &g, &b, &a, KDGL_TYPE_24BIT, nullptr));
}

TEST(ColourDepth, ConvertsTheCanvasThroughPixelAccess) {
    CKaldorGL gl;
    uint8_t* indices = static_cast<uint8_t*>(std::malloc(2));
    indices[0] = 1;
    indices[1] = 0;
    gl.canvas.data = indices;
    gl.canvas.width = 2;
    gl.canvas.height = 1;
    gl.canvas.palette[1] = Rgb{10, 20, 30};
    ASSERT_EQ(gl.FX_ChangeColorDepth(2, 1, KDGL_TYPE_8BIT, KDGL_TYPE_32BIT, gl.canvas.palette), KDGL_OK);
    EXPECT_EQ(takeCanvas(gl.canvas, 8), (Bytes{10, 20, 30, 255, 0, 0, 0, 255}));
    gl.canvas.data = static_cast<uint8_t*>(std::calloc(3, 1));
    EXPECT_EQ(gl.FX_ChangeColorDepth(1, 1, KDGL_TYPE_24BIT, KDGL_TYPE_8BIT, nullptr), KDGL_ERR_PIXEL);
    EXPECT_EQ(gl.FX_ChangeColorDepth(1, 1, 77, KDGL_TYPE_24BIT, nullptr), KDGL_ERR_PIXEL);
    std::free(gl.canvas.data);
}

TEST(DeviceBitmap, PadsRowsAndSwapsOnRequest) {
    CKaldorGL gl;
    Bytes rgb = {1, 2, 3, 4, 5, 6};  // 1 x 2
    HBITMAP bitmap = gl.CreateBitmap(rgb.data(), nullptr, 1, 2, KDGL_TYPE_24BIT, true);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(rgb, (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(bitmap->bitsPerPixel, 24u);
    EXPECT_EQ(bitmap->bits, (Bytes{3, 2, 1, 0, 6, 5, 4, 0}));
    DeleteObject(bitmap);
    EXPECT_EQ(gl.CreateBitmap(rgb.data(), nullptr, 1, 2, KDGL_TYPE_15BIT, false), nullptr);
    EXPECT_EQ(gl.CreateBitmap(nullptr, nullptr, 1, 2, KDGL_TYPE_24BIT, false), nullptr);
}

}  // namespace
