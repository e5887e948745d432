// Textures on the shared device: creation, rasters and pictures loaded from files.
#include <tovren/texture.h>

#include "kaldorgl_fixture.h"
#include "render_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tovtest::RenderTest;

class TextureTest : public RenderTest {
protected:
    void TearDown() override {
        texture.Release();
        RenderTest::TearDown();
    }
    // Level 0 of the texture as 0xAARRGGBB values, row by row.
    std::vector<uint32_t> texels() const {
        std::vector<uint32_t> out;
        D3DSURFACE_DESC desc{};
        texture.texture->GetLevelDesc(0, &desc);
        D3DLOCKED_RECT locked{};
        if (FAILED(texture.texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return out;
        for (UINT y = 0; y < desc.Height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
            out.insert(out.end(), row, row + desc.Width);
        }
        texture.texture->UnlockRect(0);
        return out;
    }

    kvtest::TempDir dir;
    cTOVREN_Texture texture;
};

TEST_F(TextureTest, CreateAndSetRaster) {
    EXPECT_EQ(texture.texture, nullptr);
    EXPECT_EQ(texture.image.pixels, nullptr);
    ASSERT_EQ(texture.Create(4, 2), 0u);
    EXPECT_EQ(texture.width, 4u);
    EXPECT_EQ(texture.height, 2u);
    D3DSURFACE_DESC desc{};
    texture.texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Usage, D3DUSAGE_DYNAMIC);
    EXPECT_EQ(texture.texture->GetLevelCount(), 1u);

    const std::vector<uint32_t> raster = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(texture.SetRaster(reinterpret_cast<const uint8_t*>(raster.data()), 4, 2), 0u);
    EXPECT_EQ(texels(), raster);
    // A null raster changes nothing; one larger than the texture cannot be locked.
    EXPECT_EQ(texture.SetRaster(nullptr, 4, 2), 1u);
    EXPECT_EQ(texels(), raster);
    const std::vector<uint32_t> large(5 * 2, 9);
    EXPECT_EQ(texture.SetRaster(reinterpret_cast<const uint8_t*>(large.data()), 5, 2), 0x11111111u);
    EXPECT_EQ(texels(), raster);

    // A second Create replaces the texture; Bind makes it stage 0's.
    ASSERT_EQ(texture.Create(8, 8), 0u);
    EXPECT_TRUE(texture.Bind());
    IDirect3DBaseTexture8* bound = nullptr;
    devices.device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture.texture);
    if (bound) bound->Release();
}

TEST_F(TextureTest, LoadFromFileWithAndWithoutFlip) {
    // Red top row, blue bottom row, 2 x 2.
    const std::string path = dir.file("rb.bmp");
    kvtest::writeFile(path, kdgltest::bmpFile(2, 2, 24, {}, {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0}));
    ASSERT_EQ(texture.LoadFromFile(path.c_str(), false), 0u);
    EXPECT_EQ(texels(), (std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}));
    EXPECT_EQ(texture.image.pixels, nullptr);  // the loading stage is emptied
    ASSERT_EQ(texture.LoadFromFile(path.c_str(), true), 0u);
    EXPECT_EQ(texels(), (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000}));
    EXPECT_EQ(texture.width, 2u);
    EXPECT_EQ(texture.height, 2u);

    // Failures pass their codes through and leave the texture as it was.
    IDirect3DTexture8* before = texture.texture;
    EXPECT_EQ(texture.LoadFromFile(dir.file("missing.bmp").c_str(), false), 3u);
    EXPECT_EQ(texture.LoadFromFile(dir.file("picture.gif").c_str(), false), 0x50000001u);
    EXPECT_EQ(texture.texture, before);
}

TEST(TextureWithoutDevice, CreateFails) {
    cTOVREN_Texture texture;
    EXPECT_EQ(texture.Create(4, 4), 0x50000002u);
    EXPECT_EQ(texture.texture, nullptr);
    EXPECT_TRUE(texture.Bind());
}

}  // namespace
