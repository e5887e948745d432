// The GL oracle itself against hand-worked values: where its pixel centres, depth range,
// winding and lighting sit relative to Direct3D's. A wrong translation here would make every
// comparison with the device meaningless.
#include <scene3d/gl_renderer.h>

#include <gtest/gtest.h>

namespace kvtest::scene3d {
namespace {

class GlOracle : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (!GlContext::current(&whyNot)) GTEST_SKIP() << "no GL oracle: " << whyNot;
        scene.width = 64;
        scene.height = 48;
    }

    // One unit is one pixel, (0, 0) is the screen's centre and y points up; depth 0..10.
    D3DXMATRIX pixelProjection() const {
        D3DXMATRIX m;
        return *D3DXMatrixOrthoLH(&m, float(scene.width), float(scene.height), 0.0f, 10.0f);
    }

    // A quad between device screen coordinates (x0, y0) and (x1, y1) at depth z.
    void addQuad(float x0, float y0, float x1, float y1, float z, D3DCOLOR color, bool clockwise = true) {
        const float cx = float(scene.width) / 2, cy = float(scene.height) / 2;
        Vertex a{x0 - cx, cy - y0, z, 0, 0, -1, color}, b{x1 - cx, cy - y0, z, 0, 0, -1, color};
        Vertex c{x0 - cx, cy - y1, z, 0, 0, -1, color}, d{x1 - cx, cy - y1, z, 0, 0, -1, color};
        Draw draw;
        draw.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
        // a, b, c runs clockwise on the screen.
        draw.vertices = clockwise ? std::vector<Vertex>{a, b, c, b, d, c} : std::vector<Vertex>{a, c, b, b, c, d};
        if (scene.draws.empty()) {
            draw.world = draw.view = identity();
            draw.projection = pixelProjection();
            draw.renderStates = {{D3DRS_LIGHTING, FALSE}};
            draw.stageStates = {{D3DTSS_COLOROP, D3DTOP_SELECTARG2}};
        }
        scene.draws.push_back(draw);
    }

    Image render() {
        GlRenderer gl(scene);
        EXPECT_TRUE(gl.render()) << gl.error();
        return gl.read();
    }

    Scene scene;
};

// A quad whose edges lie half a pixel outside the device's pixel centres 0 and 9 covers
// exactly those 10 x 10 pixels: GL has been moved onto the device's pixel grid.
TEST_F(GlOracle, PixelCentresAreTheDevices) {
    addQuad(-0.5f, -0.5f, 9.5f, 9.5f, 5, 0xFFFFFFFF);
    const Image image = render();
    for (UINT y = 0; y < scene.height; ++y)
        for (UINT x = 0; x < scene.width; ++x)
            ASSERT_EQ(image.at(x, y), x < 10 && y < 10 ? 0xFFFFFFFFu : 0xFF000000u) << x << ", " << y;
}

// Depth runs 0..1 from the near to the far plane as in Direct3D: geometry just in front of
// the near plane or beyond the far one is clipped, and the nearer of two quads wins.
TEST_F(GlOracle, DepthRangeIsTheDevices) {
    addQuad(0, 0, 8, 8, -0.02f, 0xFFFF0000);  // 0.2% of the range before the near plane
    addQuad(10, 0, 18, 8, 0.02f, 0xFF00FF00);
    addQuad(20, 0, 28, 8, 10.02f, 0xFF0000FF);
    addQuad(30, 0, 38, 8, 9.98f, 0xFFFFFF00);
    addQuad(0, 20, 20, 40, 5.0f, 0xFF808080);
    addQuad(10, 20, 30, 40, 4.9f, 0xFF00FFFF);   // nearer: covers the grey
    addQuad(5, 30, 25, 45, 5.1f, 0xFFFF00FF);    // farther: hidden behind both
    const Image image = render();
    EXPECT_EQ(image.at(4, 4), 0xFF000000u);
    EXPECT_EQ(image.at(14, 4), 0xFF00FF00u);
    EXPECT_EQ(image.at(24, 4), 0xFF000000u);
    EXPECT_EQ(image.at(34, 4), 0xFFFFFF00u);
    EXPECT_EQ(image.at(5, 25), 0xFF808080u);
    EXPECT_EQ(image.at(15, 35), 0xFF00FFFFu);
    EXPECT_EQ(image.at(7, 35), 0xFF808080u);
    EXPECT_EQ(image.at(7, 44), 0xFFFF00FFu);
}

// The device keeps clockwise triangles by default; CULL_CW keeps the other ones.
TEST_F(GlOracle, CullingFollowsTheScreenWinding) {
    addQuad(0, 0, 10, 10, 5, 0xFFFF0000, true);
    addQuad(20, 0, 30, 10, 5, 0xFF00FF00, false);
    Image image = render();
    EXPECT_EQ(image.at(5, 5), 0xFFFF0000u);
    EXPECT_EQ(image.at(25, 5), 0xFF000000u);
    scene.draws[0].renderStates.push_back({D3DRS_CULLMODE, D3DCULL_CW});
    image = render();
    EXPECT_EQ(image.at(5, 5), 0xFF000000u);
    EXPECT_EQ(image.at(25, 5), 0xFF00FF00u);
}

int channel(uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); }

// A quad facing the camera, its four corners equally lit: its colour is the lighting
// equation's value, worked out by hand.
TEST_F(GlOracle, LightingIsTheDevices) {
    addQuad(0, 0, 64, 48, 5, 0xFFFFFFFF);
    scene.draws[0].fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    scene.draws[0].renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00404040}};
    scene.draws[0].stageStates = {};

    // N.L = 0.8; ambient 64/255 x (1, 1, 0) + 0.8 x (1, 0.5, 0.25) x (0.5, 1, 1)
    // = (0.651, 0.651, 0.2): bytes (166, 166, 51).
    scene.lights = {directionalLight({0.6f, 0, 0.8f}, color(1, 0.5f, 0.25f))};
    scene.draws[0].material = material(color(0.5f, 1, 1), color(1, 1, 0));
    Image image = render();
    EXPECT_NEAR(channel(image.at(32, 24), 16), 166, 1);
    EXPECT_NEAR(channel(image.at(32, 24), 8), 166, 1);
    EXPECT_NEAR(channel(image.at(32, 24), 0), 51, 1);

    // The quad's corners (+-40, +-40, 5) in view space, the light on the axis at z = -35:
    // d = 69.28, attenuation 1 / (0.5 + 0.01 d + 0.0002 d^2) = 0.4645, N.L = 0.5774, and
    // with the viewer at the origin N.H = 0.3446. Ambient 32/255 + attenuated light ambient
    // (0.1, 0.2, 0.3), diffuse (1, 0.9, 0.8) x (0.9, 0.3, 0.6), specular 0.4645 x 0.3446^2 x 0.8
    // = 0.0441: (0.4574, 0.3349, 0.4377), bytes (117, 85, 112).
    scene.draws.clear();
    addQuad(-8, -16, 72, 64, 5, 0xFFFFFFFF);
    scene.draws[0].fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    scene.draws[0].renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00202020}, {D3DRS_SPECULARENABLE, TRUE}};
    scene.draws[0].stageStates = {};
    scene.draws[0].material = material(color(0.9f, 0.3f, 0.6f), color(1, 1, 1), color(0.8f, 0.8f, 0.8f), 2.0f);
    scene.lights = {pointLight({0, 0, -35}, color(1, 0.9f, 0.8f), 0.5f, 0.01f, 0.0002f, 1000.0f, color(1, 1, 1),
                               color(0.1f, 0.2f, 0.3f))};
    image = render();
    EXPECT_NEAR(channel(image.at(32, 24), 16), 117, 1);
    EXPECT_NEAR(channel(image.at(32, 24), 8), 85, 1);
    EXPECT_NEAR(channel(image.at(32, 24), 0), 112, 1);
}

// States the translation cannot express are refused rather than silently ignored.
TEST_F(GlOracle, RefusesWhatItCannotModel) {
    addQuad(0, 0, 10, 10, 5, 0xFFFFFFFF);
    scene.draws[0].renderStates.push_back({D3DRS_FOGENABLE, TRUE});
    GlRenderer gl(scene);
    EXPECT_FALSE(gl.render());
    EXPECT_NE(gl.error().find("fog"), std::string::npos);
}

}  // namespace
}  // namespace kvtest::scene3d
