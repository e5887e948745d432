// The vector spans against the general one. Alpha test ALWAYS passes every pixel but sends
// a draw down the general span, so each scene is drawn both ways and the frames must match
// exactly: depth functions, filters, addressing, stage operations, flat and Gouraud colours,
// spans of every length, on a target whose width is not a multiple of the vector width.
#include "d3d_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace {

struct Vertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Render and texture states of one case, applied on top of the defaults.
struct Case {
    std::string name;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
    std::vector<std::pair<D3DTEXTURESTAGESTATETYPE, DWORD>> stageStates;
    int texture;  // -1 none, 0 power of two, 1 not
};

class SpanPathsTest : public kvtest::D3dFixture {
public:
    // Triangles in front of a perspective camera, overlapping in depth; some have one
    // colour at all corners, some reach far outside the texture's 0..1.
    static std::vector<Vertex> scene() {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> position(-6.0f, 6.0f), depth(3.0f, 20.0f), uv(-1.5f, 2.5f);
        std::vector<Vertex> vertices;
        for (int i = 0; i < 60; ++i) {
            const D3DCOLOR shared = random() | 0x40000000u;
            for (int k = 0; k < 3; ++k) {
                const D3DCOLOR own = static_cast<D3DCOLOR>(random());
                vertices.push_back(Vertex{position(random), position(random) * 0.6f, depth(random), i % 4 == 0 ? shared : own,
                                          uv(random), uv(random)});
            }
        }
        // Thin slivers along the rows, so that spans of every length from 1 up occur.
        for (int i = 0; i < 12; ++i) {
            const float y = -3.0f + 0.5f * float(i), z = 4.0f + float(i);
            vertices.push_back(Vertex{-6.0f, y, z, 0xFF2080C0, 0.0f, 0.0f});
            vertices.push_back(Vertex{6.0f, y + 0.02f * float(i + 1), z, 0xFFC08020, 3.0f, 0.5f});
            vertices.push_back(Vertex{-6.0f, y + 0.15f, z + 2.0f, 0x80FFFFFF, 0.0f, 1.0f});
        }
        return vertices;
    }

    IDirect3DTexture8* texture(int kind) {
        if (kind < 0) return nullptr;
        const UINT width = kind == 0 ? 16 : 12, height = kind == 0 ? 8 : 10;
        return makeTexture(
            width, height, [](UINT x, UINT y) { return (x * 37 + y * 91) * 0x01030507u ^ (x & 1 ? 0x80000000u : 0u); },
            kind == 0 ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8);
    }

    std::vector<uint32_t> draw(const Case& c, bool general) {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 0.95f, 0), D3D_OK);
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, 1.2f, 1.4f, 1.0f, 30.0f);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        for (const auto& [state, value] : c.renderStates) device->SetRenderState(state, value);
        for (const auto& [type, value] : c.stageStates) device->SetTextureStageState(0, type, value);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, general ? TRUE : FALSE);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
        IDirect3DTexture8* t = texture(c.texture);
        device->SetTexture(0, t);
        device->SetVertexShader(kFvf);
        const std::vector<Vertex> vertices = scene();
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(), sizeof(Vertex)),
                  D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        device->SetTexture(0, nullptr);
        if (t) t->Release();
        D3DSURFACE_DESC desc{};
        backBuffer->GetDesc(&desc);
        std::vector<uint32_t> frame(size_t(desc.Width) * desc.Height);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&frame[size_t(y) * desc.Width], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                        desc.Width * 4);
        backBuffer->UnlockRect();
        return frame;
    }

    // Also checks that at least `minimumDrawn` pixels were drawn (a quarter of the target by default).
    void expectSamePixels(const Case& c, size_t minimumDrawn = SIZE_MAX) {
        const std::vector<uint32_t> vector = draw(c, false), general = draw(c, true);
        size_t differing = 0, drawn = 0;
        for (size_t i = 0; i < vector.size(); ++i) {
            differing += vector[i] != general[i];
            drawn += general[i] != 0xFF102030;
        }
        EXPECT_EQ(differing, 0u) << c.name;
        EXPECT_GE(drawn, std::min(minimumDrawn, vector.size() / 4)) << c.name;
    }
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"untextured gouraud", {}, {}, -1},
        {"untextured flat", {{D3DRS_SHADEMODE, D3DSHADE_FLAT}}, {}, -1},
        {"point wrap", {}, {}, 0},
        {"bilinear wrap", {}, {{D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_MINFILTER, D3DTEXF_LINEAR}}, 0},
        {"bilinear clamp",
         {},
         {{D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_MINFILTER, D3DTEXF_LINEAR}, {D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
          {D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP}},
         0},
        {"point clamp and wrap", {}, {{D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP}}, 0},
        {"bilinear mirror", {}, {{D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_MINFILTER, D3DTEXF_LINEAR},
                                  {D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR}}, 0},
        {"bilinear wrap, not a power of two",
         {},
         {{D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_MINFILTER, D3DTEXF_LINEAR}},
         1},
        {"texel alone", {}, {{D3DTSS_COLOROP, D3DTOP_SELECTARG1}, {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}}, 1},
        {"diffuse colour, texture alpha", {}, {{D3DTSS_COLOROP, D3DTOP_SELECTARG2}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE}}, 0},
        {"flat modulate", {{D3DRS_SHADEMODE, D3DSHADE_FLAT}}, {{D3DTSS_ALPHAOP, D3DTOP_MODULATE}}, 1},
    };
    return all;
}

TEST_F(SpanPathsTest, EveryStageAndSamplerSetupDrawsTheSamePixelsBothWays) {
    createDevice(67, 45);
    for (const Case& c : cases()) expectSamePixels(c);
}

TEST_F(SpanPathsTest, EveryDepthTestDrawsTheSamePixelsBothWays) {
    createDevice(67, 45);
    for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS; ++func)
        expectSamePixels(Case{"depth function " + std::to_string(func), {{D3DRS_ZFUNC, func}},
                              {{D3DTSS_MAGFILTER, D3DTEXF_LINEAR}}, 0},
                         func == D3DCMP_NEVER || func == D3DCMP_EQUAL ? 0 : 100);
    expectSamePixels(Case{"no depth writes", {{D3DRS_ZWRITEENABLE, FALSE}}, {}, -1});
    expectSamePixels(Case{"no depth test", {{D3DRS_ZENABLE, D3DZB_FALSE}}, {{D3DTSS_ALPHAOP, D3DTOP_SELECTARG2}}, 0});
}

TEST_F(SpanPathsTest, TargetsNarrowerThanAVectorDrawTheSamePixelsBothWays) {
    createDevice(5, 9);
    for (const Case& c : cases()) EXPECT_EQ(draw(c, false), draw(c, true)) << c.name;
}

}  // namespace
