// The sky box: its vertex table, the SkyAmbient file and the state Draw leaves.
#include <tovren/camera.h>
#include <tovren/sky.h>

#include "kaldorgl_fixture.h"
#include "render_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tovtest::RenderTest;

constexpr const char* kPlanes[6] = {"FrontPlane", "BackPlane", "LeftPlane", "RightPlane", "TopPlane", "BottomPlane"};

class SkyTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        // Six one-pixel pictures, each of its own colour.
        for (int i = 0; i < 6; ++i) {
            const uint8_t c = static_cast<uint8_t>(40 * (i + 1));
            textures[i] = dir.file("plane" + std::to_string(i) + ".bmp");
            kvtest::writeFile(textures[i], kdgltest::bmpFile(1, 1, 24, {}, {c, c, c, 0}));
        }
    }
    void TearDown() override {
        sky.Release();
        RenderTest::TearDown();
    }

    // A SkyAmbient file whose planes use the six pictures, with `sky` as the Sky element.
    std::string xml(const std::string& skyElement, double frontDisplacement = 0.01, double topDisplacement = 0.2) {
        std::string text = "<?xml version=\"1.0\"?>\n<SkyAmbient>\n  " + skyElement + "\n";
        for (int i = 0; i < 6; ++i) {
            const double displacement = i == 0 ? frontDisplacement : i == 4 ? topDisplacement : 0.3;
            text += "  <" + std::string(kPlanes[i]) + " texture=\"" + textures[i] + "\" displacement=\"" +
                    std::to_string(displacement) + "\"/>\n";
        }
        return text + "</SkyAmbient>\n";
    }
    uint32_t loadText(const std::string& text) {
        const std::string path = dir.file("sky.xml");
        kvtest::writeFile(path, kvtest::Bytes(text.begin(), text.end()));
        return sky.LoadSkyAmbientFromXML(path.c_str());
    }

    // The shared box as Draw hands it to the device: 24 vertices of x, y, z, u, v.
    std::vector<std::array<float, 5>> box() {
        sky.Draw({0, 0, 0});
        std::vector<std::array<float, 5>> vertices;
        IDirect3DVertexBuffer8* buffer = nullptr;
        UINT stride = 0;
        devices.device->GetStreamSource(0, &buffer, &stride);
        if (!buffer) return vertices;
        EXPECT_EQ(stride, 20u);
        D3DVERTEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        EXPECT_EQ(desc.Size, 480u);
        EXPECT_EQ(desc.FVF, DWORD{D3DFVF_XYZ | D3DFVF_TEX1});
        BYTE* data = nullptr;
        if (SUCCEEDED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY))) {
            vertices.resize(24);
            std::memcpy(vertices.data(), data, 480);
            buffer->Unlock();
        }
        buffer->Release();
        return vertices;
    }

    kvtest::TempDir dir;
    std::string textures[6];
    cTOVREN_Sky sky;
};

TEST_F(SkyTest, CreateBuildsTheBoxOfTheTable) {
    ASSERT_EQ(sky.Create(TOVREN_SKY_BOX, 100, 0.001f), 0u);
    const float d = 100, s = 0.001f, f = 1 - 0.001f;
    const float expected[24][5] = {
        {-d, d, d, s, s},   {d, d, d, f, s},   {-d, -d, d, s, f},   {d, -d, d, f, f},    // front
        {d, d, -d, s, s},   {-d, d, -d, f, s}, {d, -d, -d, s, f},   {-d, -d, -d, f, f},  // back
        {-d, d, -d, s, s},  {-d, d, d, f, s},  {-d, -d, -d, s, f},  {-d, -d, d, f, f},   // left
        {d, d, d, s, s},    {d, d, -d, f, s},  {d, -d, d, s, f},    {d, -d, -d, f, f},   // right
        {-d, d, -d, f, f},  {d, d, -d, s, f},  {-d, d, d, f, s},    {d, d, d, s, s},     // top
        {-d, -d, d, f, f},  {d, -d, d, s, f},  {-d, -d, -d, f, s},  {d, -d, -d, s, s},   // bottom
    };
    const auto vertices = box();
    ASSERT_EQ(vertices.size(), 24u);
    for (size_t v = 0; v < 24; ++v)
        for (size_t c = 0; c < 5; ++c) EXPECT_EQ(vertices[v][c], expected[v][c]) << "vertex " << v << " item " << c;
    EXPECT_EQ(vertices[0], (std::array<float, 5>{-100, 100, 100, 0.001f, 0.001f}));
    EXPECT_EQ(vertices[3], (std::array<float, 5>{100, -100, 100, 0.999f, 0.999f}));

    // Another kind builds nothing and leaves the box as it was.
    EXPECT_EQ(sky.Create(1, 5, 0.25f), 0u);
    EXPECT_EQ(box()[0][0], -100.0f);
    // A second sky object shares the box instead of losing it.
    cTOVREN_Sky other;
    EXPECT_EQ(box()[0][0], -100.0f);
    ASSERT_EQ(other.Create(TOVREN_SKY_BOX, 7, 0.5f), 0u);
    EXPECT_EQ(box()[0][0], -7.0f);
}

TEST_F(SkyTest, SkyAmbientFileLoadsTexturesAndBuildsTheBox) {
    ASSERT_EQ(loadText(xml("<Sky type=\"BOX\" distance=\"250.5\"/>", 0.125, 0.4)), 0u);
    for (cTOVREN_Texture* plane : {&sky.front, &sky.back, &sky.left, &sky.right, &sky.top, &sky.bottom}) {
        EXPECT_NE(plane->texture, nullptr);
        EXPECT_EQ(plane->width, 1u);
    }
    const auto vertices = box();
    ASSERT_EQ(vertices.size(), 24u);
    EXPECT_EQ(vertices[0], (std::array<float, 5>{-250.5f, 250.5f, 250.5f, 0.125f, 0.125f}));
    EXPECT_EQ(vertices[19], (std::array<float, 5>{250.5f, 250.5f, 250.5f, 0.125f, 0.125f}));  // not the top's 0.4
}

TEST_F(SkyTest, TypesThatArePrefixesOfBoxAreAccepted) {
    for (const char* element : {"<Sky type=\"B\" distance=\"5\"/>", "<Sky type=\"BO\" distance=\"5\"/>",
                                "<Sky type=\"\" distance=\"5\"/>", "<Sky distance=\"5\"/>"}) {
        EXPECT_EQ(loadText(xml(element)), 0u) << element;
    }
    for (const char* element : {"<Sky type=\"box\" distance=\"5\"/>", "<Sky type=\"BOXES\" distance=\"5\"/>",
                                "<Sky type=\"X\" distance=\"5\"/>"}) {
        EXPECT_EQ(loadText(xml(element)), 0xFFFFFFFFu) << element;
    }
    // A missing distance counts as 0.
    ASSERT_EQ(loadText(xml("<Sky type=\"BOX\"/>")), 0u);
    EXPECT_EQ(box()[0][0], 0.0f);
}

TEST_F(SkyTest, MissingElementsAndAttributes) {
    EXPECT_EQ(loadText("<Other/>"), 0x40000001u);
    const std::string noSky = xml("<NotSky/>");
    EXPECT_EQ(loadText(noSky), 0x40000002u);
    // A plane inside Sky instead of beside it is not found.
    std::string nested = xml("<Sky type=\"BOX\" distance=\"5\"><BottomPlane texture=\"" + textures[5] + "\"/></Sky>");
    nested.erase(nested.find("  <BottomPlane texture=\"" + textures[5] + "\" displacement"),
                 nested.find("</SkyAmbient>") - nested.find("  <BottomPlane texture=\"" + textures[5] + "\" displacement"));
    EXPECT_EQ(loadText(nested), 0x40000002u);
    // A plane without a texture name.
    std::string noTexture = xml("<Sky type=\"BOX\" distance=\"5\"/>");
    noTexture.replace(noTexture.find("texture=\"" + textures[2] + "\""), textures[2].size() + 10, "");
    EXPECT_EQ(loadText(noTexture), 0x40000002u);
    // A texture name longer than 259 characters is refused rather than cut.
    std::string longName = xml("<Sky type=\"BOX\" distance=\"5\"/>");
    longName.replace(longName.find(textures[3]), textures[3].size(), dir.file(std::string(255, 'n') + ".bmp"));
    EXPECT_EQ(loadText(longName), 2u);
}

TEST_F(SkyTest, UnreadableFilesAndPlanesThatFailToLoad) {
    EXPECT_EQ(sky.LoadSkyAmbientFromXML(dir.file("missing.xml").c_str()), 3u);
    EXPECT_EQ(sky.LoadSkyAmbientFromXML(nullptr), 3u);
    EXPECT_EQ(loadText("<SkyAmbient><Sky type=\"BOX\"></SkyAmbient>"), 3u);  // not well-formed
    // Deeper than 64 elements, or larger than 1 MiB: refused before parsing.
    std::string deep;
    for (int i = 0; i < 65; ++i) deep += "<SkyAmbient>";
    for (int i = 0; i < 65; ++i) deep += "</SkyAmbient>";
    EXPECT_EQ(loadText(deep), 3u);
    std::string large = xml("<Sky type=\"BOX\" distance=\"5\"/>");
    large.insert(large.find("</SkyAmbient>"), "<!--" + std::string(1 << 20, '-').replace(0, 2, "xx") + "-->");
    EXPECT_EQ(loadText(large), 3u);

    // The back texture fails: front stays loaded, the rest is not attempted, the code comes back.
    std::string badBack = xml("<Sky type=\"BOX\" distance=\"5\"/>");
    badBack.replace(badBack.find(textures[1]), textures[1].size(), dir.file("missing.tga"));
    EXPECT_EQ(loadText(badBack), 3u);
    EXPECT_NE(sky.front.texture, nullptr);
    for (cTOVREN_Texture* plane : {&sky.back, &sky.left, &sky.right, &sky.top, &sky.bottom}) {
        EXPECT_EQ(plane->texture, nullptr);
    }
    EXPECT_TRUE(box().empty());  // no box either
}

TEST_F(SkyTest, DrawLeavesLightingOffTheWorldAtIdentityAndARotationOnlyView) {
    ASSERT_EQ(loadText(xml("<Sky type=\"BOX\" distance=\"50\"/>")), 0u);
    IDirect3DDevice8* device = devices.device;
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    cTOVREN_Camera camera;
    camera.position = {10, 20, 30};
    camera.viewAngles = {-20, 35, 0};
    sky.Draw(camera.viewAngles);

    DWORD lighting = TRUE;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, DWORD{FALSE});
    D3DXMATRIX world, skyView, identity;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, *D3DXMatrixIdentity(&identity));
    device->GetTransform(D3DTS_VIEW, &skyView);
    // The camera's view without its translation.
    camera.Apply();
    D3DXMATRIX cameraView;
    device->GetTransform(D3DTS_VIEW, &cameraView);
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(skyView.m[i / 4][i % 4], cameraView.m[i / 4][i % 4], 1e-6f) << i;
    EXPECT_EQ(skyView._41, 0.0f);
    EXPECT_EQ(skyView._42, 0.0f);
    EXPECT_EQ(skyView._43, 0.0f);
    EXPECT_EQ(skyView._44, 1.0f);
    // The bottom plane is drawn last.
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, sky.bottom.texture);
    if (bound) bound->Release();

    // Unlike the camera, the sky turns about z as well: a roll of 90 puts the right vector up.
    sky.Draw({0, 0, 90});
    device->GetTransform(D3DTS_VIEW, &skyView);
    EXPECT_NEAR(skyView._21, 1.0f, 1e-6f);

    sky.Release();
    for (cTOVREN_Texture* plane : {&sky.front, &sky.back, &sky.left, &sky.right, &sky.top, &sky.bottom}) {
        EXPECT_EQ(plane->texture, nullptr);
    }
}

TEST(SkyWithoutDevice, CreateReportsTheVertexBuffer) {
    cTOVREN_Sky sky;
    for (const cTOVREN_Texture* plane : {&sky.front, &sky.back, &sky.left, &sky.right, &sky.top, &sky.bottom}) {
        EXPECT_EQ(plane->texture, nullptr);
        EXPECT_EQ(plane->image.pixels, nullptr);  // nothing a first load would free
    }
    EXPECT_EQ(sky.Create(TOVREN_SKY_BOX, 10, 0), 0x10000010u);
    EXPECT_EQ(sky.Create(0x3E, 10, 0), 0u);
    sky.Draw({0, 0, 0});
    sky.Release();
}

}  // namespace
