// pkg-config: tovren
// A 3D client built only against the installed engine: it writes a model, six sky textures
// and a SkyAmbient file, loads them, draws a frame, picks the model's triangle under the
// centre and checks the screenshot.
#include <tovren/tovren.h>

#include <platform/window.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "tovren scene client: %s\n", what);
    return 1;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void putFloats(std::vector<uint8_t>& out, std::initializer_list<float> values) {
    for (float f : values) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put32(out, bits);
    }
}

bool write(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

// A square of side 2 at z = 0 whose front faces -z: "MVO" 1.1, one object, 4 vertices,
// 2 faces, no texture coordinates.
bool writeSquare(const char* path) {
    std::vector<uint8_t> mvo = {'M', 'V', 'O', 1, 1, 1, 0};
    put32(mvo, 4);
    put32(mvo, 2);
    put32(mvo, 0);
    putFloats(mvo, {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0});
    putFloats(mvo, {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1});
    for (uint32_t index : {0, 1, 2, 0, 2, 3}) put32(mvo, index);
    return write(path, mvo);
}

// An uncompressed 2 x 2 Targa picture of one colour.
bool writeTga(const char* path, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
    for (int i = 0; i < 4; ++i) tga.insert(tga.end(), {b, g, r});
    return write(path, tga);
}

uint32_t little32(const std::vector<unsigned char>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

// The screenshot's pixel (x, y) as 0xRRGGBB.
uint32_t screenshotPixel(const std::vector<unsigned char>& bmp, uint32_t x, uint32_t y) {
    const uint32_t width = little32(bmp, 18), height = little32(bmp, 22), bits = bmp[28];
    const size_t stride = ((width * bits + 31) / 32) * 4;
    const size_t at = little32(bmp, 10) + (height - 1 - y) * stride + x * (bits / 8);
    return at + 3 <= bmp.size() ? uint32_t(bmp[at + 2]) << 16 | uint32_t(bmp[at + 1]) << 8 | bmp[at] : 0;
}

}  // namespace

int main() {
    const char* planes[6] = {"client-front.tga", "client-back.tga", "client-left.tga",
                             "client-right.tga", "client-top.tga",  "client-bottom.tga"};
    std::string xml = "<SkyAmbient>\n  <Sky type=\"BOX\" distance=\"500\"/>\n";
    const char* elements[6] = {"FrontPlane", "BackPlane", "LeftPlane", "RightPlane", "TopPlane", "BottomPlane"};
    for (int i = 0; i < 6; ++i) {
        if (!writeTga(planes[i], uint8_t(40 * i), 0x80, 0xC0)) return fail("cannot write a sky texture");
        xml += std::string("  <") + elements[i] + " texture=\"" + planes[i] + "\" displacement=\"0.01\"/>\n";
    }
    xml += "</SkyAmbient>\n";
    if (!write("client-sky.xml", std::vector<uint8_t>(xml.begin(), xml.end())) || !writeSquare("client-square.mvo")) {
        return fail("cannot write the scene files");
    }

    const uint16_t width = 160, height = 120;
    HWND window = platform::createOffscreenWindow(width, height);
    cTOVREN_GraphiX gfx;
    if (gfx.Init(window, width, height, 32, 60, false) != 0) return fail("Init failed");
    gfx.SetPerspective(1.0f, 5000.0f, 1.2f);
    cTOVREN_Sky sky;
    cTOVREN_Model model;
    cTOVREN_Texture texture;
    if (sky.LoadSkyAmbientFromXML("client-sky.xml") != 0) return fail("the sky did not load");
    if (model.Load("client-square.mvo") != 0) return fail("the model did not load");
    if (texture.LoadFromFile("client-front.tga", true) != 0 || texture.width != 2) return fail("the texture did not load");

    cTOVREN_GFXDEVICES devices{};
    gfx.GetDevices(&devices);
    D3DMATERIAL8 white{};
    white.Emissive = {1.0f, 1.0f, 1.0f, 1.0f};
    devices.device->SetMaterial(&white);
    cTOVREN_Camera camera;
    cTOVREN_Light light;
    const TOVREN_fCoord3 position{0, 0, 5}, rotation{0, 0, 0};

    gfx.DrawBegin();
    sky.Draw(camera.viewAngles);
    camera.Apply();
    light.UseLighting(true);
    model.Draw(position, rotation);
    gfx.DrawFinish();
    gfx.MakeScreenShot("tovren-scene-client.bmp");

    cTOVREN_Intersection picker;
    const bool centre = picker.PickTriangle(model, width / 2, height / 2, width, height);
    const bool corner = picker.PickTriangle(model, 2, 2, width, height);

    texture.Release();
    model.Delete();
    sky.Release();
    gfx.Uninit();
    platform::destroyWindow(window);
    if (!centre || corner) return fail("PickTriangle does not find the square under the centre only");

    std::ifstream file("tovren-scene-client.bmp", std::ios::binary);
    const std::vector<unsigned char> bmp{std::istreambuf_iterator<char>(file), {}};
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return fail("the screenshot is not a BMP");
    if (screenshotPixel(bmp, width / 2, height / 2) != 0xFFFFFF) return fail("the model is not in the middle of the frame");
    if (screenshotPixel(bmp, 4, height / 2) != 0x0080C0) {
        return fail("the sky is not around the model");
    }
    std::puts("tovren scene client: ok");
    return 0;
}
