#include "kaldorgl_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kdgltest;

namespace {

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
