// The sample game's 3D frame drawn by the software device (through device calls, and through
// the engine's classes), single-threaded and with its worker threads, beside Mesa's llvmpipe drawing the same scene through legacy GL, single-
// threaded (LP_NUM_THREADS=0) and with its default threads. Wall-clock times of whole frames
// (clear to complete pixels); the device's stage times come from KV_RASTER_STATS (its fill
// time summed over its threads). The ratios are printed after the run.
#include "frame_server.h"
#include "game_scene.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstring>
#include <map>
#include <string>

namespace kvbench {
namespace {

constexpr Part kParts[] = {Part::Model, Part::Sky, Part::Frame};

const char* threadsName(bool single) { return single ? "1 thread" : "default threads"; }

// ms per frame by part, renderer and threads, for the closing table.
std::map<std::string, double> gMilliseconds;
std::string key(Part part, Renderer renderer, bool single) {
    return std::string(partName(part)) + "/" + rendererName(renderer) + "/" + threadsName(single);
}

// Fragments per frame that pass the depth test, counted by GL once per part; 0 without GL.
uint64_t filledPixels(Part part) {
    static std::map<Part, uint64_t> counted;
    if (const auto found = counted.find(part); found != counted.end()) return found->second;
    FrameServer gl(Renderer::Llvmpipe, part, true);
    return counted[part] = gl.filledPixels();
}

void frames(benchmark::State& state, Renderer renderer, Part part, bool single) {
    FrameServer server(renderer, part, single);
    if (!server.error().empty()) {
        state.SkipWithError((std::string(rendererName(renderer)) + ": " + server.error()).c_str());
        return;
    }
    state.SetLabel(server.label());
    int frame = 0;
    FrameTimes sum;
    sum.ms = 0;
    for (auto _ : state) {
        const FrameTimes t = server.frame(frame++);
        if (t.ms < 0) {
            state.SkipWithError(server.error().empty() ? "a frame failed" : server.error().c_str());
            return;
        }
        state.SetIterationTime(t.ms * 1e-3);
        sum.ms += t.ms;
        sum.staged = t.staged;
        sum.transformLightMs += t.transformLightMs;
        sum.setupMs += t.setupMs;
        sum.fillMs += t.fillMs;
        sum.trianglesIn += t.trianglesIn;
        sum.pixelsFilled += t.pixelsFilled;
    }
    const double frames = double(state.iterations());
    const double ms = sum.ms / frames;
    state.counters["ms/frame"] = ms;
    state.counters["Mtri/s"] = double(trianglesPerFrame(gameScene(part))) / ms * 1e-3;
    if (const uint64_t filled = filledPixels(part)) state.counters["MP/s"] = double(filled) / ms * 1e-3;
    if (sum.staged) {
        // Stage figures: per frame, and the rate of each stage's own work (fill by the
        // device's count of the pixels its triangles cover, before the depth test).
        state.counters["T&L ms"] = sum.transformLightMs / frames;
        state.counters["T&L Mtri/s"] = sum.trianglesIn / sum.transformLightMs * 1e-3;
        state.counters["setup ms"] = sum.setupMs / frames;
        state.counters["setup Mtri/s"] = sum.trianglesIn / sum.setupMs * 1e-3;
        state.counters["fill ms"] = sum.fillMs / frames;
        state.counters["fill MP/s"] = sum.pixelsFilled / sum.fillMs * 1e-3;
    }
    gMilliseconds[key(part, renderer, single)] = ms;
}

void registerAll() {
    for (Part part : kParts) {
        for (bool single : {true, false}) {
            for (Renderer renderer : {Renderer::Device, Renderer::Engine, Renderer::Llvmpipe}) {
                const char* names[] = {"Device/", "Engine/", "Llvmpipe/"};
                const std::string name =
                    std::string("BM_") + names[int(renderer)] + partName(part) + (single ? "/1" : "/default");
                benchmark::RegisterBenchmark(name.c_str(), frames, renderer, part, single)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

// llvmpipe's time over ours for each part and thread setting: above 1 means we are faster;
// and the engine's classes over the bare device: 1 means the engine adds nothing.
void printRatios() {
    std::printf("\n%-6s %-16s %10s %10s %12s %16s %14s\n", "scene", "threads", "device ms", "engine ms",
                "llvmpipe ms", "llvmpipe/device", "engine/device");
    for (Part part : kParts) {
        for (bool single : {true, false}) {
            const auto ours = gMilliseconds.find(key(part, Renderer::Device, single));
            const auto engine = gMilliseconds.find(key(part, Renderer::Engine, single));
            const auto peer = gMilliseconds.find(key(part, Renderer::Llvmpipe, single));
            if (ours == gMilliseconds.end() || peer == gMilliseconds.end() || engine == gMilliseconds.end()) continue;
            std::printf("%-6s %-16s %10.2f %10.2f %12.2f %15.2fx %13.3fx\n", partName(part), threadsName(single),
                        ours->second, engine->second, peer->second, peer->second / ours->second,
                        engine->second / ours->second);
        }
    }
}

}  // namespace
}  // namespace kvbench

int main(int argc, char** argv) {
    using namespace kvbench;
    if (argc == 4 && std::strcmp(argv[1], kServeFlag) == 0) {
        for (Renderer renderer : {Renderer::Device, Renderer::Engine, Renderer::Llvmpipe})
            for (Part part : kParts)
                if (std::strcmp(argv[2], rendererName(renderer)) == 0 && std::strcmp(argv[3], partName(part)) == 0)
                    return serveFrames(renderer, part);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);  // a child that dies is reported, not fatal
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
