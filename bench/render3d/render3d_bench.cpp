// The sample game's 3D frame drawn by the software device, single-threaded and with its
// worker threads, beside Mesa's llvmpipe drawing the same scene through legacy GL, single-
// threaded (LP_NUM_THREADS=0) and with its default threads. Wall-clock times of whole frames
// (clear to complete pixels); the ratios are printed after the run.
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
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = server.frameMilliseconds(frame++);
        if (ms < 0) {
            state.SkipWithError(server.error().c_str());
            return;
        }
        state.SetIterationTime(ms * 1e-3);
        totalMs += ms;
    }
    const double ms = totalMs / double(state.iterations());
    state.counters["ms/frame"] = ms;
    state.counters["Mtri/s"] = double(trianglesPerFrame(gameScene(part))) / ms * 1e-3;
    if (const uint64_t filled = filledPixels(part)) state.counters["MP/s"] = double(filled) / ms * 1e-3;
    gMilliseconds[key(part, renderer, single)] = ms;
}

void registerAll() {
    for (Part part : kParts) {
        for (bool single : {true, false}) {
            for (Renderer renderer : {Renderer::Device, Renderer::Llvmpipe}) {
                const std::string name = std::string("BM_") + (renderer == Renderer::Device ? "Device/" : "Llvmpipe/") +
                                         partName(part) + (single ? "/1" : "/default");
                benchmark::RegisterBenchmark(name.c_str(), frames, renderer, part, single)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

// llvmpipe's time over ours for each part and thread setting: above 1 means we are faster.
void printRatios() {
    std::printf("\n%-6s %-16s %10s %12s %16s\n", "scene", "threads", "device ms", "llvmpipe ms", "llvmpipe/device");
    for (Part part : kParts) {
        for (bool single : {true, false}) {
            const auto ours = gMilliseconds.find(key(part, Renderer::Device, single));
            const auto peer = gMilliseconds.find(key(part, Renderer::Llvmpipe, single));
            if (ours == gMilliseconds.end() || peer == gMilliseconds.end()) continue;
            std::printf("%-6s %-16s %10.2f %12.2f %15.2fx\n", partName(part), threadsName(single), ours->second,
                        peer->second, peer->second / ours->second);
        }
    }
}

}  // namespace
}  // namespace kvbench

int main(int argc, char** argv) {
    using namespace kvbench;
    if (argc == 4 && std::strcmp(argv[1], kServeFlag) == 0) {
        for (Renderer renderer : {Renderer::Device, Renderer::Llvmpipe})
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
