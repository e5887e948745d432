// Vertex lighting against hand computation. Points are drawn, so each lit vertex lands on
// one pixel unchanged by interpolation; an orthographic camera maps world x, y to pixels.
#include "raster_fixture.h"

#include <cmath>

namespace {

using kvtest::LitVertex;

class LightingTest : public kvtest::RasterFixture {
public:
    void SetUp() override {
        RasterFixture::SetUp();
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        D3DXMATRIX ortho;  // x, y in -32..32 to pixels, z 0..100; camera at the origin looking +z
        D3DXMatrixOrthoLH(&ortho, 64, 64, 0, 100);
        device->SetTransform(D3DTS_PROJECTION, &ortho);
    }

    // The lit colour of a vertex at `position` with `normal`, read from its pixel.
    uint32_t litAt(D3DVECTOR position, D3DVECTOR normal) {
        clear();
        const LitVertex v{position.x, position.y, position.z, normal.x, normal.y, normal.z};
        EXPECT_EQ(drawUp(D3DPT_POINTLIST, 1, &v, kvtest::kLitFvf), D3D_OK);
        const int x = int(std::floor(position.x + 32 + 0.5f)), y = int(std::floor(32 - position.y + 0.5f));
        return pixel(x, y);
    }

    void setLight(const D3DLIGHT8& light) {
        ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
        ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
    }
};

// Rounds a lit intensity 0..1 the way a colour channel stores it.
uint32_t level(double value) { return uint32_t(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }
uint32_t grey(double value) { return 0xFF000000u | level(value) * 0x010101u; }
uint32_t rgb(double r, double g, double b) { return 0xFF000000u | level(r) << 16 | level(g) << 8 | level(b); }

D3DLIGHT8 whiteLight(D3DLIGHTTYPE type) {
    D3DLIGHT8 light{};
    light.Type = type;
    light.Diffuse = {1, 1, 1, 1};
    light.Attenuation0 = 1;
    light.Range = 1000;
    return light;
}

TEST_F(LightingTest, TheDefaultMaterialIsDiffuseWhiteAndNothingElse) {
    D3DMATERIAL8 material{};
    ASSERT_EQ(device->GetMaterial(&material), D3D_OK);
    EXPECT_EQ(material.Diffuse.r, 1.0f);
    EXPECT_EQ(material.Diffuse.a, 1.0f);
    EXPECT_EQ(material.Ambient.r, 0.0f);
    EXPECT_EQ(material.Specular.g, 0.0f);
    EXPECT_EQ(material.Emissive.b, 0.0f);
    EXPECT_EQ(material.Power, 0.0f);

    D3DLIGHT8 light = whiteLight(D3DLIGHT_DIRECTIONAL);
    light.Direction = {0, 0, 1};  // shining away from the camera, onto faces turned to it
    setLight(light);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF808080);  // no effect: the material's ambient is zero
    EXPECT_EQ(litAt({0, 0, 10}, {0, 0, -1}), 0xFFFFFFFFu);
    const double angle = 0.6;  // N.L = cos 0.6
    EXPECT_EQ(litAt({5, 5, 10}, {float(std::sin(angle)), 0, float(-std::cos(angle))}), grey(std::cos(angle)));
    EXPECT_EQ(litAt({-5, 5, 10}, {0, 0, 1}), 0xFF000000u);  // facing away
}

TEST_F(LightingTest, DirectionalDiffuseAmbientAndEmissiveAddUpPerChannel) {
    D3DMATERIAL8 material{};
    material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    material.Emissive = {0.0f, 0.0f, 0.125f, 0.0f};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(0x33, 0x66, 0x99));
    D3DLIGHT8 light = whiteLight(D3DLIGHT_DIRECTIONAL);
    light.Diffuse = {0.8f, 0.6f, 0.4f, 1};
    light.Ambient = {0.1f, 0.1f, 0.1f, 1};
    light.Direction = {0, -1, 1};  // 45 degrees: N.L = 1 / sqrt 2 for the normal (0, 1, -1) / sqrt 2
    setLight(light);
    const double nl = 1.0;
    const double r = 1.0 * (0x33 / 255.0 + 0.1) + 0.5 * 0.8 * nl;
    const double g = 0.5 * (0x66 / 255.0 + 0.1) + 0.25 * 0.6 * nl;
    const double b = 0.0 + 1.0 * 0.4 * nl + 0.125;
    EXPECT_EQ(litAt({3, -4, 20}, {0, float(std::sqrt(0.5)), float(-std::sqrt(0.5))}), rgb(r, g, b));
}

TEST_F(LightingTest, PointLightsAttenuateWithDistanceAndStopAtTheirRange) {
    D3DLIGHT8 light = whiteLight(D3DLIGHT_POINT);
    light.Position = {0, 0, 0};
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.1f;
    light.Attenuation2 = 0.01f;
    light.Range = 12;
    setLight(light);
    // Vertex at distance 10 straight ahead, facing the light: 1 / (0.5 + 1 + 1).
    EXPECT_EQ(litAt({0, 0, 10}, {0, 0, -1}), grey(1.0 / 2.5));
    // Distance 5 with the normal 60 degrees off the light.
    EXPECT_EQ(litAt({0, 0, 5}, {float(std::sin(M_PI / 3)), 0, -0.5f}), grey(0.5 / (0.5 + 0.5 + 0.25)));
    // Beyond the range nothing, however strong the light would be.
    EXPECT_EQ(litAt({0, 9, 9}, {0, 0, -1}), 0xFF000000u);  // distance 12.7
    // Normals are used as given unless NORMALIZENORMALS: a normal of length 2 doubles the light.
    EXPECT_EQ(litAt({0, 0, 10}, {0, 0, -0.5f}), grey(0.5 / 2.5));
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    EXPECT_EQ(litAt({0, 0, 10}, {0, 0, -0.5f}), grey(1.0 / 2.5));
}

TEST_F(LightingTest, SpotLightsAreFullInsideThetaFallOffToPhiAndDarkBeyond) {
    D3DLIGHT8 light = whiteLight(D3DLIGHT_SPOT);
    light.Position = {0, 0, 0};
    light.Direction = {0, 0, 1};
    light.Theta = 0.4f;  // inner cone half angle 0.2
    light.Phi = 0.8f;    // outer cone half angle 0.4
    light.Falloff = 2.0f;
    setLight(light);
    // Each vertex faces the light, so N.L = 1 and only the spot factor remains.
    auto litAtAngle = [&](double angle) {
        const D3DVECTOR p{float(10 * std::sin(angle)), 0, float(10 * std::cos(angle))};
        return litAt(p, {-p.x / 10, 0, -p.z / 10});
    };
    EXPECT_EQ(litAtAngle(0.1), 0xFFFFFFFFu);
    const double inner = std::cos(0.2), outer = std::cos(0.4);
    for (double angle : {0.25, 0.3, 0.35}) {
        const double t = (std::cos(angle) - outer) / (inner - outer);
        EXPECT_EQ(litAtAngle(angle), grey(t * t)) << angle;
    }
    EXPECT_EQ(litAtAngle(0.45), 0xFF000000u);
}

TEST_F(LightingTest, SpecularUsesTheHalfwayVectorToTheEyeOrAlongZWithoutALocalViewer) {
    D3DMATERIAL8 material{};
    material.Diffuse = {0, 0, 0, 1};
    material.Specular = {1, 1, 1, 1};
    material.Power = 8;
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    D3DLIGHT8 light = whiteLight(D3DLIGHT_DIRECTIONAL);
    light.Diffuse = {0, 0, 0, 0};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};  // light travelling along +z: toward the light is -z
    setLight(light);
    // Vertex up and to the right, normal straight at the camera's axis.
    const D3DVECTOR position{10, 0, 10};
    const D3DVECTOR normal{0, 0, -1};
    // Local viewer: H = normalise(normalise(-p) + (0, 0, -1)).
    const double ex = -10 / std::sqrt(200.0), ez = -10 / std::sqrt(200.0);
    const double hx = ex, hz = ez - 1, length = std::sqrt(hx * hx + hz * hz);
    EXPECT_EQ(litAt(position, normal), grey(std::pow(-hz / length, 8)));
    // Without it the eye lies along -z everywhere: H = (0, 0, -1) and N.H = 1.
    device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    EXPECT_EQ(litAt(position, normal), 0xFFFFFFFFu);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    EXPECT_EQ(litAt(position, normal), 0xFF000000u);
}

TEST_F(LightingTest, VertexColoursReplaceMaterialColoursAsTheSourceStatesSay) {
    struct ColoredVertex {
        float x, y, z, nx, ny, nz;
        D3DCOLOR diffuse;
    };
    D3DLIGHT8 light = whiteLight(D3DLIGHT_DIRECTIONAL);
    light.Direction = {0, 0, 1};
    setLight(light);
    const ColoredVertex v{0, 0, 10, 0, 0, -1, 0x80402010};
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    drawUp(D3DPT_POINTLIST, 1, &v, fvf);
    EXPECT_EQ(pixel(32, 32), 0x80402010u);  // diffuse from the vertex (COLOR1), its alpha too
    device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    clear();
    drawUp(D3DPT_POINTLIST, 1, &v, fvf);
    EXPECT_EQ(pixel(32, 32), 0xFFFFFFFFu);  // the material's white
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    clear();
    drawUp(D3DPT_POINTLIST, 1, &v, fvf);
    EXPECT_EQ(pixel(32, 32), 0x80402010u);  // unlit: the vertex colour as it is
}

TEST_F(LightingTest, SetLightRefusesLightsDirect3DWouldNotTake) {
    D3DLIGHT8 light = whiteLight(D3DLIGHT_POINT);
    EXPECT_EQ(device->SetLight(1, &light), D3D_OK);
    D3DLIGHT8 bad = light;
    bad.Type = static_cast<D3DLIGHTTYPE>(0);
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = light, bad.Range = -1;
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = light, bad.Range = std::nanf("");
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = light, bad.Attenuation1 = -0.5f;
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = light, bad.Attenuation0 = 0;
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = whiteLight(D3DLIGHT_DIRECTIONAL);  // no direction
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad = whiteLight(D3DLIGHT_SPOT), bad.Direction = {0, 0, 1}, bad.Theta = 1.0f, bad.Phi = 0.5f;
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    bad.Phi = 4.0f;
    EXPECT_EQ(device->SetLight(1, &bad), D3DERR_INVALIDCALL);
    D3DLIGHT8 kept{};
    ASSERT_EQ(device->GetLight(1, &kept), D3D_OK);
    EXPECT_EQ(kept.Type, D3DLIGHT_POINT);  // the refused calls changed nothing

    for (DWORD i = 0; i < 8; ++i) EXPECT_EQ(device->LightEnable(10 + i, TRUE), D3D_OK);
    EXPECT_EQ(device->LightEnable(20, TRUE), D3DERR_INVALIDCALL);  // a ninth at once
    EXPECT_EQ(device->LightEnable(10, FALSE), D3D_OK);
    EXPECT_EQ(device->LightEnable(20, TRUE), D3D_OK);
}

}  // namespace
