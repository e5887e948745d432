// The glider game's attract mode at 1920x1080 on the software device: milliseconds a frame
// (median and 99th percentile over the run) and the share of each stage of the frame: the
// game's step, the sky, the terrain, the crystals, mines and glider, the HUD, and presenting.
// Run from anywhere; the game's data is found in the build tree. There is no peer to put
// beside these figures: they are the game's own budget (60 frames a second is 16.7 ms).
#include "game.h"
#include "hud.h"
#include "player.h"
#include "world.h"

#include <platform/window.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <vector>

namespace {

using namespace glider;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kWidth = 1920, kHeight = 1080;
constexpr float kStep = 1.0f / 60;

enum Stage { kStepStage, kSky, kTerrain, kObjects, kHud, kPresent, kStages };
constexpr const char* kStageNames[kStages] = {"step", "sky", "terrain", "objects", "hud", "present"};

void attractMode(benchmark::State& state) {
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(GLIDER_DATA);
    HWND window = platform::createOffscreenWindow(kWidth, kHeight);
    cTOVREN_GraphiX graphics;
    World world;
    Hud hud;
    if (graphics.Init(window, kWidth, kHeight, 32, 60, false) != 0 || !world.load().empty() ||
        !hud.create(kWidth, kHeight).empty()) {
        state.SkipWithError("cannot set the game up (is the glider data built?)");
        return;
    }
    graphics.SetPerspective(1.0f, 2000.0f, 3.14159265f / 3);
    cTOVREN_GFXDEVICES devices{};
    graphics.GetDevices(&devices);
    Rules rules;
    HudInfo info;
    Glider player;
    cTOVREN_Camera camera;
    world.scatter(2026);
    player.position.y = world.groundHeight(0, 0) + 25;
    chase(camera, player, 10.0f);

    std::vector<double> frames;
    std::array<double, kStages> stageSeconds{};
    for (auto _ : state) {
        Clock::time_point mark = Clock::now();
        const Clock::time_point start = mark;
        auto lap = [&](Stage stage) {
            const Clock::time_point now = Clock::now();
            stageSeconds[stage] += std::chrono::duration<double>(now - mark).count();
            mark = now;
        };
        world.attractStep(player, kStep);
        world.update(kStep);
        chase(camera, player, kStep);
        lap(kStepStage);
        graphics.DrawBegin();
        world.drawSky(camera, player);
        lap(kSky);
        world.drawTerrain(devices.device);
        lap(kTerrain);
        world.drawObjects(devices.device, player);
        lap(kObjects);
        hud.draw(rules, info);
        lap(kHud);
        graphics.DrawFinish();
        lap(kPresent);
        frames.push_back(std::chrono::duration<double, std::milli>(mark - start).count());
    }

    std::sort(frames.begin(), frames.end());
    double total = 0;
    for (const double s : stageSeconds) total += s;
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["p99_ms"] = frames[std::min(frames.size() - 1, frames.size() * 99 / 100)];
    state.counters["triangles"] = world.terrain.faceCount + kCrystalCount * world.crystal.faceCount +
                                  kMineCount * world.mine.faceCount + world.glider.faceCount;
    for (int s = 0; s < kStages; ++s) state.counters[std::string("share_") + kStageNames[s]] = stageSeconds[s] / total;

    hud.release();
    world.release();
    graphics.Uninit();
    platform::destroyWindow(window);
    std::filesystem::current_path(home);
}

BENCHMARK(attractMode)->Iterations(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
