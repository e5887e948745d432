// Drawing helpers for the pipeline tests: a small device, screen-space and world-space
// vertices, and pixel counts.
#pragma once

#include "d3d_fixture.h"

#include <functional>

namespace kvtest {

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct TexturedScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
constexpr DWORD kTexturedScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

class RasterFixture : public D3dFixture {
public:
    static constexpr uint32_t kBlack = 0xFF000000;

    void SetUp() override { startDevice(D3DFMT_D16); }
    // A fresh 64 x 64 device with the given depth buffer, in a scene, with the states above.
    void startDevice(D3DFORMAT depthFormat) {
        if (device) {
            device->EndScene();
            D3dFixture::TearDown();
            backBuffer = nullptr, device = nullptr, d3d = nullptr, window = nullptr;
        }
        createDevice(64, 64, D3DFMT_X8R8G8B8, depthFormat);
        clear();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        // Untextured drawing takes its alpha from the vertices (by default stage 0 would
        // take it from the missing texture, which reads as opaque white).
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        if (device) device->EndScene();
        D3dFixture::TearDown();
    }

    void clear(D3DCOLOR color = kBlack) { device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0); }

    template <class Vertex>
    HRESULT drawUp(D3DPRIMITIVETYPE type, UINT count, const Vertex* vertices, DWORD fvf) {
        device->SetVertexShader(fvf);
        return device->DrawPrimitiveUP(type, count, vertices, sizeof(Vertex));
    }

    // A screen-space rectangle of two triangles, corners at (x0, y0) and (x1, y1).
    HRESULT quad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
        const ScreenVertex v[4] = {{x0, y0, z, 1, color}, {x1, y0, z, 1, color}, {x0, y1, z, 1, color}, {x1, y1, z, 1, color}};
        return drawUp(D3DPT_TRIANGLESTRIP, 2, v, kScreenFvf);
    }

    int count(const std::function<bool(uint32_t)>& test) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        int n = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                n += test(reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x]);
        backBuffer->UnlockRect();
        return n;
    }
    int countColor(uint32_t color) {
        return count([color](uint32_t p) { return p == color; });
    }
};

}  // namespace kvtest
