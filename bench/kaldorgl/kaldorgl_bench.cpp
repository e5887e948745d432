// KaldorGL speed: writers and every effect on a 1920x1080 RGBA picture, and a plain memcpy
// of the same bytes as the memory yardstick. The readers are in readers_bench.cpp.
#include <kaldorgl/kaldorgl.h>

#include "testsupport.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kvtest::Bytes;
constexpr uint32_t kWidth = 1920;
constexpr uint32_t kHeight = 1080;
constexpr uint64_t kPixels = uint64_t(kWidth) * kHeight;

// Smooth gradients with some noise, so run-length and JPEG coders see photo-like data.
const Bytes& photo() {
    static const Bytes pixels = [] {
        Bytes out(kPixels * 4);
        uint32_t seed = 12345;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int noise = int(seed >> 28) - 8;
                uint8_t* p = &out[(uint64_t(y) * kWidth + x) * 4];
                p[0] = uint8_t(std::clamp(int(x * 255 / kWidth) + noise, 0, 255));
                p[1] = uint8_t(std::clamp(int(y * 255 / kHeight) + noise, 0, 255));
                p[2] = uint8_t(((x / 64 + y / 64) & 1) ? 200 : 40);
                p[3] = 255;
            }
        return out;
    }();
    return pixels;
}

std::string tempPath(const char* name) { return "/tmp/kdgl_bench_" + std::to_string(getpid()) + "_" + name; }

void reportPixels(benchmark::State& state, uint64_t bytes) {
    state.counters["MP/s"] = benchmark::Counter(double(kPixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_Memcpy(benchmark::State& state) {
    const Bytes& src = photo();
    Bytes dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
    }
    reportPixels(state, src.size());
}
BENCHMARK(BM_Memcpy);

void save(benchmark::State& state, const char* name) {
    const std::string path = tempPath(name);
    for (auto _ : state)
        if (CKaldorGL().SaveImageToFileBPP(path.c_str(), photo().data(), kWidth, kHeight, KDGL_TYPE_32BIT) != KDGL_OK)
            state.SkipWithError("save failed");
    reportPixels(state, photo().size());
    std::remove(path.c_str());
}
void BM_SaveBmp(benchmark::State& s) { save(s, "s.bmp"); }
void BM_SavePcx(benchmark::State& s) { save(s, "s.pcx"); }
void BM_SaveTga(benchmark::State& s) { save(s, "s.tga"); }
BENCHMARK(BM_SaveBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePcx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTga)->Unit(benchmark::kMillisecond);

// In-place effects run on a fresh copy each time so that they see the same picture.
template <typename Effect>
void inPlace(benchmark::State& state, Effect effect) {
    Bytes work(photo().size());
    CKaldorGL gl;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.data(), photo().data(), work.size());
        state.ResumeTiming();
        effect(gl, work.data());
    }
    reportPixels(state, work.size());
}

template <typename Effect>
void producing(benchmark::State& state, Effect effect) {
    CKaldorGL gl;
    for (auto _ : state) std::free(effect(gl, photo().data()));
    reportPixels(state, photo().size());
}

constexpr uint32_t T = KDGL_TYPE_32BIT;
#define KDGL_IN_PLACE(name, call) \
    void BM_##name(benchmark::State& s) { inPlace(s, [](CKaldorGL& gl, uint8_t* d) { call; }); } \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)
#define KDGL_PRODUCING(name, call) \
    void BM_##name(benchmark::State& s) { producing(s, [](CKaldorGL& gl, const uint8_t* d) { uint32_t w, h; (void)w; (void)h; return call; }); } \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)

KDGL_IN_PLACE(VerticalFlip, gl.FX_VerticalFlip(d, kWidth, kHeight, T));
KDGL_IN_PLACE(HorizontalFlip, gl.FX_HorizontalFlip(d, kWidth, kHeight, T));
KDGL_IN_PLACE(BnW, gl.FX_BnW(d, kWidth, kHeight, T));
KDGL_IN_PLACE(Brightness, gl.FX_Brightness(d, 150, kWidth, kHeight, T));
KDGL_IN_PLACE(RepakBits, gl.FX_RepakBits(d, kWidth, kHeight, T, "bgra"));
KDGL_IN_PLACE(Antialiasing8, gl.FX_Antialiasing(d, 8, kWidth, kHeight, T));
KDGL_IN_PLACE(VideoHind, gl.FX_VideoHind(d, 20, kWidth, kHeight, T));
KDGL_IN_PLACE(AlphaKey32, gl.SetAlphaToImage32KeyColor(d, kWidth, kHeight, 0x28000000, 0));
KDGL_PRODUCING(SqueezeX2, gl.FX_SqueezeX2(d, kWidth, kHeight, &w, &h, T));
KDGL_PRODUCING(ExpandX2, gl.FX_ExpandX2(d, kWidth, kHeight, &w, &h, T));
KDGL_PRODUCING(ResizeSmoothDown, gl.FX_Resize(d, kWidth, kHeight, 1280, 720, T, true));
KDGL_PRODUCING(ResizeSmoothUp, gl.FX_Resize(d, kWidth, kHeight, 2560, 1440, T, true));
KDGL_PRODUCING(ResizeNearest, gl.FX_Resize(d, kWidth, kHeight, 1280, 720, T, false));
KDGL_PRODUCING(Mix50, gl.FX_Mix50(d, d + 4, kWidth, kHeight - 1, T));
KDGL_PRODUCING(MixLevel, gl.FX_MixLevel(d, d + 4, kWidth, kHeight - 1, T, 30));
KDGL_PRODUCING(MaskToImage32, gl.SetMaskToImage32(d, d, kWidth, kHeight / 4));

void BM_ChangeColorDepth32To24(benchmark::State& state) {
    CKaldorGL gl;
    for (auto _ : state) {
        state.PauseTiming();
        gl.canvas.data = static_cast<uint8_t*>(std::malloc(photo().size()));
        std::memcpy(gl.canvas.data, photo().data(), photo().size());
        state.ResumeTiming();
        gl.FX_ChangeColorDepth(kWidth, kHeight, T, KDGL_TYPE_24BIT, nullptr);
        std::free(gl.canvas.data);
    }
    reportPixels(state, photo().size());
}
BENCHMARK(BM_ChangeColorDepth32To24)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
