// pkg-config: tovren
// A game-shaped client built only against the installed engine: offscreen window, device,
// a sprite, a line of text and a screenshot that must come out as a readable BMP.
#include <tovren/tovren.h>

#include <platform/window.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "tovren client: %s\n", what);
    return 1;
}

uint32_t little32(const std::vector<unsigned char>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

}  // namespace

int main() {
    const uint16_t width = 320, height = 200;
    HWND window = platform::createOffscreenWindow(width, height);
    cTOVREN_GraphiX gfx;
    if (gfx.Init(window, width, height, 32, 60, false) != 0) return fail("Init failed");

    std::vector<uint8_t> pixels(64 * 64 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 0x00;      // blue
        pixels[i + 1] = 0xC0;  // green
        pixels[i + 2] = 0xFF;  // red
        pixels[i + 3] = 0xFF;  // alpha
    }
    cTOVREN_Sprite sprite;
    if (sprite.Create(pixels.data(), 64, 64) != 0) return fail("sprite Create failed");
    cTOVREN_FontTTF font;
    font.Create("DejaVu Sans", -16, 1);

    const RECT screen{0, 0, width, height};
    gfx.SetClearColor(0x203040u);
    gfx.DrawBegin();
    const bool drawn = sprite.Draw(20, 30, RECT{0, 0, 64, 64}, screen, 0) &&
                       sprite.Draw(150, 60, RECT{0, 0, 64, 64}, screen, 1.5f, 1.5f, D3DXVECTOR2(48, 48), 0.5f, 0,
                                   0xFFFFFFFF);
    font.Print(RECT{10, 170, 300, 190}, 0xFFFFFFFF, "Tovren %u", TOVREN_GetVersion);
    gfx.DrawFinish();
    gfx.MakeScreenShot("tovren-client.bmp");

    font.Release();
    sprite.Release();
    gfx.Uninit();
    platform::destroyWindow(window);
    if (!drawn) return fail("sprites were not drawn");

    std::ifstream file("tovren-client.bmp", std::ios::binary);
    const std::vector<unsigned char> bmp{std::istreambuf_iterator<char>(file), {}};
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return fail("screenshot is not a BMP");
    if (little32(bmp, 18) != width || little32(bmp, 22) != height) return fail("screenshot has the wrong size");
    // Bottom-up rows: the sprite's pixel (30, 50) is in file row height - 1 - 50.
    const uint32_t bits = bmp[28] | bmp[29] << 8;
    const size_t stride = ((width * bits + 31) / 32) * 4;
    const size_t at = little32(bmp, 10) + (height - 1 - 50) * stride + 30 * (bits / 8);
    if (at + 3 > bmp.size() || bmp[at] != 0x00 || bmp[at + 1] != 0xC0 || bmp[at + 2] != 0xFF) {
        return fail("the sprite is not in the screenshot");
    }
    std::puts("tovren client: ok");
    return 0;
}
