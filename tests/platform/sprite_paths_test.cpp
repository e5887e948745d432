// The sprite rasterizer's loops (plain C++, SSE2, SSE4.1, AVX2; general per-pixel spans and
// the specialised unscaled and axis-aligned paths) all draw the same pixels. The reference
// is the plain C++ general path; sprite_test.cpp checks that picture against the transform.
#include "../../platform/d3d8/raster/sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace platform::d3d8::raster;

constexpr int32_t kTexW = 37, kTexH = 29, kTexPitch = 41;  // padded rows
constexpr int32_t kW = 120, kH = 90;

struct Restore {
    ~Restore() { setSpritePaths(widestSpriteSimd(), true); }
};

std::vector<uint32_t> noise(size_t count, uint32_t seed, bool someClear) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> out(count);
    for (auto& p : out) {
        p = rng();
        const uint32_t pick = rng() % 8;
        if (pick == 0) p |= 0xFF000000u;                  // opaque
        if (pick == 1 && someClear) p &= 0x00FFFFFFu;     // fully transparent
    }
    return out;
}

struct Draw {
    const char* what;
    SpriteTransform m;
    RECT source;
    SpriteFilter filter;
    uint32_t color;
    bool opaque;
};

SpriteTransform placed(double scaleX, double scaleY, double radians, double dx, double dy) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {scaleX * c, scaleX * s, -scaleY * s, scaleY * c, dx, dy};
}

std::vector<uint32_t> render(const Draw& d, const std::vector<uint32_t>& texels, const std::vector<uint32_t>& background) {
    std::vector<uint32_t> pixels = background;
    Target target;
    target.color = ColorView{reinterpret_cast<uint8_t*>(pixels.data()), kW * 4, kW, kH};
    target.clip = RECT{3, 2, kW - 5, kH - 3};  // odd widths leave every loop a tail
    SpriteSource source{reinterpret_cast<const uint8_t*>(texels.data()), kTexPitch * 4, d.source, d.opaque, false};
    drawSprite(target, source, d.m, d.filter, d.color);
    return pixels;
}

TEST(SpritePaths, EveryInstructionSetAndPathDrawsTheSamePixels) {
    Restore restore;
    const std::vector<uint32_t> texels = noise(size_t(kTexPitch) * kTexH, 1, true);
    const std::vector<uint32_t> background = noise(size_t(kW) * kH, 2, false);
    const RECT whole{0, 0, kTexW, kTexH}, part{3, 2, 30, 25};
    std::vector<Draw> draws;
    for (const auto filter : {SpriteFilter::Point, SpriteFilter::Linear})
        for (const uint32_t color : {0xFFFFFFFFu, 0x90FF8040u, 0xFF808080u})
            for (const bool opaque : {false, true}) {
                auto add = [&](const char* what, SpriteTransform m, RECT source) {
                    draws.push_back({what, m, source, filter, color, opaque});
                };
                add("unscaled", placed(1, 1, 0, 10, 7), whole);
                add("unscaled, half-texel offset", placed(1, 1, 0, 10.5, 7.25), part);
                add("unscaled, hanging over every edge", placed(1, 1, 0, -8, -6), whole);
                add("2x", placed(2, 2, 0, 4, 3), whole);
                add("2.5 x 1.75 over the edges", placed(2.5, 1.75, 0, -20.3, 11.6), part);
                add("0.6, shrunk", placed(0.6, 0.65, 0, 30.2, 20.7), whole);
                add("mirrored 1.5", placed(-1.5, 1.5, 0, 100.4, 5), whole);
                add("flipped 1.3", placed(1.3, -1.3, 0, 12, 80.5), part);
                add("10 degrees at 2x", placed(2, 2, 0.1745, 25, -5), whole);
                add("30 degrees at 2.5x", placed(2.5, 2.5, 0.5236, 40, -10), part);
                add("-2.5 radians at 3.7 x 2.2", placed(3.7, 2.2, -2.5, 90, 80), whole);
                add("a quarter turn", placed(1, 1, 1.5707963, 60, 10), whole);
            }

    setSpritePaths(SpriteSimd::Portable, false);
    std::vector<std::vector<uint32_t>> expected;
    for (const Draw& d : draws) expected.push_back(render(d, texels, background));

    int changed = 0;
    for (size_t i = 0; i < draws.size(); ++i) changed += expected[i] != background;
    EXPECT_EQ(changed, int(draws.size()));  // every draw reaches the target

    for (int simd = int(SpriteSimd::Portable); simd <= int(widestSpriteSimd()); ++simd)
        for (const bool specialised : {false, true}) {
            setSpritePaths(SpriteSimd(simd), specialised);
            for (size_t i = 0; i < draws.size(); ++i) {
                const Draw& d = draws[i];
                const std::vector<uint32_t> drawn = render(d, texels, background);
                int differing = 0;
                for (size_t p = 0; p < drawn.size(); ++p) differing += drawn[p] != expected[i][p];
                EXPECT_EQ(differing, 0) << d.what << ", simd " << simd << (specialised ? ", specialised" : ", general")
                                        << (d.filter == SpriteFilter::Linear ? ", linear" : ", point") << ", colour "
                                        << std::hex << d.color << (d.opaque ? ", opaque" : "");
            }
        }
}

}  // namespace
