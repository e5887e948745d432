// Exact rasterization: coverage, assembly, culling, depth and blending, checked pixel by
// pixel against values worked out by hand.
#include "raster_fixture.h"

#include <cmath>
#include <limits>

namespace {

using kvtest::RasterFixture;
using kvtest::ScreenVertex;
using kvtest::kScreenFvf;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

TEST_F(RasterFixture, AQuadOverPixelCentresZeroToNineLightsExactlyThoseHundredPixels) {
    // Corners on pixel centres: the top-left rule keeps the left and top edges, drops the
    // right and bottom ones, and the shared diagonal is drawn once.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ASSERT_EQ(quad(0, 0, 10, 10, 0xFF400000), D3D_OK);
    EXPECT_EQ(countColor(0xFF400000), 100);
    EXPECT_EQ(count([](uint32_t p) { return p != kBlack && p != 0xFF400000; }), 0);  // nothing drawn twice
    EXPECT_EQ(pixel(0, 0), 0xFF400000u);
    EXPECT_EQ(pixel(9, 9), 0xFF400000u);
    EXPECT_EQ(pixel(10, 9), kBlack);
    EXPECT_EQ(pixel(9, 10), kBlack);

    // Corners half a pixel off the centres cover the same pixels.
    clear();
    quad(19.5f, 19.5f, 29.5f, 29.5f, 0xFF400000);
    EXPECT_EQ(countColor(0xFF400000), 100);
    EXPECT_EQ(pixel(20, 20), 0xFF400000u);
    EXPECT_EQ(pixel(29, 29), 0xFF400000u);
}

TEST_F(RasterFixture, NeighbouringTrianglesLeaveNoGapsAndNoOverlapsAlongAnySharedEdge) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    // A fan of thin triangles around an off-grid centre covering a 40 x 40 square.
    const float cx = 23.37f, cy = 31.11f;
    const float ring[][2] = {{3, 3}, {17.2f, 3}, {43, 3}, {43, 22.7f}, {43, 43}, {11.9f, 43}, {3, 43}, {3, 29.4f}, {3, 3}};
    ScreenVertex fan[10] = {{cx, cy, 0.5f, 1, 0xFF010101}};
    for (int i = 0; i < 9; ++i) fan[i + 1] = ScreenVertex{ring[i][0], ring[i][1], 0.5f, 1, 0xFF010101};
    ASSERT_EQ(drawUp(D3DPT_TRIANGLEFAN, 8, fan, kScreenFvf), D3D_OK);
    EXPECT_EQ(countColor(0xFF010101), 40 * 40);
    EXPECT_EQ(count([](uint32_t p) { return p != kBlack && p != 0xFF010101; }), 0);
}

TEST_F(RasterFixture, ASliverOnePixelWideLightsOnePixelPerRow) {
    quad(5.5f, 2.5f, 6.5f, 50.5f, kRed);  // covers the centres x = 6, y = 3 .. 50
    EXPECT_EQ(countColor(kRed), 48);
    for (int y = 3; y <= 50; ++y) EXPECT_EQ(pixel(6, y), kRed) << y;
    clear();
    quad(5.2f, 2.5f, 5.8f, 50.5f, kRed);  // between two columns of centres: nothing
    EXPECT_EQ(countColor(kRed), 0);
}

TEST_F(RasterFixture, StripsAndFansAssembleTheDocumentedTriangles) {
    // A strip of 4 triangles over the row 0..40 x 0..10, alternating colours per vertex so
    // that flat shading shows which vertex starts each triangle.
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const ScreenVertex strip[6] = {{0, 0, 0.5f, 1, kRed},    {0, 10, 0.5f, 1, kGreen}, {20, 0, 0.5f, 1, kBlue},
                                   {20, 10, 0.5f, 1, kRed},  {40, 0, 0.5f, 1, kGreen}, {40, 10, 0.5f, 1, kBlue}};
    ASSERT_EQ(drawUp(D3DPT_TRIANGLESTRIP, 4, strip, kScreenFvf), D3D_OK);
    EXPECT_EQ(pixel(2, 2), kRed);     // triangle 0: v0 v1 v2
    EXPECT_EQ(pixel(17, 8), kGreen);  // triangle 1: v1 v3 v2
    EXPECT_EQ(pixel(22, 2), kBlue);   // triangle 2: v2 v3 v4
    EXPECT_EQ(pixel(37, 8), kRed);    // triangle 3: v3 v5 v4
    EXPECT_EQ(count([](uint32_t p) { return p != kBlack; }), 400);

    clear();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);  // every fan triangle must wind alike
    const ScreenVertex fan[5] = {{30, 30, 0.5f, 1, kRed}, {10, 10, 0.5f, 1, kGreen}, {50, 10, 0.5f, 1, kBlue},
                                 {50, 50, 0.5f, 1, kGreen}, {10, 50, 0.5f, 1, kBlue}};
    ASSERT_EQ(drawUp(D3DPT_TRIANGLEFAN, 3, fan, kScreenFvf), D3D_OK);
    EXPECT_EQ(pixel(30, 12), kRed);
    EXPECT_EQ(pixel(48, 30), kRed);
    EXPECT_EQ(pixel(30, 48), kRed);
    EXPECT_EQ(pixel(12, 30), kBlack);  // the fourth side was not drawn
}

TEST_F(RasterFixture, CullModesRemoveTrianglesByTheirWindingOnScreen) {
    const ScreenVertex clockwise[3] = {{10, 10, 0.5f, 1, kRed}, {30, 10, 0.5f, 1, kRed}, {10, 30, 0.5f, 1, kRed}};
    const ScreenVertex counter[3] = {{40, 40, 0.5f, 1, kGreen}, {40, 60, 0.5f, 1, kGreen}, {60, 40, 0.5f, 1, kGreen}};
    const struct {
        D3DCULL mode;
        bool clockwiseDrawn, counterDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const auto& c : cases) {
        clear();
        device->SetRenderState(D3DRS_CULLMODE, c.mode);
        drawUp(D3DPT_TRIANGLELIST, 1, clockwise, kScreenFvf);
        drawUp(D3DPT_TRIANGLELIST, 1, counter, kScreenFvf);
        EXPECT_EQ(pixel(15, 15) == kRed, c.clockwiseDrawn) << c.mode;
        EXPECT_EQ(pixel(45, 45) == kGreen, c.counterDrawn) << c.mode;
    }
}

TEST_F(RasterFixture, EachDepthFunctionComparesTheNewDepthWithTheStoredOne) {
    const struct {
        D3DCMPFUNC func;
        bool less, equal, greater;
    } cases[] = {{D3DCMP_NEVER, false, false, false}, {D3DCMP_LESS, true, false, false},
                 {D3DCMP_EQUAL, false, true, false},  {D3DCMP_LESSEQUAL, true, true, false},
                 {D3DCMP_GREATER, false, false, true}, {D3DCMP_NOTEQUAL, true, false, true},
                 {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
    for (const auto& c : cases) {
        clear();
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        quad(0, 0, 30, 10, kBlue, 0.5f);  // stored depth 0.5 in rows 0..9
        device->SetRenderState(D3DRS_ZFUNC, c.func);
        quad(0, 0, 10, 10, kRed, 0.25f);
        quad(10, 0, 20, 10, kRed, 0.5f);
        quad(20, 0, 30, 10, kRed, 0.75f);
        EXPECT_EQ(pixel(5, 5) == kRed, c.less) << c.func;
        EXPECT_EQ(pixel(15, 5) == kRed, c.equal) << c.func;
        EXPECT_EQ(pixel(25, 5) == kRed, c.greater) << c.func;
    }
}

TEST_F(RasterFixture, DepthWritesFollowZWriteEnableAndZEnableFalseIgnoresDepth) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    quad(0, 0, 10, 10, kBlue, 0.2f);
    quad(0, 0, 10, 10, kRed, 0.6f);  // passes: the first wrote no depth
    EXPECT_EQ(pixel(5, 5), kRed);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    quad(0, 0, 10, 10, kGreen, 0.3f);
    quad(0, 0, 10, 10, kBlue, 0.6f);  // fails against 0.3
    EXPECT_EQ(pixel(5, 5), kGreen);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    quad(0, 0, 10, 10, kBlue, 0.9f);
    EXPECT_EQ(pixel(5, 5), kBlue);
}

// A depth step of 2e-6 is below one D16 level (1.5e-5) and above one 24-bit level (6e-8):
// only the wider buffers tell the two squares apart.
TEST_F(RasterFixture, WiderDepthBuffersKeepTheirExtraPrecision) {
    const struct {
        D3DFORMAT format;
        bool separates;
    } cases[] = {{D3DFMT_D16, false}, {D3DFMT_D24X8, true}, {D3DFMT_D24S8, true}, {D3DFMT_D32, true}};
    for (const auto& c : cases) {
        startDevice(c.format);
        ASSERT_NE(device, nullptr) << c.format;
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        quad(0, 0, 10, 10, kBlue, 0.25f);
        quad(0, 0, 10, 10, kRed, 0.25f - 2e-6f);
        EXPECT_EQ(pixel(5, 5) == kRed, c.separates) << c.format;
    }
}

// Blending 0x80 4060C0 (alpha 0x80) over 0x40 A08020, channel by channel with factors and
// products rounded to the nearest 1/255.
TEST_F(RasterFixture, EveryBlendFactorWeighsSourceAndDestinationAsDocumented) {
    constexpr uint32_t source = 0x804060C0, dest = 0x40A08020;
    auto mul = [](int a, int b) { return (a * b + 127) / 255; };
    auto channel = [](uint32_t p, int i) { return int((p >> (8 * i)) & 0xFF); };
    const D3DBLEND factors[] = {D3DBLEND_ZERO,         D3DBLEND_ONE,         D3DBLEND_SRCCOLOR,
                                D3DBLEND_INVSRCCOLOR,  D3DBLEND_SRCALPHA,    D3DBLEND_INVSRCALPHA,
                                D3DBLEND_DESTALPHA,    D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                                D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHASAT};
    auto factor = [&](D3DBLEND f, int i) {
        const int s = channel(source, i), d = channel(dest, i), sa = channel(source, 3), da = channel(dest, 3);
        switch (f) {
        case D3DBLEND_ZERO: return 0;
        case D3DBLEND_ONE: return 255;
        case D3DBLEND_SRCCOLOR: return s;
        case D3DBLEND_INVSRCCOLOR: return 255 - s;
        case D3DBLEND_SRCALPHA: return sa;
        case D3DBLEND_INVSRCALPHA: return 255 - sa;
        case D3DBLEND_DESTALPHA: return da;
        case D3DBLEND_INVDESTALPHA: return 255 - da;
        case D3DBLEND_DESTCOLOR: return d;
        case D3DBLEND_INVDESTCOLOR: return 255 - d;
        default: return i == 3 ? 255 : std::min(sa, 255 - da);
        }
    };
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    for (D3DBLEND src : factors)
        for (D3DBLEND dst : {D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLEND_DESTCOLOR, src}) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            quad(0, 0, 4, 4, dest);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_SRCBLEND, src);
            device->SetRenderState(D3DRS_DESTBLEND, dst);
            quad(0, 0, 4, 4, source);
            uint32_t expected = 0;
            for (int i = 0; i < 4; ++i) {
                const int value = mul(channel(source, i), factor(src, i)) + mul(channel(dest, i), factor(dst, i));
                expected |= uint32_t(std::min(255, value)) << (8 * i);
            }
            EXPECT_EQ(pixel(1, 1), expected) << "src " << src << " dest " << dst;
        }
}

TEST_F(RasterFixture, AlphaTestDropsPixelsBeforeTheyWriteColourOrDepth) {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    quad(0, 0, 10, 10, 0x7FFF0000, 0.1f);  // alpha 0x7F < 0x80: dropped, depth untouched
    quad(10, 0, 20, 10, 0x80FF0000, 0.1f);
    EXPECT_EQ(pixel(5, 5), kBlack);
    EXPECT_EQ(pixel(15, 5), 0x80FF0000u);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    quad(0, 0, 20, 10, 0xFF00FF00, 0.5f);
    EXPECT_EQ(pixel(5, 5), kGreen);   // the depth of the dropped pixels was never written
    EXPECT_EQ(pixel(15, 5), 0x80FF0000u);
}

TEST_F(RasterFixture, GouraudColoursAreExactAtTheVerticesAndMidwayBetween) {
    const ScreenVertex v[3] = {{0, 0, 0.5f, 1, 0xFF000000}, {60, 0, 0.5f, 1, 0xFFFC0000}, {0, 60, 0.5f, 1, 0xFF0000FC}};
    drawUp(D3DPT_TRIANGLELIST, 1, v, kScreenFvf);
    EXPECT_EQ(pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(pixel(30, 0), 0xFF7E0000u);  // half of 0xFC
    EXPECT_EQ(pixel(15, 15), 0xFF3F003Fu);
}

TEST_F(RasterFixture, DrawsOutsideTheBuffersAreRefusedAndNonFinitePositionsDrawNothing) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, kScreenFvf, D3DPOOL_MANAGED, &buffer), D3D_OK);
    ScreenVertex* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, reinterpret_cast<BYTE**>(&data), 0), D3D_OK);
    data[0] = {0, 0, 0.5f, 1, kRed}, data[1] = {20, 0, 0.5f, 1, kRed}, data[2] = {0, 20, 0.5f, 1, kRed},
    data[3] = {20, 20, 0.5f, 1, kRed};
    buffer->Unlock();
    device->SetVertexShader(kScreenFvf);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);  // needs vertices 1..4
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, buffer, 4);  // stride shorter than the format
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));

    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    uint16_t* index = nullptr;
    ASSERT_EQ(indices->Lock(0, 0, reinterpret_cast<BYTE**>(&index), 0), D3D_OK);
    const uint16_t values[6] = {0, 1, 2, 2, 1, 4};  // 4 is past the buffer
    std::copy(values, values + 6, index);
    indices->Unlock();
    device->SetIndices(indices, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 5, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);  // index 4 >= 4
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3DERR_INVALIDCALL);  // past the indices
    EXPECT_EQ(countColor(kRed), 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    EXPECT_EQ(countColor(kRed), 20 * 21 / 2 - 0);  // the triangle (0,0) (20,0) (0,20)

    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    clear();
    const ScreenVertex bad[6] = {{nan, 0, 0.5f, 1, kRed}, {20, 0, 0.5f, 1, kRed}, {0, 20, 0.5f, 1, kRed},
                                 {0, 0, 0.5f, 1, kRed},   {inf, 0, 0.5f, 1, kRed}, {0, -inf, 0.5f, 1, kRed}};
    EXPECT_EQ(drawUp(D3DPT_TRIANGLELIST, 2, bad, kScreenFvf), D3D_OK);
    EXPECT_EQ(countColor(kRed), 0);
    // No primitives read no vertex, whatever the type.
    for (D3DPRIMITIVETYPE type : {D3DPT_POINTLIST, D3DPT_LINESTRIP, D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN})
        EXPECT_EQ(drawUp(type, 0, bad, kScreenFvf), D3DERR_INVALIDCALL) << type;
    indices->Release();
    buffer->Release();
}

// Lines and points far off the target: only their visible pixels, at once.
TEST_F(RasterFixture, LinesAndPointsFarOffTheTargetDrawOnlyTheirVisiblePixels) {
    const ScreenVertex across[2] = {{-1e6f, 10.3f, 0.5f, 1, kRed}, {1e6f, 10.3f, 0.5f, 1, kRed}};
    EXPECT_EQ(drawUp(D3DPT_LINELIST, 1, across, kScreenFvf), D3D_OK);
    EXPECT_EQ(countColor(kRed), 64);
    const ScreenVertex down[2] = {{5.2f, 1e6f, 0.5f, 1, kGreen}, {5.2f, -1e6f, 0.5f, 1, kGreen}};
    EXPECT_EQ(drawUp(D3DPT_LINESTRIP, 1, down, kScreenFvf), D3D_OK);
    EXPECT_EQ(countColor(kGreen), 64);
    EXPECT_EQ(countColor(kRed), 63);  // the column crossed the row once
    clear();
    const ScreenVertex far[4] = {{-1e25f, 1e25f, 0.5f, 1, kBlue}, {1e25f, 1e25f, 0.5f, 1, kBlue},
                                 {1e30f, 5, 0.5f, 1, kBlue}, {5, -1e30f, 0.5f, 1, kBlue}};
    EXPECT_EQ(drawUp(D3DPT_LINELIST, 1, far, kScreenFvf), D3D_OK);
    EXPECT_EQ(drawUp(D3DPT_POINTLIST, 4, far, kScreenFvf), D3D_OK);
    EXPECT_EQ(countColor(kBlue), 0);
}

}  // namespace
