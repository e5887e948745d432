// The sample game's 3D frame drawn by the software device (through device calls, and through
// the engine's classes), single-threaded and with its worker threads, beside Mesa's llvmpipe drawing the same scene through legacy GL, single-
// threaded (LP_NUM_THREADS=0) and with its default threads. Wall-clock times of whole frames
// (clear to complete pixels); the device's stage times come from KV_RASTER_STATS (each
// summed over its threads). The ratios are printed after the run.
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
std::map<std::string, double> gMilliseconds, gCpuMilliseconds;
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
        sum.cpuMs += t.cpuMs;
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
    state.counters["CPU ms/frame"] = sum.cpuMs / frames;
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
    gCpuMilliseconds[key(part, renderer, single)] = sum.cpuMs / frames;
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

// llvmpipe's time over ours for each part and thread setting, by wall clock and by processor
// time: above 1 means we are faster; and the engine's classes over the bare device: 1 means
// the engine adds nothing. A renderer left out by --benchmark_filter shows as "-".
void printRatios() {
    std::printf("\n%-6s %-16s %10s %10s %12s %16s %14s %11s %13s %10s\n", "scene", "threads", "device ms", "engine ms",
                "llvmpipe ms", "llvmpipe/device", "engine/device", "device CPU", "llvmpipe CPU", "CPU ratio");
    auto find = [](const std::map<std::string, double>& from, Part part, Renderer renderer, bool single) {
        const auto found = from.find(key(part, renderer, single));
        return found == from.end() ? 0.0 : found->second;
    };
    auto cell = [](double value, const char* format) {
        static char text[4][32];
        static int next = 0;
        char* out = text[next++ % 4];
        if (value > 0)
            std::snprintf(out, 32, format, value);
        else
            std::snprintf(out, 32, "-");
        return out;
    };
    for (Part part : kParts) {
        for (bool single : {true, false}) {
            const double ours = find(gMilliseconds, part, Renderer::Device, single);
            const double peer = find(gMilliseconds, part, Renderer::Llvmpipe, single);
            if (ours <= 0 || peer <= 0) continue;
            const double engine = find(gMilliseconds, part, Renderer::Engine, single);
            const double oursCpu = find(gCpuMilliseconds, part, Renderer::Device, single);
            const double peerCpu = find(gCpuMilliseconds, part, Renderer::Llvmpipe, single);
            std::printf("%-6s %-16s %10.2f %10s %12.2f %15.2fx %14s %11.2f %13.2f %10s\n", partName(part),
                        threadsName(single), ours, cell(engine, "%.2f"), peer, peer / ours,
                        cell(engine / ours, "%.3fx"), oursCpu, peerCpu, cell(oursCpu > 0 ? peerCpu / oursCpu : 0, "%.2fx"));
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
