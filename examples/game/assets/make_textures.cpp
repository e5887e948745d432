// Paints the pictures of the glider game into the folder named on the command line:
//   sky_front.tga ... sky_right.tga  the four sides of an evening sky box (KaldorGL, TGA)
//   sky_top.kvi, sky_bottom.kvi      its top and bottom (kvICoder, KVI)
//   emblem.tga                       the title screen's emblem, with an alpha channel
//   crystal_icon.kvi                 the score panel's crystal
// Every picture is computed, so the repository holds the recipe and not the pixels.
#include <kaldorgl/kaldorgl.h>
#include <kvi_io.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSkySide = 256;

struct Colour {
    float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A picture in the order the suite's writers take: R, G, B, A bytes, rows top first.
struct Picture {
    uint32_t width, height;
    std::vector<uint8_t> rgba;

    Picture(uint32_t w, uint32_t h) : width(w), height(h), rgba(size_t(w) * h * 4, 0) {}
    void put(uint32_t x, uint32_t y, Colour c, float alpha = 1) {
        uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        p[0] = uint8_t(std::clamp(c.r, 0.0f, 255.0f));
        p[1] = uint8_t(std::clamp(c.g, 0.0f, 255.0f));
        p[2] = uint8_t(std::clamp(c.b, 0.0f, 255.0f));
        p[3] = uint8_t(std::clamp(alpha, 0.0f, 1.0f) * 255);
    }
};

constexpr Colour kZenith{30, 40, 110};
constexpr Colour kGlow{250, 170, 110};   // the horizon towards the setting sun
constexpr Colour kDusk{150, 120, 170};   // the horizon elsewhere
constexpr Colour kHills{60, 70, 95};

// The far hills' outline: a sum of waves that runs once round all four sides (`around` is
// 0..4), so that neighbouring sides join.
float hillTop(float around) {
    const float a = around * 2 * 3.14159265f / 4;
    return 0.08f + 0.05f * std::sin(3 * a) + 0.03f * std::sin(7 * a + 1) + 0.015f * std::sin(19 * a + 2);
}

// Side `index` (front 0, right 1, back 2, left 3): a gradient from the zenith to the horizon,
// warmer on the front where the sun goes down, with hills below the horizon line.
Picture side(int index) {
    Picture picture(kSkySide, kSkySide);
    for (uint32_t y = 0; y < kSkySide; ++y) {
        const float height = 1.0f - 2.0f * (float(y) + 0.5f) / kSkySide;  // +1 top, -1 bottom
        for (uint32_t x = 0; x < kSkySide; ++x) {
            const float around = float(index) + (float(x) + 0.5f) / kSkySide;
            // How much this column faces the sun, which stands in the middle of the front side.
            const float facing = 0.5f + 0.5f * std::cos((around - 0.5f) * 2 * 3.14159265f / 4);
            const Colour horizon = mix(kDusk, kGlow, facing * facing);
            Colour c = mix(horizon, kZenith, std::pow(std::max(height, 0.0f), 0.5f));
            if (index == 0) {
                const float dx = float(x) - kSkySide * 0.5f, dy = float(y) - kSkySide * 0.45f;
                c = mix(c, Colour{255, 235, 180}, std::exp(-(dx * dx + dy * dy) / 120.0f) * 1.4f);
            }
            // The hills' outline is smoothed over about a texel so that it does not stair-step.
            const float hills = std::clamp((hillTop(around) - height) * kSkySide / 2 + 0.5f, 0.0f, 1.0f);
            c = mix(c, mix(kHills, Colour{40, 45, 60}, -height * 2), hills);
            picture.put(x, y, c);
        }
    }
    return picture;
}

// Top and bottom: one colour fading to `edge` at the border.
Picture cap(Colour centre, Colour edge) {
    Picture picture(kSkySide, kSkySide);
    for (uint32_t y = 0; y < kSkySide; ++y) {
        for (uint32_t x = 0; x < kSkySide; ++x) {
            const float dx = std::abs(float(x) / kSkySide - 0.5f), dy = std::abs(float(y) / kSkySide - 0.5f);
            picture.put(x, y, mix(centre, edge, std::max(dx, dy) * 2));
        }
    }
    return picture;
}

// How far inside the triangle a point is (positive inside), from its three edge functions.
float insideTriangle(float px, float py, const float (&t)[6]) {
    float inside = 1e9f;
    for (int i = 0; i < 3; ++i) {
        const float ax = t[2 * i], ay = t[2 * i + 1], bx = t[(2 * i + 2) % 6], by = t[(2 * i + 3) % 6];
        const float length = std::hypot(bx - ax, by - ay);
        inside = std::min(inside, ((bx - ax) * (py - ay) - (by - ay) * (px - ax)) / length);
    }
    return inside;
}

// A glider seen from above inside a golden ring, on a transparent background.
Picture emblem() {
    constexpr uint32_t kSide = 96;
    Picture picture(kSide, kSide);
    const float wing[6] = {48, 14, 82, 70, 14, 70};  // clockwise in picture coordinates
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float r = std::hypot(px - 48, py - 48);
            const float ring = std::clamp(4 - std::abs(r - 42), 0.0f, 1.0f);
            const float disc = std::clamp(40 - r, 0.0f, 1.0f);
            const float plane = std::clamp(insideTriangle(px, py, wing) + 0.5f, 0.0f, 1.0f);
            Colour c = mix(Colour{40, 60, 120}, Colour{90, 140, 210}, (96 - py) / 96);
            c = mix(c, Colour{250, 250, 245}, plane);
            c = mix(c, Colour{255, 200, 70}, ring);
            picture.put(x, y, c, std::max(disc * 0.9f, ring));
        }
    }
    return picture;
}

// The crystal as the HUD shows it: a cyan diamond on the panel's dark blue.
Picture crystalIcon() {
    constexpr uint32_t kSide = 32;
    Picture picture(kSide, kSide);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const float dx = std::abs(float(x) + 0.5f - 16) / 9, dy = std::abs(float(y) + 0.5f - 16) / 14;
            const float inside = std::clamp((1 - dx - dy) * 8, 0.0f, 1.0f);
            const float light = x < 16 ? 1.0f : 0.7f;  // one facet lit, one in shade
            picture.put(x, y, mix(Colour{10, 30, 60}, Colour{90 * light, 220 * light, 255 * light}, inside));
        }
    }
    return picture;
}

bool saveKaldorGL(const std::string& path, const Picture& picture) {
    CKaldorGL writer;
    return writer.SaveImageToFileBPP(path.c_str(), picture.rgba.data(), picture.width, picture.height,
                                     KDGL_TYPE_32BIT) == KDGL_OK;
}

// B1 at quality 90, the pixels' B, G, R order kept in the file.
const kvi_io::SaveSettings kKviSettings{KVI_MODE_B1, 90, 24, KVI_COLOR_BGRA};

bool saveKvi(const std::string& path, const Picture& picture) {
    return kvi_io::saveKviRgba(path.c_str(), picture.rgba.data(), picture.width, picture.height, kKviSettings).ok();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_textures FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const char* const sides[] = {"sky_front.tga", "sky_right.tga", "sky_back.tga", "sky_left.tga"};
    bool ok = true;
    for (int i = 0; i < 4; ++i) ok = ok && saveKaldorGL(dir + "/" + sides[i], side(i));
    ok = ok && saveKvi(dir + "/sky_top.kvi", cap(Colour{20, 25, 80}, kZenith)) &&
         saveKvi(dir + "/sky_bottom.kvi", cap(Colour{40, 45, 60}, Colour{40, 45, 60})) &&
         saveKaldorGL(dir + "/emblem.tga", emblem()) && saveKvi(dir + "/crystal_icon.kvi", crystalIcon());
    if (!ok) {
        std::fprintf(stderr, "make_textures: cannot write the pictures into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
