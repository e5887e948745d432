// Frames drawn through the engine's 3D classes, compared with pictures worked out here from
// the geometry and the lighting formula: which sky plane each pixel's ray meets, and the
// colour of a lit face. Pixels next to a projected edge are left out.
#include <tovren/tovren.h>

#include "kaldorgl_fixture.h"
#include "mesh_file.h"
#include "render_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using tovtest::RenderTest;

// Six one-colour planes, front to bottom.
constexpr uint32_t kPlaneColours[6] = {0xFFC03020, 0xFF20C030, 0xFF3020C0, 0xFFC0C020, 0xFF20C0C0, 0xFFC020C0};
constexpr float kFov = 2.0f;  // radians: wide enough that every plane of the box shows

class ScenePictureTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        gfx.SetPerspective(1.0f, 5000.0f, kFov);
        devices.device->GetTransform(D3DTS_PROJECTION, &projection);
    }
    void TearDown() override {
        sky.Release();
        model.Delete();
        RenderTest::TearDown();
    }

    void loadSky() {
        const char* names[6] = {"f.bmp", "b.bmp", "l.bmp", "r.bmp", "t.bmp", "u.bmp"};
        std::string paths[6];
        for (int i = 0; i < 6; ++i) {
            const uint32_t c = kPlaneColours[i];
            const uint8_t b = uint8_t(c), g = uint8_t(c >> 8), r = uint8_t(c >> 16);
            paths[i] = dir.file(names[i]);
            kvtest::writeFile(paths[i], kdgltest::bmpFile(2, 2, 24, {}, {b, g, r, b, g, r, 0, 0, b, g, r, b, g, r, 0, 0}));
        }
        ASSERT_EQ(sky.Box_LoadPlanesFromFile(paths[0].c_str(), paths[1].c_str(), paths[2].c_str(), paths[3].c_str(),
                                             paths[4].c_str(), paths[5].c_str()),
                  0u);
        ASSERT_EQ(sky.Create(TOVREN_SKY_BOX, 1000, 0.01f), 0u);
    }

    // The view-space ray through the centre of pixel (x, y), as the projection defines it.
    D3DXVECTOR3 viewRay(int x, int y) const {
        return D3DXVECTOR3((2.0f * float(x) / kWidth - 1.0f) / projection._11,
                           -(2.0f * float(y) / kHeight - 1.0f) / projection._22, 1.0f);
    }

    // The plane of an axis-aligned box that the world-space direction meets first, or -1
    // when two planes are within `margin` of each other (an edge of the picture).
    static int planeOf(const D3DXVECTOR3& d, float margin) {
        const float ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
        const float largest = std::max({ax, ay, az});
        int near = 0;
        for (float a : {ax, ay, az}) near += a > largest * (1 - margin);
        if (near > 1) return -1;
        if (largest == az) return d.z > 0 ? 0 : 1;
        if (largest == ax) return d.x < 0 ? 2 : 3;
        return d.y > 0 ? 4 : 5;
    }

    // Compares every pixel whose ray clearly meets one plane; `toWorld` turns a view-space
    // direction into the world.
    template <class ToWorld>
    void expectSkyPlanes(ToWorld toWorld, const char* what) {
        const std::vector<uint32_t> frame = backBuffer();
        int compared = 0, wrong = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int plane = planeOf(toWorld(viewRay(x, y)), 0.03f);
                if (plane < 0) continue;
                ++compared;
                if (frame[size_t(y) * kWidth + x] != kPlaneColours[plane] && wrong++ < 5) {
                    ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex
                                  << frame[size_t(y) * kWidth + x] << ", plane " << plane << " is " << kPlaneColours[plane];
                }
            }
        }
        EXPECT_GT(compared, kWidth * kHeight * 8 / 10) << what;
        EXPECT_EQ(wrong, 0) << what;
    }

    kvtest::TempDir dir;
    D3DXMATRIX projection;
    cTOVREN_Sky sky;
    cTOVREN_Model model;
};

TEST_F(ScenePictureTest, EachPixelShowsTheSkyPlaneItsRayMeets) {
    loadSky();
    beginFrame(0x000000);
    sky.Draw({0, 0, 0});
    expectSkyPlanes([](D3DXVECTOR3 d) { return d; }, "looking ahead");

    // Turned 90 degrees right: view +z is world +x, view +x is world -z.
    beginFrame(0x000000);
    sky.Draw({0, 90, 0});
    expectSkyPlanes([](D3DXVECTOR3 d) { return D3DXVECTOR3(d.z, d.y, -d.x); }, "turned right");

    // Looking straight up: view +z is world +y, view +y (up on the screen) is world -z.
    beginFrame(0x000000);
    sky.Draw({-90, 0, 0});
    expectSkyPlanes([](D3DXVECTOR3 d) { return D3DXVECTOR3(d.x, d.z, -d.y); }, "looking up");
}

TEST_F(ScenePictureTest, ALitFaceHasTheColourOfTheLightingFormulaAndPickingAgrees) {
    ASSERT_TRUE(tovtest::writeMvo(dir.file("square.mvo"), tovtest::facingSquare(0)));
    ASSERT_EQ(model.Load(dir.file("square.mvo").c_str()), 0u);
    cTOVREN_Camera camera;
    cTOVREN_Light light;
    TOVREN_LIGHT record{};
    record.kind = TOVREN_LIGHT_DIRECTIONAL;
    record.direction = {0, 0, 1};  // straight onto the square's front
    record.diffuse = {1.0f, 0.5f, 0.25f};
    ASSERT_EQ(light.Create(0, record), 0u);
    light.PrepareAndRestore();
    light.SetAmbientLight({0.2f, 0.2f, 0.2f});
    D3DMATERIAL8 material{};
    material.Diffuse = {0.8f, 0.6f, 0.4f, 1.0f};
    material.Ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    devices.device->SetMaterial(&material);

    beginFrame(0x102030);
    camera.Apply();
    light.UseLighting(true);
    const TOVREN_fCoord3 position{0, 0, 4};
    model.Draw(position, {0, 0, 0});
    // ambient x material ambient + light diffuse x material diffuse x (N . L = 1):
    // (0.1 + 0.8, 0.1 + 0.3, 0.1 + 0.1) of 255.
    const std::vector<uint32_t> frame = backBuffer();
    const double lit[3] = {0.9 * 255, 0.4 * 255, 0.2 * 255};
    // The square's half-size 1 at distance 4, projected.
    const double halfWidth = kWidth / 2.0 * projection._11 / 4, halfHeight = kHeight / 2.0 * projection._22 / 4;
    int inside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = std::abs(x - kWidth / 2.0), dy = std::abs(y - kHeight / 2.0);
            const uint32_t pixel = frame[size_t(y) * kWidth + x];
            if (dx < halfWidth - 1 && dy < halfHeight - 1) {
                ++inside;
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(double(pixel >> (16 - 8 * c) & 0xFF), lit[c], 1.5) << x << "," << y << " channel " << c;
                }
            } else if (dx > halfWidth + 1 || dy > halfHeight + 1) {
                ASSERT_EQ(pixel, 0xFF102030u) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, 100);

    cTOVREN_Intersection picker;
    model.position = position;
    EXPECT_TRUE(picker.PickTriangle(model, kWidth / 2, kHeight / 2, kWidth, kHeight));
    EXPECT_TRUE(picker.PickTriangle(model, int(kWidth / 2 + halfWidth - 2), kHeight / 2, kWidth, kHeight));
    EXPECT_FALSE(picker.PickTriangle(model, int(kWidth / 2 + halfWidth + 2), kHeight / 2, kWidth, kHeight));
}

TEST_F(ScenePictureTest, TheModelStandsInFrontOfTheSky) {
    loadSky();
    ASSERT_TRUE(tovtest::writeMvo(dir.file("square.mvo"), tovtest::facingSquare(0)));
    ASSERT_EQ(model.Load(dir.file("square.mvo").c_str()), 0u);
    D3DMATERIAL8 material{};
    material.Emissive = {1.0f, 1.0f, 1.0f, 1.0f};
    devices.device->SetMaterial(&material);
    cTOVREN_Camera camera;
    cTOVREN_Light light;

    beginFrame(0x000000);
    sky.Draw(camera.viewAngles);
    camera.Apply();
    light.UseLighting(true);
    model.Draw({0, 0, 4}, {0, 0, 0});
    EXPECT_EQ(pixelAt(kWidth / 2, kHeight / 2), 0xFFFFFFFFu);  // the square, lit by its emission
    EXPECT_EQ(pixelAt(kWidth / 2 + 20, kHeight / 2), kPlaneColours[0]);  // the front plane around it
}

}  // namespace
