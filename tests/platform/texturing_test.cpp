// Texture stages, sampling, fog and near-plane clipping, against hand-worked pixel values.
#include "raster_fixture.h"

#include <bit>
#include <cmath>

namespace {

using kvtest::TexturedScreenVertex;
using kvtest::kTexturedScreenFvf;

constexpr uint32_t kBlack = 0xFF000000;

class TexturingTest : public kvtest::RasterFixture {
public:
    // A screen rectangle with texture coordinates (u0, v0) at the top-left corner and
    // (u1, v1) at the bottom-right.
    void texturedQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                      D3DCOLOR color = 0xFFFFFFFF) {
        const TexturedScreenVertex v[4] = {{x0, y0, 0.5f, 1, color, u0, v0}, {x1, y0, 0.5f, 1, color, u1, v0},
                                           {x0, y1, 0.5f, 1, color, u0, v1}, {x1, y1, 0.5f, 1, color, u1, v1}};
        EXPECT_EQ(drawUp(D3DPT_TRIANGLESTRIP, 2, v, kTexturedScreenFvf), D3D_OK);
    }
};

// Texel (x, y) of a 4 x 4 test texture: distinct in every channel.
uint32_t texel4(UINT x, UINT y) { return 0xFF000000u | (x * 60 + 10) << 16 | (y * 60 + 10) << 8 | (x * 16 + y * 4); }

TEST_F(TexturingTest, PointSamplingAddressesTexelsByWrapMirrorClampAndBorder) {
    IDirect3DTexture8* texture = makeTexture(4, 4, texel4);
    device->SetTexture(0, texture);
    // Eight pixels across u = -1 .. 1 (pixel centres at u = -0.875, -0.625, ...).
    const struct {
        D3DTEXTUREADDRESS mode;
        UINT columns[8];
    } cases[] = {{D3DTADDRESS_WRAP, {0, 1, 2, 3, 0, 1, 2, 3}},
                 {D3DTADDRESS_MIRROR, {3, 2, 1, 0, 0, 1, 2, 3}},
                 {D3DTADDRESS_CLAMP, {0, 0, 0, 0, 0, 1, 2, 3}}};
    for (const auto& c : cases) {
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, c.mode);
        texturedQuad(-0.5f, -0.5f, 7.5f, 0.5f, -1, 0.1f, 1, 0.1f);
        for (int x = 0; x < 8; ++x) EXPECT_EQ(pixel(x, 0), texel4(c.columns[x], 0)) << c.mode << " at " << x;
    }
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_BORDER);
    device->SetTextureStageState(0, D3DTSS_BORDERCOLOR, 0xFF123456);
    texturedQuad(-0.5f, -0.5f, 7.5f, 0.5f, -1, 0.1f, 1, 0.1f);
    EXPECT_EQ(pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(pixel(5, 0), texel4(1, 0));
    texture->Release();
}

TEST_F(TexturingTest, BilinearFilteringWeighsTheFourNearestTexelCentres) {
    IDirect3DTexture8* texture = makeTexture(4, 4, texel4);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    // 16 x 16 pixels over the 4 x 4 texels: pixel (x, y) samples texel space (x + 0.5) / 4 - 0.5.
    texturedQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0, 0, 1, 1);
    auto expected = [](double tx, double ty) {
        const int x0 = int(std::floor(tx)), y0 = int(std::floor(ty));
        const double fx = tx - x0, fy = ty - y0;
        auto at = [](int x, int y) { return texel4(UINT(std::clamp(x, 0, 3)), UINT(std::clamp(y, 0, 3))); };
        uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            auto ch = [&](uint32_t t) { return double((t >> shift) & 0xFF); };
            const double v = (ch(at(x0, y0)) * (1 - fx) + ch(at(x0 + 1, y0)) * fx) * (1 - fy) +
                             (ch(at(x0, y0 + 1)) * (1 - fx) + ch(at(x0 + 1, y0 + 1)) * fx) * fy;
            out |= uint32_t(v) << shift;  // the 8-bit weights truncate
        }
        return out;
    };
    for (int y : {1, 6, 9, 14})
        for (int x : {2, 5, 7, 12}) {
            const uint32_t got = pixel(x, y), want = expected((x + 0.5) / 4 - 0.5, (y + 0.5) / 4 - 0.5);
            for (int shift = 0; shift < 32; shift += 8)
                EXPECT_NEAR(int((got >> shift) & 0xFF), int((want >> shift) & 0xFF), 1) << x << "," << y;
        }
    EXPECT_EQ(pixel(0, 0), texel4(0, 0));    // clamped corner
    EXPECT_EQ(pixel(15, 15), texel4(3, 3));
    texture->Release();
}

// Coordinates that are no number or lie far past any texture sample without a fault in every
// addressing mode (the sanitizer builds would stop on a conversion out of range).
TEST_F(TexturingTest, CoordinatesOfNoNumberOrFarAwaySampleWithoutFault) {
    IDirect3DTexture8* texture = makeTexture(4, 4, texel4);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    const float nan = std::nanf("");
    for (const D3DTEXTUREADDRESS mode : {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER}) {
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, mode);
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, mode);
        for (const float far : {nan, 1e20f, -1e20f}) {
            texturedQuad(0, 0, 3, 3, far, 0, far, 1);
            texturedQuad(0, 0, 3, 3, 0, far, 1, far);
        }
    }
    texture->Release();
}

TEST_F(TexturingTest, MipLevelsComeFromABoxFilterAndAreChosenByTheFootprint) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device, 8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 4u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)  // columns alternate 0x00 and 0xC8 red: level 1 averages to 0x64
        for (int x = 0; x < 8; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                x % 2 ? 0xFFC80000u : 0xFF000000u;
    texture->UnlockRect(0);
    ASSERT_EQ(texture->LockRect(3, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), 0xFF640000u);
    texture->UnlockRect(3);

    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    texturedQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0, 0, 1, 1);  // 8 texels over 2 pixels: level 2
    EXPECT_EQ(pixel(0, 0), 0xFF640000u);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    texturedQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0, 0, 1, 1);  // level 0 only: texel 2 of row 2
    EXPECT_EQ(pixel(0, 0), 0xFF000000u);
    // 8 texels over 6 pixels: level log2(8 / 6) = 0.415, between level 0 (pixel 0 meets a
    // 0x00 column, pixel 2 a 0xC8 one) and level 1 (0x64 everywhere).
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    texturedQuad(-0.5f, -0.5f, 5.5f, 5.5f, 0, 0, 1, 1);
    const double between = std::log2(8.0 / 6.0);
    EXPECT_NEAR(double(pixel(0, 0) >> 16 & 0xFF), 0x64 * between, 1.5);
    EXPECT_NEAR(double(pixel(2, 0) >> 16 & 0xFF), 0xC8 * (1 - between) + 0x64 * between, 1.5);
    EXPECT_EQ(pixel(2, 0) >> 24, 0xFFu);
    texture->Release();
}

TEST_F(TexturingTest, StageOperationsCombineTextureDiffuseAndFactor) {
    IDirect3DTexture8* texture = makeTexture(1, 1, [](UINT, UINT) { return 0x80C08040u; });
    device->SetTexture(0, texture);
    const uint32_t diffuse = 0xFF808080;
    auto mul = [](uint32_t a, uint32_t b) {
        uint32_t out = 0;
        for (int s = 0; s < 32; s += 8) out |= ((((a >> s) & 0xFF) * ((b >> s) & 0xFF) + 127) / 255) << s;
        return out;
    };
    // The defaults: colour MODULATE texture x diffuse, alpha from the texture.
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    texturedQuad(0, 0, 4, 4, 0.5f, 0.5f, 0.5f, 0.5f, diffuse);
    EXPECT_EQ(pixel(1, 1), (mul(0x80C08040u, diffuse) & 0xFFFFFF) | 0x80000000u);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    texturedQuad(0, 0, 4, 4, 0.5f, 0.5f, 0.5f, 0.5f, diffuse);
    EXPECT_EQ(pixel(1, 1), 0x80FFFFC0u);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    texturedQuad(0, 0, 4, 4, 0.5f, 0.5f, 0.5f, 0.5f, diffuse);
    EXPECT_EQ(pixel(1, 1), 0x80808080u);
    // Stage 1 multiplies the result by the texture factor.
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF80);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    texturedQuad(0, 0, 4, 4, 0.5f, 0.5f, 0.5f, 0.5f, diffuse);
    EXPECT_EQ(pixel(1, 1), 0x80008040u);
    // Without a texture the TEXTURE argument is opaque white.
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    texturedQuad(0, 0, 4, 4, 0.5f, 0.5f, 0.5f, 0.5f, 0x40102030);
    EXPECT_EQ(pixel(1, 1), 0xFF102030u);
    texture->Release();
}

TEST_F(TexturingTest, SixteenBitTexturesSampleAsTheirBitsExpand) {
    struct Case {
        D3DFORMAT format;
        uint16_t bits;
        uint32_t expanded;
    } cases[] = {{D3DFMT_R5G6B5, 0xF81F, 0xFFFF00FF},    // red and blue full, green 0
                 {D3DFMT_A1R5G5B5, 0x7C00, 0x00FF0000},  // alpha bit clear
                 {D3DFMT_X1R5G5B5, 0x0421, 0xFF080808},  // 1 in each 5-bit field: 8
                 {D3DFMT_A4R4G4B4, 0x8F3C, 0x88FF33CC}};
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    for (const Case& c : cases) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = c.bits;
        texture->UnlockRect(0);
        device->SetTexture(0, texture);
        texturedQuad(0, 0, 4, 4, 0, 0, 1, 1);
        EXPECT_EQ(pixel(1, 1), c.expanded) << c.format;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(*static_cast<uint16_t*>(locked.pBits), c.bits) << c.format;  // locks read back the bits
        texture->UnlockRect(0);
        device->SetTexture(0, nullptr);
        texture->Release();
    }
}

TEST_F(TexturingTest, TableAndVertexFogMixTheFogColourByDistance) {
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    const float start = 10, end = 30;
    device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(start));
    device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(end));
    // Pre-transformed vertices at eye depth w = 1 / rhw = 15: factor (30 - 15) / 20 = 0.75.
    const kvtest::ScreenVertex v[4] = {{0, 0, 0.5f, 1 / 15.0f, 0xFFFF0000}, {8, 0, 0.5f, 1 / 15.0f, 0xFFFF0000},
                                       {0, 8, 0.5f, 1 / 15.0f, 0xFFFF0000}, {8, 8, 0.5f, 1 / 15.0f, 0xFFFF0000}};
    drawUp(D3DPT_TRIANGLESTRIP, 2, v, kvtest::kScreenFvf);
    const uint32_t f = 191;  // 0.75 of 255, rounded
    EXPECT_EQ(pixel(3, 3), 0xFF000000u | ((255 * f + 127) / 255) << 16 | ((255 * (255 - f) + 127) / 255));

    // Vertex fog with no vertex fog mode takes the factor from the specular alpha.
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    struct SpecularVertex {
        float x, y, z, rhw;
        D3DCOLOR diffuse, specular;
    } s[4] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0x40000000}, {8, 0, 0.5f, 1, 0xFFFF0000, 0x40000000},
              {0, 8, 0.5f, 1, 0xFFFF0000, 0x40000000}, {8, 8, 0.5f, 1, 0xFFFF0000, 0x40000000}};
    drawUp(D3DPT_TRIANGLESTRIP, 2, s, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    EXPECT_EQ(pixel(3, 3), 0xFF000000u | uint32_t((255 * 0x40 + 127) / 255) << 16 | uint32_t((255 * (255 - 0x40) + 127) / 255));
}

// A floor triangle seen from a camera at height 1 looking along +z, perspective 90 degrees.
class ClippingTest : public TexturingTest {
public:
    void SetUp() override {
        TexturingTest::SetUp();
        D3DXMATRIX projection, view;
        D3DXMatrixPerspectiveFovLH(&projection, float(M_PI / 2), 1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        const D3DXVECTOR3 eye(0, 1, 0), at(0, 1, 1), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        device->SetTransform(D3DTS_VIEW, &view);
    }
    struct ColorVertex {
        float x, y, z;
        D3DCOLOR color;
    };
    int drawFloor(float z0, float z1, float z2) {
        clear();
        const ColorVertex v[3] = {{-20, 0, z0, 0xFFFF0000}, {20, 0, z1, 0xFFFF0000}, {0, 0, z2, 0xFFFF0000}};
        EXPECT_EQ(drawUp(D3DPT_TRIANGLELIST, 1, v, D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
        return countColor(0xFFFF0000);
    }
};

TEST_F(ClippingTest, TrianglesCrossingTheNearPlaneKeepOnlyTheirPartInFront) {
    // All three vertices behind the camera: nothing.
    EXPECT_EQ(drawFloor(-5, -5, -10), 0);
    // The floor is seen below the horizon (row 32) only; a triangle reaching from far in front
    // to behind the camera fills the bottom of the view up to its far end's row.
    const int oneBehind = drawFloor(50, 50, -10);
    const int twoBehind = drawFloor(-5, -5, 50);
    EXPECT_GT(oneBehind, 0);
    EXPECT_GT(twoBehind, 0);
    // Row 63 (just above the bottom edge) looks at the floor at depth about 1.03: both draw it,
    // and nothing is drawn above the horizon.
    for (int count : {oneBehind, twoBehind}) EXPECT_LT(count, 64 * 32);
    drawFloor(50, 50, -10);
    EXPECT_EQ(pixel(32, 63), 0xFFFF0000u);
    EXPECT_EQ(pixel(32, 31), kBlack);
    EXPECT_EQ(pixel(32, 33), 0xFFFF0000u);  // depth 32: inside the triangle's far end at 50
}

}  // namespace
