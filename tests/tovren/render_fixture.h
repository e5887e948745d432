// A headless engine set-up for the graphics tests: an offscreen window, a graphics device
// on it and read-back of the back buffer as 0xAARRGGBB values.
#pragma once

#include <tovren/tovren.h>

#include <platform/window.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tovtest {

class RenderTest : public ::testing::Test {
protected:
    static constexpr uint16_t kWidth = 160;
    static constexpr uint16_t kHeight = 96;

    void SetUp() override {
        window = platform::createOffscreenWindow(kWidth, kHeight);
        ASSERT_EQ(gfx.Init(window, kWidth, kHeight, 32, 60, false), 0u);
        gfx.GetDevices(&devices);
        ASSERT_NE(devices.device, nullptr);
    }
    void TearDown() override {
        gfx.Uninit();
        platform::destroyWindow(window);
    }

    // Clears to the colour and leaves the scene open for drawing.
    void beginFrame(uint32_t rgb = 0x000000) {
        gfx.SetClearColor(rgb);
        gfx.DrawBegin();
    }

    std::vector<uint32_t> backBuffer() const {
        std::vector<uint32_t> pixels;
        IDirect3DSurface8* surface = nullptr;
        if (FAILED(devices.device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return pixels;
        D3DSURFACE_DESC desc{};
        surface->GetDesc(&desc);
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                                    static_cast<size_t>(y) * locked.Pitch);
                std::copy(row, row + desc.Width, pixels.begin() + static_cast<ptrdiff_t>(y) * desc.Width);
            }
            surface->UnlockRect();
        }
        surface->Release();
        return pixels;
    }

    uint32_t pixelAt(int x, int y) const { return backBuffer()[static_cast<size_t>(y) * kWidth + x]; }

    HWND window = nullptr;
    cTOVREN_GraphiX gfx;
    cTOVREN_GFXDEVICES devices{};
};

// A picture whose every texel tells where it came from: red = x, green = y, blue 0x40.
inline std::vector<uint8_t> coordinatePicture(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = 0x40;
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x);
            p[3] = 0xFF;
        }
    }
    return bgra;
}

inline uint32_t coordinateColor(uint32_t x, uint32_t y) { return 0xFF000040u | (x & 0xFF) << 16 | (y & 0xFF) << 8; }

}  // namespace tovtest
