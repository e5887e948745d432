// The glider game's attract mode at 1920x1080 on the software device: milliseconds a frame
// (median and 99th percentile over the run, processor time of the drawing thread and wall
// clock) and the share of each stage of the frame's processor time: the game's step, the
// terrain with its forest, the crystals, mines and glider, the sky, the HUD, and presenting.
// Run from anywhere; the game's data is found in the build tree. There is no peer to put
// beside these figures: they are the game's own budget (60 frames a second is 16.7 ms).
#include "game.h"
#include "hud.h"
#include "player.h"
#include "world.h"

#include <platform/rasterstats.h>
#include <platform/window.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

using namespace glider;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kWidth = 1920, kHeight = 1080;
constexpr float kStep = 1.0f / 60;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e3 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

double percentile(std::vector<double> values, size_t percent) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * percent / 100)];
}

enum Stage { kStepStage, kTerrain, kObjects, kSky, kHud, kPresent, kStages };
constexpr const char* kStageNames[kStages] = {"step", "terrain", "objects", "sky", "hud", "present"};

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

    // Wall-clock time says what a player sees; the thread's processor time says what the
    // frame costs, and is what to compare on a shared, busy machine (with KV_RASTER_THREADS=1
    // the device does all its work on this thread).
    std::vector<double> wallMs, cpuMs;
    platform::resetRasterStats();
    std::array<double, kStages> stageMs{};
    for (auto _ : state) {
        const Clock::time_point wallStart = Clock::now();
        const double cpuStart = threadCpuMs();
        double mark = cpuStart;
        auto lap = [&](Stage stage) {
            const double now = threadCpuMs();
            stageMs[stage] += now - mark;
            mark = now;
        };
        world.attractStep(player, kStep);
        world.update(kStep);
        chase(camera, player, kStep);
        lap(kStepStage);
        graphics.DrawBegin();
        world.setUpView(camera, player);
        world.drawTerrain(devices.device);
        lap(kTerrain);
        world.drawObjects(devices.device, player);
        lap(kObjects);
        world.drawSky(devices.device, camera);
        lap(kSky);
        hud.draw(rules, info);
        lap(kHud);
        graphics.DrawFinish();
        lap(kPresent);
        cpuMs.push_back(mark - cpuStart);
        wallMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count());
    }

    double total = 0;
    for (const double ms : stageMs) total += ms;
    state.counters["cpu_median_ms"] = percentile(cpuMs, 50);
    state.counters["cpu_p99_ms"] = percentile(cpuMs, 99);
    state.counters["wall_median_ms"] = percentile(wallMs, 50);
    state.counters["wall_p99_ms"] = percentile(wallMs, 99);
    state.counters["triangles"] = world.triangleCount();
    for (int s = 0; s < kStages; ++s) state.counters[std::string("share_") + kStageNames[s]] = stageMs[s] / total;
    // The device's own stages, per frame, when it counts them (KV_RASTER_STATS=1).
    const platform::RasterStats device = platform::rasterStats();
    if (device.trianglesIn > 0) {
        const double frames = static_cast<double>(cpuMs.size());
        state.counters["dev_transform_light_ms"] = 1e-6 * static_cast<double>(device.transformLightNs) / frames;
        state.counters["dev_setup_ms"] = 1e-6 * static_cast<double>(device.setupNs) / frames;
        state.counters["dev_fill_ms"] = 1e-6 * static_cast<double>(device.fillNs) / frames;
        state.counters["dev_triangles_drawn"] = static_cast<double>(device.trianglesDrawn) / frames;
        state.counters["dev_pixels_filled"] = static_cast<double>(device.pixelsFilled) / frames;
    }

    hud.release();
    world.release();
    graphics.Uninit();
    platform::destroyWindow(window);
    std::filesystem::current_path(home);
}

BENCHMARK(attractMode)->Iterations(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
