// Outcodes, worked out four planes at a time, against each plane's own distance: positions
// inside, outside and exactly on the planes, and ones with infinities and NaN, which count
// as outside of every plane they reach and never mark a plane the draw does not have.
#include "../../platform/d3d8/raster/clip.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace platform::d3d8::raster;

uint32_t planeByPlane(const ClipPlanes& planes, const float* pos) {
    uint32_t code = 0;
    for (int i = 0; i < planes.count; ++i) {
        const float* p = planes.plane[i];
        const float distance = p[0] * pos[0] + p[1] * pos[1] + p[2] * pos[2] + p[3] * pos[3] - planes.bias[i];
        if (!(distance >= 0)) code |= 1u << i;
    }
    return code;
}

TEST(OutcodeTest, EveryPlaneAgreesWithItsOwnDistance) {
    const ScreenMapping mapping{320, 320, -240, 240, 1, 0};
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-40000.0f, 40000.0f), small(-2.0f, 2.0f);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    for (bool depthPlanes : {false, true}) {
        const ClipPlanes planes = clipPlanes(mapping, depthPlanes);
        std::vector<std::array<float, 4>> positions = {
            {0, 0, 0, 1}, {0, 0, 1, 1}, {0, 0, 0, 1e-6f}, {0, 0, 0, 0}, {16384.0f - 320, 0, 0.5f, 1},
            {inf, 0, 0, 1}, {0, -inf, 0, 1}, {0, 0, nan, 1}, {nan, nan, nan, nan}, {1, 1, 1, inf},
        };
        for (int i = 0; i < 2000; ++i) {
            const bool large = i % 2 == 0;
            positions.push_back({large ? coordinate(random) : small(random), large ? coordinate(random) : small(random),
                                 small(random), large ? coordinate(random) : small(random)});
        }
        uint32_t seen = 0;
        for (const auto& pos : positions) {
            const uint32_t expected = planeByPlane(planes, pos.data());
            ASSERT_EQ(outcode(planes, pos.data()), expected) << pos[0] << " " << pos[1] << " " << pos[2] << " " << pos[3];
            ASSERT_EQ(expected >> planes.count, 0u);
            seen |= expected;
        }
        EXPECT_EQ(seen, (1u << planes.count) - 1);  // every plane was crossed by some position
    }
}

}  // namespace
