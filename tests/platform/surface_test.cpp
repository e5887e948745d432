// Back buffers in every format, what Present shows of them, and the bitmaps
// D3DXSaveSurfaceToFileA writes.
#include "d3d_fixture.h"

#include "testsupport.h"


namespace {

using kvtest::D3dFixture;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST_F(D3dFixture, SixteenAndTwentyFourBitBackBuffersShowAndSaveWhatTheirFormatHolds) {
    const struct {
        D3DFORMAT format;
        uint32_t shown;  // 0xFF8A4B2C as the format keeps it
        uint32_t bits;   // bits per pixel of the saved bitmap
    } cases[] = {{D3DFMT_X8R8G8B8, 0xFF8A4B2C, 24}, {D3DFMT_A8R8G8B8, 0xFF8A4B2C, 32}, {D3DFMT_R8G8B8, 0xFF8A4B2C, 24},
                 {D3DFMT_R5G6B5, 0xFF8C4D29, 24},   {D3DFMT_X1R5G5B5, 0xFF8C4A29, 24}, {D3DFMT_A1R5G5B5, 0xFF8C4A29, 32}};
    const kvtest::TempDir folder;
    const std::string path = folder.file("surface.bmp");
    for (const auto& c : cases) {
        createDevice(6, 4, c.format);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF8A4B2C, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(window->pixel(2, 2), c.shown) << c.format;
        ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, backBuffer, nullptr, nullptr), D3D_OK);
        const kvtest::Bytes bmp = kvtest::readFile(path);
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(le32(bmp, 18), 6u);
        EXPECT_EQ(le32(bmp, 22), 4u);  // positive: bottom row first
        EXPECT_EQ(bmp[28], c.bits) << c.format;
        const uint32_t stride = (6 * c.bits / 8 + 3) & ~3u;
        EXPECT_EQ(le32(bmp, 2), 54 + stride * 4);  // file size
        EXPECT_EQ(le32(bmp, 10), 54u);             // pixel offset
        EXPECT_EQ(le32(bmp, 34), stride * 4);      // image size
        EXPECT_EQ(le32(bmp, 38), 2835u);           // 72 dpi
        ASSERT_EQ(bmp.size(), 54 + stride * 4);
        const uint32_t first = bmp[54] | bmp[55] << 8 | bmp[56] << 16;
        EXPECT_EQ(first, c.shown & 0xFFFFFF) << c.format;
        TearDown();
        backBuffer = nullptr, device = nullptr, d3d = nullptr, window = nullptr;
    }
}

TEST_F(D3dFixture, PresentScalesTheSourceRectangleIntoTheDestinationRectangle) {
    createDevice(8, 8);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DRECT corner{4, 4, 6, 6};
    device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    const RECT whole{0, 0, 8, 8};
    ASSERT_EQ(device->Present(&whole, &whole, nullptr, nullptr), D3D_OK);
    const RECT source{4, 4, 6, 6}, dest{0, 0, 4, 4};
    ASSERT_EQ(device->Present(&source, &dest, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(window->pixel(0, 0), 0xFFFFFFFFu);  // the white corner, doubled, at the top-left
    EXPECT_EQ(window->pixel(3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(window->pixel(5, 5), 0xFFFFFFFFu);  // outside the destination: the earlier present
    EXPECT_EQ(window->pixel(7, 7), 0xFF000000u);
    const RECT outside{4, 4, 9, 6};
    EXPECT_EQ(device->Present(&outside, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
