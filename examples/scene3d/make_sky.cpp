// Writes the six sky textures of the scene3d example into the folder named on the command
// line: a gradient sky with a sun and clouds, in the three formats the engine reads from
// files the suite writes (TGA and BMP through KaldorGL, KVI through kvICoder); and the
// lake's translucent water, a TGA that repeats seamlessly both ways.
#include <kaldorgl/kaldorgl.h>
#include <kvi_io.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSize = 256;

struct Rgb8 {
    float r, g, b;
};

Rgb8 mix(Rgb8 a, Rgb8 b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Smooth value noise, the same on every run, repeating every `period` cells both ways so
// that the four sides of the sky and the tiles of the water join up.
float hash(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float noise(float x, float y, int period) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - float(ix), fy = y - float(iy);
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto wrap = [period](int c) { return ((c % period) + period) % period; };
    auto at = [&wrap](int cx, int cy) { return hash(wrap(cx), wrap(cy)); };
    const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
    const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

// x runs once round the horizon over four planes: 0 to 4 x kSize.
float clouds(float x, float y) {
    constexpr float kCell = kSize / 4.0f;
    float sum = 0, scale = 1, weight = 0.5f;
    for (int octave = 0; octave < 4; ++octave, scale *= 2, weight *= 0.5f) {
        sum += weight * noise(x / kCell * scale, y / (kCell / 2) * scale, int(16 * scale));
    }
    return std::clamp((sum - 0.45f) * 2.5f, 0.0f, 1.0f);
}

constexpr Rgb8 kZenith{40, 80, 170};
constexpr Rgb8 kHorizon{190, 210, 235};
constexpr Rgb8 kHaze{120, 130, 120};

void put(std::vector<uint8_t>& rgba, uint32_t x, uint32_t y, Rgb8 c) {
    uint8_t* p = &rgba[(size_t(y) * kSize + x) * 4];
    p[0] = uint8_t(c.r);
    p[1] = uint8_t(c.g);
    p[2] = uint8_t(c.b);
    p[3] = 255;
}

// Side plane number `around` (front 0, right 1, back 2, left 3): zenith at the top row, the
// horizon in the middle, haze below it, a band of clouds between.
std::vector<uint8_t> side(int around, bool sun) {
    std::vector<uint8_t> rgba(size_t(kSize) * kSize * 4);
    for (uint32_t y = 0; y < kSize; ++y) {
        const float height = 1.0f - 2.0f * (float(y) + 0.5f) / kSize;  // +1 top, -1 bottom
        const float band = std::clamp(std::min(height * 6, (0.9f - height) * 2), 0.0f, 1.0f);
        for (uint32_t x = 0; x < kSize; ++x) {
            Rgb8 c = height > 0 ? mix(kHorizon, kZenith, std::pow(height, 0.6f)) : mix(kHorizon, kHaze, -height * 4);
            c = mix(c, Rgb8{245, 245, 250}, clouds(float(around * kSize + x), float(y)) * band * 0.85f);
            if (sun) {
                const float dx = float(x) - kSize * 0.7f, dy = float(y) - kSize * 0.3f;
                c = mix(c, Rgb8{255, 250, 215}, std::exp(-(dx * dx + dy * dy) / 300.0f) * 1.5f);
            }
            put(rgba, x, y, c);
        }
    }
    return rgba;
}

// The top and bottom planes: from `edge` at the border to `centre` in the middle.
std::vector<uint8_t> cap(Rgb8 centre, Rgb8 edge) {
    std::vector<uint8_t> rgba(size_t(kSize) * kSize * 4);
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            const float dx = std::abs(float(x) / kSize - 0.5f), dy = std::abs(float(y) / kSize - 0.5f);
            put(rgba, x, y, mix(centre, edge, std::max(dx, dy) * 2));
        }
    }
    return rgba;
}

// Ripples of light on dark blue-green water, three quarters opaque.
std::vector<uint8_t> water() {
    std::vector<uint8_t> rgba(size_t(kSize) * kSize * 4);
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            const float n = 0.6f * noise(float(x) / 32, float(y) / 32, kSize / 32) +
                            0.4f * noise(float(x) / 8, float(y) / 8, kSize / 8);
            put(rgba, x, y, mix(Rgb8{25, 70, 95}, Rgb8{130, 195, 210}, (n - 0.3f) * 1.6f));
            rgba[(size_t(y) * kSize + x) * 4 + 3] = 190;
        }
    }
    return rgba;
}

bool saveKaldorGL(const std::string& path, const std::vector<uint8_t>& rgba) {
    CKaldorGL writer;
    return writer.SaveImageToFileBPP(path.c_str(), rgba.data(), kSize, kSize, KDGL_TYPE_32BIT) == KDGL_OK;
}

bool saveKvi(const std::string& path, const std::vector<uint8_t>& rgba) {
    const kvi_io::SaveSettings settings{KVI_MODE_B1, 90, 24, KVI_COLOR_BGRA};
    return kvi_io::saveKviRgba(path.c_str(), rgba.data(), kSize, kSize, settings).ok();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sky FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = saveKaldorGL(dir + "/sky_front.tga", side(0, true)) &&
                    saveKaldorGL(dir + "/sky_right.bmp", side(1, false)) &&
                    saveKaldorGL(dir + "/sky_back.tga", side(2, false)) &&
                    saveKaldorGL(dir + "/sky_left.bmp", side(3, false)) &&
                    saveKvi(dir + "/sky_top.kvi", cap(Rgb8{20, 50, 140}, kZenith)) &&
                    saveKvi(dir + "/sky_bottom.kvi", cap(kHaze, kHaze)) &&
                    saveKaldorGL(dir + "/water.tga", water());
    if (!ok) {
        std::fprintf(stderr, "make_sky: cannot write the sky and water textures into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
