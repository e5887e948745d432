// The world on a real (offscreen) device with the data the build made: the terrain's
// height, the scattering of pickups, touching them and picking them with the mouse.
#include "world.h"
#include "world_size.h"

#include <platform/window.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace glider;

constexpr TOVREN_fCoord3 kFarAway{5000, 5000, 5000};

class WorldTest : public testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        std::filesystem::current_path(GLIDER_DATA);
        window_ = platform::createOffscreenWindow(800, 600);
        ASSERT_EQ(graphics_.Init(window_, 800, 600, 32, 60, false), 0u);
        ASSERT_EQ(world_.load(), "");
        world_.scatter(7);
    }
    void TearDown() override {
        world_.release();
        graphics_.Uninit();
        platform::destroyWindow(window_);
        std::filesystem::current_path(home_);
    }

    // Leaves crystal and mine 0 alone in the world, at `crystal` and `mine`.
    void isolate(TOVREN_fCoord3 crystal, TOVREN_fCoord3 mine) {
        for (Pickup& p : world_.crystals) p.position = kFarAway;
        for (Pickup& p : world_.mines) p.position = kFarAway;
        world_.crystals[0].position = crystal;
        world_.mines[0].position = mine;
    }

    // The height at grid corner (col, row) as the OBJ file that the model was converted from
    // gives it (mvoconvert numbers the vertices its own way, so the model cannot tell).
    float cornerHeight(int col, int row) const {
        static const std::vector<float> heights = [] {
            std::vector<float> result;
            std::ifstream obj(GLIDER_TERRAIN_OBJ);
            for (std::string line; std::getline(obj, line);) {
                float x = 0, y = 0, z = 0;
                if (std::sscanf(line.c_str(), "v %f %f %f", &x, &y, &z) == 3) result.push_back(y);
            }
            return result;
        }();
        const size_t index = size_t(row) * (kTerrainCells + 1) + col;
        return index < heights.size() ? heights[index] : -1e9f;
    }

    std::filesystem::path home_;
    HWND window_ = nullptr;
    cTOVREN_GraphiX graphics_;
    World world_;
};

TEST_F(WorldTest, GroundHeightFollowsTheTerrainModel) {
    ASSERT_EQ(world_.terrain.faceCount, 2u * kTerrainCells * kTerrainCells);
    for (const auto& [col, row] : {std::pair{1, 1}, {20, 33}, {32, 32}, {63, 2}, {5, 60}}) {
        const float x = col * kTerrainCellSize - kWorldHalf, z = row * kTerrainCellSize - kWorldHalf;
        // Just inside the cell, so that the ray cannot slip between two triangles.
        EXPECT_NEAR(world_.groundHeight(x + 0.01f, z + 0.01f), cornerHeight(col, row), 0.05) << col << "," << row;
        const float middle = world_.groundHeight(x + kTerrainCellSize / 2, z + kTerrainCellSize / 2);
        const float corners[] = {cornerHeight(col, row), cornerHeight(col + 1, row), cornerHeight(col, row + 1),
                                 cornerHeight(col + 1, row + 1)};
        EXPECT_GE(middle, *std::min_element(std::begin(corners), std::end(corners)) - 1e-3);
        EXPECT_LE(middle, *std::max_element(std::begin(corners), std::end(corners)) + 1e-3);
    }
    EXPECT_NEAR(world_.groundHeight(-5000, -5000), cornerHeight(0, 0), 0.05) << "outside, the nearest edge";
}

// Every trunk reaches from just under the ground into its crown (none floats or is buried,
// wherever its grove stands on the slopes), and the valley where the game starts stays clear.
TEST_F(WorldTest, TheTreesStandOnTheGroundOutsideTheValley) {
    ASSERT_GT(world_.trunks.faceCount, 1000u);
    ASSERT_GT(world_.crowns.faceCount, 2 * world_.trunks.faceCount);
    size_t below = 0, above = 0;
    for (uint32_t i = 0; i < world_.trunks.vertexCount; ++i) {
        const TOVREN_fCoord3 v = world_.trunks.vertices[i];
        const float ground = world_.groundHeight(v.x, v.z);
        EXPECT_GT(std::abs(v.x), 80) << "a tree in the valley at " << v.x << ", " << v.z;
        if (v.y < ground) {
            ++below;
            EXPECT_LT(ground - v.y, 2.5f) << v.x << ", " << v.z;
        } else {
            ++above;
            EXPECT_GT(v.y - ground, 2.0f) << v.x << ", " << v.z;
            EXPECT_LT(v.y - ground, 7.5f) << v.x << ", " << v.z;
        }
    }
    EXPECT_EQ(below, above);
}

// Over a pine the surface is its crown, a little below the tip beside it, and the ground
// again past the crown's edge; the valley where the game starts has no trees at all.
TEST_F(WorldTest, TheSurfaceRisesOverEveryCrownAndNowhereElse) {
    // The two tiers of a pine have their tips on the tree's axis, the only place where two
    // crown vertices share x and z; the upper tip is the higher one.
    std::map<std::pair<float, float>, std::vector<float>> byPlace;
    for (uint32_t i = 0; i < world_.crowns.vertexCount; ++i) {
        const TOVREN_fCoord3 v = world_.crowns.vertices[i];
        byPlace[{v.x, v.z}].push_back(v.y);
    }
    std::vector<TOVREN_fCoord3> tips;
    for (const auto& [place, heights] : byPlace)
        if (heights.size() == 2) tips.push_back({place.first, std::max(heights[0], heights[1]), place.second});
    ASSERT_EQ(tips.size(), 210u);
    // How many pines stand within `distance` of (x, z); the widest crown reaches 4.4.
    auto treesWithin = [&](float x, float z, float distance) {
        return std::count_if(tips.begin(), tips.end(),
                             [&](const TOVREN_fCoord3& t) { return std::hypot(t.x - x, t.z - z) < distance; });
    };
    size_t alone = 0, clear = 0;
    for (const TOVREN_fCoord3& tip : tips) {
        if (treesWithin(tip.x, tip.z, 9.0f) == 1) {  // no neighbour's crown overlaps this one
            ++alone;
            // Just off the tip, so that the ray meets one face rather than the edge between two.
            const float height = world_.surfaceHeight(tip.x + 0.11f, tip.z + 0.07f);
            EXPECT_LE(height, tip.y) << tip.x << ", " << tip.z;
            EXPECT_GT(height, tip.y - 1.0f) << tip.x << ", " << tip.z;
        }
        const float x = tip.x + 6, z = tip.z;
        if (treesWithin(x, z, 5.0f) > 0) continue;
        ++clear;
        EXPECT_FLOAT_EQ(world_.surfaceHeight(x, z), world_.groundHeight(x, z)) << x << ", " << z;
    }
    EXPECT_GT(alone, 150u);
    EXPECT_GT(clear, 100u);
    for (const float x : {-60.0f, 0.0f, 60.0f}) EXPECT_FLOAT_EQ(world_.surfaceHeight(x, 0), world_.groundHeight(x, 0));
    EXPECT_FLOAT_EQ(world_.surfaceHeight(-5000, -5000), world_.groundHeight(-5000, -5000));
    EXPECT_FALSE(std::isnan(world_.surfaceHeight(NAN, NAN)));  // a cell like any other, not a wild index
}

TEST_F(WorldTest, ASeedAlwaysScattersTheSameWorldAboveTheGround) {
    const std::vector<Pickup> first = world_.crystals;
    world_.scatter(7);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(world_.crystals[i].position.x, first[i].position.x);
        EXPECT_EQ(world_.crystals[i].position.y, first[i].position.y);
    }
    world_.scatter(8);
    EXPECT_NE(world_.crystals[0].position.x, first[0].position.x);
    for (const auto* things : {&world_.crystals, &world_.mines}) {
        for (const Pickup& p : *things) {
            EXPECT_LT(std::max(std::abs(p.position.x), std::abs(p.position.z)), kWorldHalf);
            EXPECT_GT(p.position.y, world_.groundHeight(p.position.x, p.position.z) + 5);
        }
    }
}

// The pickups stand a little off the glider's lines of symmetry, so that no line runs
// exactly through a corner or along an edge of their triangles.
TEST_F(WorldTest, TheGliderTouchesWhatItFliesThroughAndNotWhatItPasses) {
    isolate({0.7f, 101.3f, 0.4f}, {0.6f, 100.8f, 200});
    Glider glider;
    glider.position = {0, 100, -1};  // nose just through the crystal's middle
    EXPECT_EQ(world_.touchedCrystal(glider, glider.pointAt(0, 0, -10)), 0);
    glider.position = {15, 100, -1};  // beside it
    EXPECT_EQ(world_.touchedCrystal(glider, glider.pointAt(0, 0, -10)), -1);
    glider.position = {5, 100, 3.4f};  // only the left wing cuts through it
    EXPECT_EQ(world_.touchedCrystal(glider, glider.pointAt(0, 0, 6.5f)), 0);
    world_.crystals[0].alive = false;
    EXPECT_EQ(world_.touchedCrystal(glider, glider.pointAt(0, 0, 6.5f)), -1) << "collected already";

    // A fast glider crosses a mine between two frames: its path still touches it.
    glider.position = {0, 100, 230};
    EXPECT_EQ(world_.touchedMine(glider, {0, 100, 190}), 0);
    EXPECT_EQ(world_.touchedMine(glider, {0, 100, 220}), -1);
}

TEST_F(WorldTest, TheMousePicksTheNearestCrystalUnderIt) {
    isolate({0, 100, 0}, kFarAway);
    world_.crystals[1].position = {0, 100, 40};  // straight behind the first
    graphics_.SetPerspective(1.0f, 2000.0f, 3.14159265f / 3);
    cTOVREN_Camera camera;
    camera.position = {0, 100, -50};
    camera.Apply();
    EXPECT_EQ(world_.crystalUnder(400, 300, 800, 600, camera.position), 0);
    EXPECT_EQ(world_.crystalUnder(60, 40, 800, 600, camera.position), -1);
    world_.crystals[0].alive = false;
    EXPECT_EQ(world_.crystalUnder(400, 300, 800, 600, camera.position), 1);
    world_.respawn(0);
    EXPECT_TRUE(world_.crystals[0].alive);
    EXPECT_NE(world_.crystals[0].position.z, 0);
}

// The game picks after a whole frame is drawn, the sky last: the device must still hold the
// camera's view then, not the sky's (which turns with the camera but stays at the origin).
TEST_F(WorldTest, PickingAfterAFrameUsesTheCamerasView) {
    isolate({0, 100, 0}, kFarAway);
    graphics_.SetPerspective(1.0f, 2000.0f, 3.14159265f / 3);
    cTOVREN_GFXDEVICES devices{};
    graphics_.GetDevices(&devices);
    cTOVREN_Camera camera;
    camera.position = {0, 100, -50};
    graphics_.DrawBegin();
    world_.draw(devices.device, camera, Glider{});
    graphics_.DrawFinish();
    EXPECT_EQ(world_.crystalUnder(400, 300, 800, 600, camera.position), 0);
}

}  // namespace
