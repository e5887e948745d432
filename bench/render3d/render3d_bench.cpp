// The sample game's 3D frame drawn by the software device, single-threaded and with its
// worker threads, beside Mesa's llvmpipe drawing the same scene through legacy GL, single-
// threaded (LP_NUM_THREADS=0) and with its default threads. Wall-clock times; the ratios
// are printed after the run.
#include "game_scene.h"
#include "llvmpipe_child.h"

#include <scene3d/device_renderer.h>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <map>
#include <memory>
#include <string>

namespace kvbench {
namespace {

using kvtest::scene3d::DeviceRenderer;
using kvtest::scene3d::Scene;

enum class Threads { One, Default };

const char* threadsName(Threads t) { return t == Threads::One ? "1 thread" : "default threads"; }

// ms per frame by part, renderer ("device"/"llvmpipe") and threads, for the closing table.
std::map<std::string, double> gMilliseconds;
std::string key(Part part, const char* renderer, Threads threads) {
    return std::string(partName(part)) + "/" + renderer + "/" + threadsName(threads);
}

// Fragments per frame that pass the depth test, counted by GL once per part.
uint64_t filledPixels(Part part) {
    static std::map<Part, uint64_t> counted;
    auto found = counted.find(part);
    if (found != counted.end()) return found->second;
    LlvmpipeProcess gl(part, true);
    return counted[part] = gl.error().empty() ? gl.filledPixels() : 0;
}

void report(benchmark::State& state, Part part, const Scene& scene, double totalMs) {
    const double frames = double(state.iterations());
    const double ms = totalMs / frames;
    state.counters["ms/frame"] = ms;
    state.counters["Mtri/s"] = double(trianglesPerFrame(scene)) / ms * 1e-3;
    if (const uint64_t filled = filledPixels(part)) state.counters["MP/s"] = double(filled) / ms * 1e-3;
}

void deviceFrames(benchmark::State& state, Part part, Threads threads) {
    if (threads == Threads::One)
        setenv("KV_RASTER_THREADS", "1", 1);
    else
        unsetenv("KV_RASTER_THREADS");
    Scene scene = gameScene(part);
    DeviceRenderer device(scene);  // reads KV_RASTER_THREADS
    if (!device.error().empty()) {
        state.SkipWithError(device.error().c_str());
        return;
    }
    int frame = 0;
    double totalMs = 0;
    for (auto _ : state) {
        aimCamera(scene, frame++);
        const auto start = std::chrono::steady_clock::now();
        if (!device.render()) {
            state.SkipWithError(device.error().c_str());
            return;
        }
        device.present();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count() * 1e-3);
        totalMs += took.count();
    }
    report(state, part, scene, totalMs);
    gMilliseconds[key(part, "device", threads)] = totalMs / double(state.iterations());
}

void llvmpipeFrames(benchmark::State& state, Part part, Threads threads) {
    LlvmpipeProcess gl(part, threads == Threads::One);
    if (!gl.error().empty()) {
        state.SkipWithError(("llvmpipe: " + gl.error()).c_str());
        return;
    }
    state.SetLabel(gl.renderer());
    const Scene scene = gameScene(part);
    int frame = 0;
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = gl.frameMilliseconds(frame++);
        if (ms < 0) {
            state.SkipWithError(gl.error().c_str());
            return;
        }
        state.SetIterationTime(ms * 1e-3);
        totalMs += ms;
    }
    report(state, part, scene, totalMs);
    gMilliseconds[key(part, "llvmpipe", threads)] = totalMs / double(state.iterations());
}

void registerAll() {
    for (Part part : {Part::Model, Part::Sky, Part::Frame}) {
        for (Threads threads : {Threads::One, Threads::Default}) {
            const std::string suffix = std::string(partName(part)) + "/" + (threads == Threads::One ? "1" : "default");
            benchmark::RegisterBenchmark(("BM_Device/" + suffix).c_str(), deviceFrames, part, threads)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("BM_Llvmpipe/" + suffix).c_str(), llvmpipeFrames, part, threads)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
}

// llvmpipe's time over ours for each part and thread setting: above 1 means we are faster.
void printRatios() {
    std::printf("\n%-6s %-16s %12s %12s %8s\n", "scene", "threads", "device ms", "llvmpipe ms", "ratio");
    for (Part part : {Part::Model, Part::Sky, Part::Frame}) {
        for (Threads threads : {Threads::One, Threads::Default}) {
            const auto ours = gMilliseconds.find(key(part, "device", threads));
            const auto peer = gMilliseconds.find(key(part, "llvmpipe", threads));
            if (ours == gMilliseconds.end() || peer == gMilliseconds.end()) continue;
            std::printf("%-6s %-16s %12.2f %12.2f %7.2fx\n", partName(part), threadsName(threads), ours->second,
                        peer->second, peer->second / ours->second);
        }
    }
}

}  // namespace
}  // namespace kvbench

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kvbench::kChildFlag) == 0) {
        for (kvbench::Part part : {kvbench::Part::Model, kvbench::Part::Sky, kvbench::Part::Frame})
            if (std::strcmp(argv[2], kvbench::partName(part)) == 0) return kvbench::serveLlvmpipeFrames(part);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);  // a child that dies is reported, not fatal
    kvbench::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kvbench::printRatios();
    return 0;
}
