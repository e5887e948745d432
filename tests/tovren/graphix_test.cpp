#include "render_fixture.h"

#include <kaldorgl/kaldorgl.h>
#include <testsupport.h>

#include <cstdlib>

namespace {

using tovtest::RenderTest;

using GraphiX = RenderTest;

TEST_F(GraphiX, ClearColourForms) {
    cTOVREN_GraphiX fresh;
    EXPECT_EQ(fresh.clearRed, 0.0f);  // frames start black
    beginFrame(0x00FF8000u);
    EXPECT_EQ(pixelAt(0, 0), 0xFFFF8000u);
    EXPECT_EQ(pixelAt(kWidth - 1, kHeight - 1), 0xFFFF8000u);

    gfx.SetClearColor(0.5f, 0.5f, 0.5f);
    gfx.DrawBegin();
    EXPECT_EQ(pixelAt(3, 3), 0xFF7F7F7Fu);

    // Every byte value survives the 1/255 scaling of the int form.
    for (int v = 0; v < 256; ++v) {
        gfx.SetClearColor(v, 255 - v, v / 2);
        gfx.DrawBegin();
        ASSERT_EQ(pixelAt(1, 1), 0xFF000000u | uint32_t(v) << 16 | uint32_t(255 - v) << 8 | uint32_t(v / 2)) << v;
    }
    // Out-of-range floats keep the low byte of the truncated product; huge ones give 0.
    gfx.SetClearColor(2.0f, 1e20f, -1.0f / 255.0f);
    gfx.DrawBegin();
    EXPECT_EQ(pixelAt(1, 1), 0xFFFE00FFu);
}

TEST_F(GraphiX, PresentShowsTheFrameOnTheWindow) {
    beginFrame(0x102030);
    gfx.DrawFinish();
    auto* offscreen = static_cast<platform::OffscreenWindow*>(window);
    EXPECT_EQ(offscreen->presentCount(), 1u);
    EXPECT_EQ(offscreen->pixel(kWidth / 2, kHeight / 2) & 0xFFFFFFu, 0x102030u);
}

TEST_F(GraphiX, InitStoresScreenAndInitialStates) {
    TOVSCREEN screen{};
    gfx.GetScreen(&screen);
    EXPECT_EQ(screen.width, kWidth);
    EXPECT_EQ(screen.height, kHeight);
    EXPECT_EQ(screen.depth, 32);
    EXPECT_EQ(screen.refresh, 60);
    EXPECT_FALSE(screen.fullScreen);
    EXPECT_EQ(screen.nearPlane, 1.0f);
    EXPECT_EQ(screen.farPlane, 50000.0f);
    EXPECT_EQ(screen.fov, 45.0f);
    EXPECT_NE(devices.d3d, nullptr);
    EXPECT_NE(devices.sprite, nullptr);

    DWORD value = 0;
    devices.device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, FALSE);
    devices.device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, D3DCULL_NONE);
    devices.device->GetTextureStageState(0, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(value, D3DTEXF_LINEAR);
    devices.device->GetTextureStageState(0, D3DTSS_MAGFILTER, &value);
    EXPECT_EQ(value, D3DTEXF_LINEAR);
    // The field of view goes to the projection as given (45 "radians"), not converted.
    D3DXMATRIX projection, expected;
    devices.device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixPerspectiveFovLH(&expected, 45.0f, float(kWidth) / float(kHeight), 1.0f, 50000.0f);
    EXPECT_TRUE(projection == expected);
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(devices.device->GetDepthStencilSurface(&depth), D3D_OK);
    D3DSURFACE_DESC desc{};
    depth->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_D16);
    depth->Release();
}

TEST_F(GraphiX, InitFailureCodes) {
    cTOVREN_GraphiX other;
    EXPECT_EQ(other.Init(window, kWidth, kHeight, 15, 60, false), 0x10000008u);
    cTOVREN_GFXDEVICES set{};
    other.GetDevices(&set);
    EXPECT_NE(set.d3d, nullptr);
    EXPECT_EQ(set.device, nullptr);
    EXPECT_EQ(other.Init(window, 12345, 77, 32, 60, true), 0x10000003u);
    EXPECT_EQ(other.GetAdaptor(12345, 77, 32, 60), 0x10000003u);
    // Every listed mode is found with its own depth, and with a depth that accepts any format.
    other.GetDevices(&set);
    const UINT modes = set.d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    ASSERT_GT(modes, 0u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(set.d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, modes - 1, &mode), D3D_OK);
    const auto w = uint16_t(mode.Width), h = uint16_t(mode.Height);
    const auto hz = uint8_t(mode.RefreshRate);
    EXPECT_EQ(other.GetAdaptor(w, h, mode.Format == D3DFMT_R5G6B5 ? 16 : 32, hz), 0u);
    EXPECT_EQ(other.GetAdaptor(w, h, 8, hz), 0u);
    EXPECT_EQ(other.GetAdaptor(w, h, 32, uint8_t(hz + 1)), 0x10000003u);
    if (mode.Format == D3DFMT_X8R8G8B8) {
        EXPECT_EQ(other.Init(window, w, h, 32, hz, true), 0u);
    }
    other.Uninit();
    other.GetDevices(&set);
    EXPECT_EQ(set.d3d, nullptr);
    EXPECT_EQ(other.GetAdaptor(kWidth, kHeight, 32, 60), 0x10000003u);  // no Direct3D object
}

TEST_F(GraphiX, StateSwitches) {
    DWORD value = 0;
    gfx.SetFillMode(1);
    devices.device->GetRenderState(D3DRS_FILLMODE, &value);
    EXPECT_EQ(value, D3DFILL_WIREFRAME);
    gfx.SetFillMode(3);
    devices.device->GetRenderState(D3DRS_FILLMODE, &value);
    EXPECT_EQ(value, D3DFILL_WIREFRAME);
    gfx.SetFillMode(2);
    devices.device->GetRenderState(D3DRS_FILLMODE, &value);
    EXPECT_EQ(value, D3DFILL_POINT);

    gfx.SetRenderQuality(1, false);
    devices.device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, D3DCULL_CCW);
    gfx.SetRenderQuality(0, true);
    devices.device->GetRenderState(D3DRS_EDGEANTIALIAS, &value);
    EXPECT_EQ(value, TRUE);

    gfx.SetPerspective(2.0f, 100.0f, 0.8f);
    TOVSCREEN screen{};
    gfx.GetScreen(&screen);
    EXPECT_EQ(screen.nearPlane, 2.0f);
    EXPECT_EQ(screen.farPlane, 100.0f);
    EXPECT_EQ(screen.fov, 0.8f);
}

// Releasing our own extra reference last proves the engine let go of all of its own.
TEST_F(GraphiX, SecondInitAndUninitReleaseEverything) {
    IDirect3DDevice8* oldDevice = devices.device;
    oldDevice->AddRef();
    ASSERT_EQ(gfx.Init(window, kWidth, kHeight, 32, 60, false), 0u);
    EXPECT_EQ(oldDevice->Release(), 0u);

    gfx.GetDevices(&devices);
    IDirect3D8* d3d = devices.d3d;
    d3d->AddRef();
    gfx.Uninit();
    gfx.Uninit();  // a second Uninit, like the destructor after Uninit, does nothing
    EXPECT_EQ(d3d->Release(), 0u);
    ASSERT_EQ(gfx.Init(window, kWidth, kHeight, 32, 60, false), 0u);
    gfx.GetDevices(&devices);
}

TEST_F(GraphiX, OnlyTheInitialisingObjectTearsDownOnDestruction) {
    { cTOVREN_GraphiX copy = gfx; }
    { cTOVREN_GraphiX bystander; }
    cTOVREN_GFXDEVICES set{};
    gfx.GetDevices(&set);
    EXPECT_EQ(set.device, devices.device);

    auto* owner = new cTOVREN_GraphiX;
    ASSERT_EQ(owner->Init(window, 32, 32, 32, 60, false), 0u);
    delete owner;
    gfx.GetDevices(&set);
    EXPECT_EQ(set.device, nullptr);
    ASSERT_EQ(gfx.Init(window, kWidth, kHeight, 32, 60, false), 0u);
    gfx.GetDevices(&devices);
}

TEST_F(GraphiX, RenderToTextureAndBack) {
    ASSERT_EQ(gfx.CreateRenderTexture(64, 64), 0u);
    ASSERT_NE(gfx.renderTexture, nullptr);
    beginFrame(0x0000FF);
    EXPECT_EQ(gfx.SetRenderTargetTexture(), 0u);
    cTOVREN_Sprite sprite;
    const auto picture = tovtest::coordinatePicture(16, 16);
    ASSERT_EQ(sprite.Create(picture.data(), 16, 16), 0u);
    const RECT all{0, 0, 64, 64};
    EXPECT_TRUE(sprite.Draw(8, 8, RECT{0, 0, 16, 16}, all, 0));
    EXPECT_EQ(gfx.SetRenderTargetBuffer(), 0u);

    // The back buffer is untouched by the texture pass and has its depth buffer again.
    EXPECT_EQ(pixelAt(10, 10), 0xFF0000FFu);
    IDirect3DSurface8* depth = nullptr;
    devices.device->GetDepthStencilSurface(&depth);
    EXPECT_NE(depth, nullptr);
    if (depth) depth->Release();

    const RECT screen{0, 0, kWidth, kHeight};
    EXPECT_TRUE(sprite.DrawFromTexture(gfx.renderTexture, 100, 20, RECT{0, 0, 64, 64}, screen, 1.0f, 1.0f,
                                       D3DXVECTOR2(0, 0), 0.0f, 0, 0xFFFFFFFF));
    EXPECT_EQ(pixelAt(100 + 8 + 3, 20 + 8 + 5), tovtest::coordinateColor(3, 5));
    // Transparent black around the sprite blends to the background.
    EXPECT_EQ(pixelAt(100 + 2, 20 + 2), 0xFF0000FFu);
    sprite.Release();

    // Re-targeting releases the references of the previous round.
    EXPECT_EQ(gfx.SetRenderTargetTexture(), 0u);
    EXPECT_EQ(gfx.SetRenderTargetBuffer(), 0u);
    // Frames after the round trip still clear (colour and depth together).
    beginFrame(0x00FF00);
    EXPECT_EQ(pixelAt(10, 10), 0xFF00FF00u);
    IDirect3DTexture8* texture = gfx.renderTexture;
    texture->AddRef();
    gfx.Uninit();
    EXPECT_EQ(gfx.renderSurface, nullptr);
    EXPECT_EQ(gfx.savedBackBuffer, nullptr);
    EXPECT_EQ(texture->Release(), 0u);
    ASSERT_EQ(gfx.Init(window, kWidth, kHeight, 32, 60, false), 0u);
    gfx.GetDevices(&devices);
}

TEST_F(GraphiX, ScreenShotReadsBackWithTheImageLibrary) {
    beginFrame(0x204080);
    cTOVREN_Sprite sprite;
    const auto picture = tovtest::coordinatePicture(20, 10);
    ASSERT_EQ(sprite.Create(picture.data(), 20, 10), 0u);
    EXPECT_TRUE(sprite.Draw(5, 7, RECT{0, 0, 20, 10}, RECT{0, 0, kWidth, kHeight}, 0));
    gfx.DrawFinish();
    sprite.Release();

    kvtest::TempDir dir;
    const std::string path = dir.file("shot.bmp");
    gfx.MakeScreenShot(path.c_str());
    const kvtest::Bytes bytes = kvtest::readFile(path);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');

    CKaldorGL image;
    ASSERT_EQ(image.LoadImageFromFileAs32(path.c_str()), 0u);
    ASSERT_EQ(image.canvas.width, kWidth);
    ASSERT_EQ(image.canvas.height, kHeight);
    const std::vector<uint32_t> frame = backBuffer();
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            const uint8_t* rgba = image.canvas.data + (static_cast<size_t>(y) * kWidth + x) * 4;
            const uint32_t rgb = uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
            ASSERT_EQ(rgb, frame[static_cast<size_t>(y) * kWidth + x] & 0xFFFFFFu) << x << "," << y;
        }
    }
    EXPECT_EQ(frame[static_cast<size_t>(7 + 4) * kWidth + 5 + 9], tovtest::coordinateColor(9, 4));
    std::free(image.canvas.data);
}

// 16- and 24-bit screens: the frame keeps what those formats hold, depth still sorts, and the
// window and the screenshot both show the same 32-bit pixels.
TEST_F(GraphiX, SixteenAndTwentyFourBitScreensDrawShowAndSave) {
    struct ScreenVertex {
        float x, y, z, rhw;
        D3DCOLOR color;
    };
    const struct {
        uint8_t depth;
        D3DFORMAT format;
        uint32_t clear;  // 0x8A4B2C as the format keeps it
    } cases[] = {{16, D3DFMT_R5G6B5, 0xFF8C4D29}, {24, D3DFMT_R8G8B8, 0xFF8A4B2C}};
    kvtest::TempDir dir;
    for (const auto& c : cases) {
        ASSERT_EQ(gfx.Init(window, kWidth, kHeight, c.depth, 60, false), 0u) << int(c.depth);
        gfx.GetDevices(&devices);
        IDirect3DSurface8* surface = nullptr;
        ASSERT_EQ(devices.device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        surface->Release();
        EXPECT_EQ(desc.Format, c.format);

        beginFrame(0x8A4B2C);
        devices.device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        devices.device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        // A near green square, then a far red one over it that the depth test must hide.
        for (auto [z, color] : {std::pair{0.2f, 0xFF00FF00u}, std::pair{0.8f, 0xFFFF0000u}}) {
            const ScreenVertex quad[4] = {{40, 20, z, 1, color}, {120, 20, z, 1, color}, {40, 70, z, 1, color},
                                          {120, 70, z, 1, color}};
            ASSERT_EQ(devices.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
        }
        gfx.DrawFinish();
        auto* offscreen = static_cast<platform::OffscreenWindow*>(window);
        EXPECT_EQ(offscreen->pixel(80, 40) & 0xFFFFFFu, 0x00FF00u) << int(c.depth);
        EXPECT_EQ(offscreen->pixel(5, 5) & 0xFFFFFFu, c.clear & 0xFFFFFFu) << int(c.depth);

        const std::string path = dir.file("shot" + std::to_string(c.depth) + ".bmp");
        gfx.MakeScreenShot(path.c_str());
        CKaldorGL image;
        ASSERT_EQ(image.LoadImageFromFileAs32(path.c_str()), 0u);
        ASSERT_EQ(image.canvas.width, kWidth);
        const uint8_t* rgba = image.canvas.data + (size_t{5} * kWidth + 5) * 4;
        EXPECT_EQ(uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2], c.clear & 0xFFFFFFu);
        rgba = image.canvas.data + (size_t{40} * kWidth + 80) * 4;
        EXPECT_EQ(uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2], 0x00FF00u);
        std::free(image.canvas.data);
    }
}

}  // namespace
