#include "d3d_fixture.h"

#include <platform/d3d8.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using kvtest::D3dFixture;

TEST(Direct3D, OnlyTheSoftwareDeviceTypePassesSoHalRefSwEndsOnSw) {
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(Direct3DCreate8(219), nullptr);
    const D3DDEVTYPE order[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF, D3DDEVTYPE_SW};
    D3DDEVTYPE chosen{};
    for (D3DDEVTYPE type : order)
        if (SUCCEEDED(d3d->CheckDeviceType(0, type, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE))) {
            chosen = type;
            break;
        }
    EXPECT_EQ(chosen, D3DDEVTYPE_SW);
    EXPECT_EQ(d3d->CheckDeviceType(1, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_R8G8B8, D3DFMT_R8G8B8, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_D16),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_D16),
              D3DERR_NOTAVAILABLE);
    D3DCAPS8 caps{};
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(caps.VertexProcessingCaps, 0u);
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(Direct3D, WithoutADisplayTheOnlyModeIsThe32BitSizeOfTheNewestWindow) {
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "a display lists its own modes";
    HWND window = platform::createOffscreenWindow(800, 600);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_EQ(d3d->GetAdapterModeCount(0), 1u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, 0, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 800u);
    EXPECT_EQ(mode.Height, 600u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(mode.RefreshRate, 60u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, 1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(1), 0u);
    d3d->Release();
    platform::destroyWindow(window);
}

TEST(Direct3D, CreateDeviceRefusesWhatItCannotDrawAndFillsTheWindowSize) {
    HWND window = platform::createOffscreenWindow(320, 200);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = D3DFMT_A4R4G4B4;
    pp.Windowed = TRUE;
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_SW, window, 0, &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &pp, &device), D3DERR_NOTAVAILABLE);
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_SW, nullptr, 0, &pp, &device), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_SW, window, 0, &pp, &device), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 320u);
    EXPECT_EQ(pp.BackBufferHeight, 200u);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    // The device holds the Direct3D object, so releasing ours first is safe.
    EXPECT_EQ(d3d->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
    platform::destroyWindow(window);
}

TEST_F(D3dFixture, ClearFillsTheViewportOrTheRectanglesInIt) {
    createDevice(64, 48);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF8000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(pixel(0, 0), 0xFFFF8000u);
    EXPECT_EQ(pixel(63, 47), 0xFFFF8000u);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_COLORVALUE(0.5f, 0.5f, 0.5f, 1.0f), 1.0f, 0),
              D3D_OK);
    EXPECT_EQ(pixel(10, 10), 0xFF7F7F7Fu);

    const D3DRECT rects[] = {{2, 3, 5, 4}, {60, 40, 100, 100}};
    EXPECT_EQ(device->Clear(2, rects, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(pixel(2, 3), 0xFF0000FFu);
    EXPECT_EQ(pixel(4, 3), 0xFF0000FFu);
    EXPECT_EQ(pixel(5, 3), 0xFF7F7F7Fu);
    EXPECT_EQ(pixel(2, 4), 0xFF7F7F7Fu);
    EXPECT_EQ(pixel(63, 47), 0xFF0000FFu);  // the second rectangle is cut to the target

    D3DVIEWPORT8 viewport{10, 10, 4, 4, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(pixel(10, 10), 0xFF00FF00u);
    EXPECT_EQ(pixel(14, 10), 0xFF7F7F7Fu);
    viewport = D3DVIEWPORT8{60, 0, 10, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&viewport), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(D3dFixture, PresentShowsTheBackBufferScaledToTheWindow) {
    createDevice(4, 2);
    const D3DRECT left{0, 0, 2, 2};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->Clear(1, &left, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(window->presentCount(), 1u);
    EXPECT_EQ(window->pixel(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(window->pixel(2, 0), 0xFF000000u);

    window->resize(8, 6);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(window->pixel(x, y), x < 4 ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;

    HWND other = platform::createOffscreenWindow(2, 1);
    EXPECT_EQ(device->Present(nullptr, nullptr, other, nullptr), D3D_OK);
    EXPECT_EQ(static_cast<platform::OffscreenWindow*>(other)->pixel(0, 0), 0xFFFFFFFFu);
    platform::destroyWindow(other);
    EXPECT_EQ(device->Present(nullptr, nullptr, other, nullptr), D3DERR_INVALIDCALL);  // gone: not touched
}

TEST_F(D3dFixture, StateOfEveryCallIsKeptAndDefaultsFollowDirect3D) {
    createDevice(16, 16);
    DWORD value = 0;
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    device->GetTextureStageState(0, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));

    EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
    device->GetRenderState(D3DRS_FILLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DFILL_WIREFRAME));
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(4096), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_MAGFILTER, 1), D3DERR_INVALIDCALL);

    D3DXMATRIX projection, read;
    D3DXMatrixPerspectiveFovLH(&projection, 45.0f, 4.0f / 3.0f, 1.0f, 50000.0f);
    EXPECT_EQ(device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    device->GetTransform(D3DTS_PROJECTION, &read);
    EXPECT_EQ(read, projection);
    D3DXMatrixTranslation(&projection, 1, 2, 3);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(3), &projection), D3D_OK);
    device->GetTransform(D3DTS_WORLD3, &read);
    EXPECT_EQ(read._42, 2.0f);
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(7), &projection), D3DERR_INVALIDCALL);

    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 100.0f;
    light.Attenuation0 = 1.0f;
    EXPECT_EQ(device->SetLight(2, &light), D3D_OK);
    EXPECT_EQ(device->LightEnable(2, TRUE), D3D_OK);
    D3DLIGHT8 back{};
    BOOL enabled = FALSE;
    EXPECT_EQ(device->GetLight(2, &back), D3D_OK);
    EXPECT_EQ(back.Range, 100.0f);
    EXPECT_EQ(device->GetLightEnable(2, &enabled), D3D_OK);
    EXPECT_EQ(enabled, TRUE);
    EXPECT_EQ(device->GetLight(3, &back), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->LightEnable(5, TRUE), D3D_OK);  // an unset light becomes the default one
    EXPECT_EQ(device->GetLight(5, &back), D3D_OK);
    EXPECT_EQ(back.Type, D3DLIGHT_DIRECTIONAL);

    EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL), D3D_OK);
    device->GetVertexShader(&value);
    EXPECT_EQ(value, D3DFVF_XYZ | D3DFVF_NORMAL);
}

TEST_F(D3dFixture, BoundObjectsAreReferencedUntilReplacedOrTheDeviceGoes) {
    createDevice(16, 16);
    IDirect3DTexture8* texture = makeTexture(4, 4, [](UINT, UINT) { return 0u; });
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);  // ours, the device's, this one
    texture->Release();
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    bound->Release();
    device->SetTexture(0, nullptr);
    EXPECT_EQ(texture->AddRef(), 2u);
    texture->Release();

    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(480, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED, &buffer),
              D3D_OK);
    device->SetStreamSource(0, buffer, 20);
    device->SetTexture(1, texture);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 1u);
    // The device gives its references back when it goes; the fixture's TearDown checks nothing
    // leaks under the sanitizers.
}

TEST_F(D3dFixture, RenderTargetsSwitchBetweenTextureLevelsAndTheBackBuffer) {
    createDevice(32, 32);
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    IDirect3DSurface8 *saved = nullptr, *level = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&saved), D3D_OK);
    EXPECT_EQ(saved, backBuffer);
    ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // no depth bound
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80102030, 1.0f, 0);
    D3DVIEWPORT8 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 8u);

    D3DLOCKED_RECT locked{};
    ASSERT_EQ(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), 0x80102030u);
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    target->UnlockRect(0);

    ASSERT_EQ(device->SetRenderTarget(saved, nullptr), D3D_OK);
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 32u);
    saved->Release();
    level->Release();
    EXPECT_EQ(target->Release(), 0u);  // the device dropped the level, and with it the texture
}

TEST_F(D3dFixture, LocksAndDrawsAreCheckedAgainstTheMemoryThere) {
    createDevice(16, 16);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(640, 480, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    const RECT outside{600, 0, 641, 10};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    const RECT inside{10, 20, 30, 40};
    ASSERT_EQ(texture->LockRect(0, &locked, &inside, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 640 * 4);
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    texture->UnlockRect(0);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    texture->Release();
    EXPECT_EQ(device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_DEFAULT, &texture), D3DERR_INVALIDCALL);

    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(depth->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);  // D16 is not lockable
    depth->Release();

    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(72, 0, D3DFVF_XYZ | D3DFVF_NORMAL, D3DPOOL_DEFAULT, &buffer), D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(64, 16, &data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    buffer->Unlock();
    device->SetStreamSource(0, buffer, 24);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // outside a scene
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);  // past the buffer
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    device->EndScene();
    buffer->Release();
}

}  // namespace
