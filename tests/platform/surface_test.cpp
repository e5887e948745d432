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

TEST_F(D3dFixture, TextureLevelsOfEveryFormatSaveAsTheColoursTheyHold) {
    createDevice(4, 4);
    const struct {
        D3DFORMAT format;
        uint32_t stored;    // as the lock writes it: 16 or 32 bits
        uint32_t argb;      // what it holds
        uint32_t bits;      // of the saved bitmap: 32 where the format has alpha
    } cases[] = {{D3DFMT_A8R8G8B8, 0x80C08040, 0x80C08040, 32}, {D3DFMT_X8R8G8B8, 0x12345678, 0xFF345678, 24},
                 {D3DFMT_R5G6B5, 0xF81F, 0xFFFF00FF, 24},       {D3DFMT_A1R5G5B5, 0x7C00, 0x00FF0000, 32},
                 {D3DFMT_X1R5G5B5, 0x0421, 0xFF080808, 24},     {D3DFMT_A4R4G4B4, 0x8F3C, 0x88FF33CC, 32}};
    const kvtest::TempDir folder;
    const std::string path = folder.file("level.bmp");
    for (const auto& c : cases) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(3, 2, 1, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y) {
            auto* row = static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < 3; ++x) {
                if (c.format == D3DFMT_A8R8G8B8 || c.format == D3DFMT_X8R8G8B8)
                    reinterpret_cast<uint32_t*>(row)[x] = c.stored;
                else
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(c.stored);
            }
        }
        texture->UnlockRect(0);
        IDirect3DSurface8* level = nullptr;
        ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
        ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, level, nullptr, nullptr), D3D_OK) << c.format;
        level->Release();
        texture->Release();
        const kvtest::Bytes bmp = kvtest::readFile(path);
        ASSERT_GE(bmp.size(), 54u + 4);
        EXPECT_EQ(bmp[28], c.bits) << c.format;
        EXPECT_EQ(bmp.size(), 54 + ((3 * c.bits / 8 + 3) & ~3u) * 2) << c.format;
        const uint32_t first = c.bits == 32 ? le32(bmp, 54) : (bmp[54] | bmp[55] << 8 | bmp[56] << 16);
        EXPECT_EQ(first, c.bits == 32 ? c.argb : c.argb & 0xFFFFFF) << c.format;
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
