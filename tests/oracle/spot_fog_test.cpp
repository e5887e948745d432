// Spot lights and vertex fog, whose models GL does not share, against values worked out by
// hand at pixels that sit exactly on vertices (where Gouraud shading gives the vertex's own
// colour).
#include <scene3d/device_renderer.h>

#include <gtest/gtest.h>

#include <bit>

namespace kvtest::scene3d {
namespace {

// 64 x 48 pixels, one unit a pixel, y up, the origin at the screen's centre, depth 0..10.
class HandComputed : public ::testing::Test {
protected:
    HandComputed() {
        scene.width = 64;
        scene.height = 48;
    }

    // A grid of quads facing the camera at depth `depthAt(x)`, with a vertex on every 8th
    // pixel centre from (4, 4) to (60, 44).
    template <class Depth>
    Draw plane(D3DCOLOR diffuse, Depth depthAt) {
        Draw d;
        d.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
        d.world = d.view = identity();
        D3DXMATRIX ortho;
        d.projection = *D3DXMatrixOrthoLH(&ortho, float(scene.width), float(scene.height), 0.0f, 10.0f);
        auto at = [&](int px, int py) {
            const float x = float(px) - float(scene.width) / 2, y = float(scene.height) / 2 - float(py);
            return Vertex{x, y, depthAt(x), 0, 0, -1, diffuse};
        };
        for (int py = 4; py < 44; py += 8) {
            for (int px = 4; px < 60; px += 8) {
                const Vertex a = at(px, py), b = at(px + 8, py), c = at(px, py + 8), e = at(px + 8, py + 8);
                d.vertices.insert(d.vertices.end(), {a, b, c, b, e, c});  // clockwise on screen
            }
        }
        return d;
    }

    Image render() {
        DeviceRenderer device(scene);
        EXPECT_TRUE(device.error().empty()) << device.error();
        EXPECT_TRUE(device.render()) << device.error();
        return device.read();
    }

    Scene scene;
};

void expectColor(const Image& image, UINT x, UINT y, int r, int g, int b) {
    const uint32_t p = image.at(x, y);
    EXPECT_NEAR(int(p >> 16 & 0xFF), r, 1) << "red at " << x << ", " << y;
    EXPECT_NEAR(int(p >> 8 & 0xFF), g, 1) << "green at " << x << ", " << y;
    EXPECT_NEAR(int(p & 0xFF), b, 1) << "blue at " << x << ", " << y;
}

// A spot light 25 units in front of the plane, pointing straight at it, with a 40 degree
// inner and 80 degree outer cone and falloff 2. At a vertex r units off the axis
// rho = 25 / sqrt(r^2 + 625) = N.L; the spot factor is 1 inside cos 20 = 0.9397, 0 outside
// cos 40 = 0.7660 and ((rho - 0.7660) / (0.9397 - 0.7660))^2 between. Colour = ambient
// 40/255 + factor x rho x (0.8, 0.6, 0.4).
TEST_F(HandComputed, SpotLightConeAndFalloff) {
    D3DLIGHT8 spot{};
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = color(1, 1, 1);
    spot.Position = {0, 0, -20};
    spot.Direction = {0, 0, 1};
    spot.Range = 1000;
    spot.Attenuation0 = 1;
    spot.Theta = 40.0f * 0.017453292f;
    spot.Phi = 80.0f * 0.017453292f;
    spot.Falloff = 2;
    scene.lights = {spot};
    Draw d = plane(0xFFFFFFFF, [](float) { return 5.0f; });
    d.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    d.material = material(color(0.8f, 0.6f, 0.4f), color(1, 1, 1));
    d.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00282828}};
    d.stageStates = {{D3DTSS_COLOROP, D3DTOP_SELECTARG2}};
    scene.draws = {d};
    const Image image = render();
    expectColor(image, 36, 20, 239, 189, 139);  // r = 5.7: inside, rho 0.9753
    expectColor(image, 44, 20, 136, 112, 88);   // r = 12.6: rho 0.8923, factor 0.5285
    expectColor(image, 28, 36, 136, 112, 88);   // the same radius on the other side
    expectColor(image, 44, 12, 61, 56, 51);     // r = 17.0: rho 0.8274, factor 0.1248
    expectColor(image, 52, 12, 40, 40, 40);     // r = 23.3: outside, ambient only
}

// Linear vertex fog from 1 to 9 in camera-space z towards blue: f = (9 - z) / 8, clamped
// to 0..1, and colour = f x red + (1 - f) x blue.
TEST_F(HandComputed, LinearVertexFog) {
    // Depth steps with x: columns at x = -28, -20, ... see z = 0.5, 2, 5.2, 8, 9.5 and a
    // slope between, so the fog is also checked where it is interpolated.
    Draw d = plane(0xFFFF0000, [](float x) {
        if (x < -24) return 0.5f;
        if (x < -16) return 2.0f;
        if (x < -8) return 5.2f;
        if (x < 0) return 8.0f;
        return 9.5f;
    });
    d.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    d.renderStates = {{D3DRS_LIGHTING, FALSE},
                      {D3DRS_FOGENABLE, TRUE},
                      {D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR},
                      {D3DRS_FOGCOLOR, 0x000000FF},
                      {D3DRS_FOGSTART, std::bit_cast<DWORD>(1.0f)},
                      {D3DRS_FOGEND, std::bit_cast<DWORD>(9.0f)}};
    d.stageStates = {{D3DTSS_COLOROP, D3DTOP_SELECTARG2}};
    scene.draws = {d};
    const Image image = render();
    expectColor(image, 4, 20, 255, 0, 0);       // z = 0.5: before the start, no fog
    expectColor(image, 12, 20, 223, 0, 32);     // z = 2: f = 0.875
    expectColor(image, 20, 20, 121, 0, 134);    // z = 5.2: f = 0.475
    expectColor(image, 16, 20, 172, 0, 83);     // halfway: f = (0.875 + 0.475) / 2
    expectColor(image, 28, 20, 32, 0, 223);     // z = 8: f = 0.125
    expectColor(image, 36, 20, 0, 0, 255);      // z = 9.5: past the end, all fog
}

}  // namespace
}  // namespace kvtest::scene3d
