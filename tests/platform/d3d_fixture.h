// A headless device on an offscreen window, shared by the graphics tests.
#pragma once

#include <platform/d3dx8.h>
#include <platform/window.h>

#include <gtest/gtest.h>

#include "d3d_device.h"

#include <cstring>
#include <vector>

namespace kvtest {

class D3dFixture : public ::testing::Test {
public:
    void createDevice(int32_t width, int32_t height, D3DFORMAT format = D3DFMT_X8R8G8B8,
                      D3DFORMAT depthFormat = D3DFMT_D16) {
        window = static_cast<platform::OffscreenWindow*>(platform::createOffscreenWindow(width, height));
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        ASSERT_EQ(createSoftwareDevice(d3d, window, windowedParameters(width, height, format, depthFormat), &device),
                  D3D_OK);
        ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    }

    void TearDown() override {
        if (backBuffer) backBuffer->Release();
        if (device) device->Release();
        if (d3d) d3d->Release();
        platform::destroyWindow(window);
    }

    // A texture whose texel (x, y) is fill(x, y).
    template <class Fill>
    IDirect3DTexture8* makeTexture(UINT width, UINT height, Fill fill, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(D3DXCreateTexture(device, width, height, 1, D3DUSAGE_DYNAMIC, format, D3DPOOL_DEFAULT, &texture),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = fill(x, y);
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return texture;
    }

    uint32_t pixel(int32_t x, int32_t y) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const uint32_t value = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
        backBuffer->UnlockRect();
        return value;
    }

    platform::OffscreenWindow* window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3DSurface8* backBuffer = nullptr;
};

}  // namespace kvtest
