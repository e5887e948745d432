#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kdgltest;

namespace {

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

}  // namespace
