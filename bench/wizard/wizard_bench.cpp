// Script speed: inverting a 1024 x 1024 picture pixel by pixel from Lua (two host calls per
// pixel) against the one pwInvert call, in pixels per second.
#include "scriptapi.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

constexpr int kSide = 1024;

const char* kPixelByPixel = R"(
    local w, h = pwGetImage_WIDTH(0), pwGetImage_HEIGHT(0)
    for y = 0, h - 1 do
        for x = 0, w - 1 do
            local c = pwGetPixel(0, x, y)
            local rgb = c % 16777216
            pwPutPixel(0, x, y, c - 2 * rgb + 16777215)
        end
    end
)";

const char* kWholePicture = "pwInvert(0)";

void invertScript(benchmark::State& state, const char* code) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("wizard_bench_" + std::to_string(getpid()) + ".lua");
    std::ofstream(path) << code;
    wizard::WizardState wizardState;
    wizardState.slots.replace(0, wizard::allocatePixels(kSide, kSide), kSide, kSide);
    std::fill_n(wizardState.slots[0].data, size_t(kSide) * kSide * 4, uint8_t(0x5A));
    for (auto _ : state) {
        const wizard::RunResult result = wizard::runScript(wizardState, path.string());
        if (result.status != wizard::RunStatus::Ok) state.SkipWithError(result.errorText.c_str());
    }
    benchmark::DoNotOptimize(wizardState.slots[0].data[0]);
    std::filesystem::remove(path);
    state.counters["pixels/s"] =
        benchmark::Counter(double(kSide) * kSide * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_InvertPixelByPixel(benchmark::State& state) { invertScript(state, kPixelByPixel); }
void BM_InvertWholePicture(benchmark::State& state) { invertScript(state, kWholePicture); }

BENCHMARK(BM_InvertPixelByPixel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertWholePicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
