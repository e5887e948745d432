// KaldorGL speed: readers (MP/s) on ~2-megapixel pictures, writers, every effect on a
// 1920x1080 RGBA picture, and a plain memcpy of the same bytes as the memory yardstick.
#include <kaldorgl/kaldorgl.h>

#include "testsupport.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kvtest::Bytes;
using kvtest::put16;
using kvtest::put32;
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

Bytes rgbOf(const Bytes& rgba) {
    Bytes out;
    out.reserve(rgba.size() / 4 * 3);
    for (size_t i = 0; i < rgba.size(); i += 4) out.insert(out.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return out;
}

std::string tempPath(const char* name) { return "/tmp/kdgl_bench_" + std::to_string(getpid()) + "_" + name; }

Bytes readAll(const std::string& path) {
    Bytes out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        out.resize(size_t(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
        std::fclose(f);
    }
    return out;
}

Bytes savedFile(const char* name, uint32_t type) {
    const std::string path = tempPath(name);
    const Bytes rgb = rgbOf(photo());
    const Bytes& src = type == KDGL_TYPE_24BIT ? rgb : photo();
    CKaldorGL().SaveImageToFileBPP(path.c_str(), src.data(), kWidth, kHeight, type);
    Bytes bytes = readAll(path);
    std::remove(path.c_str());
    return bytes;
}

Bytes eightBitBmp() {
    const uint32_t stride = (kWidth + 3) / 4 * 4;
    Bytes out = {'B', 'M'};
    put32(out, 54 + 1024 + stride * kHeight);
    put32(out, 0);
    put32(out, 54 + 1024);
    for (uint32_t v : {40u, kWidth, kHeight}) put32(out, v);
    put16(out, 1);
    put16(out, 8);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (uint32_t i = 0; i < 256; ++i) put32(out, i * 0x010101u);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < stride; ++x) out.push_back(photo()[(uint64_t(y) * kWidth + std::min(x, kWidth - 1)) * 4]);
    return out;
}

Bytes eightBitPcx() {
    Bytes out(128, 0);
    out[0] = 10, out[1] = 5, out[2] = 1, out[3] = 8, out[65] = 1;
    out[8] = uint8_t(kWidth - 1), out[9] = uint8_t((kWidth - 1) >> 8);
    out[10] = uint8_t(kHeight - 1), out[11] = uint8_t((kHeight - 1) >> 8);
    out[66] = uint8_t(kWidth), out[67] = uint8_t(kWidth >> 8);
    for (uint64_t i = 0; i < kPixels; ++i) {
        const uint8_t v = photo()[i * 4 + 1];
        if (v >= 192) out.push_back(193);
        out.push_back(v);
    }
    out.push_back(12);
    for (uint32_t i = 0; i < 768; ++i) out.push_back(uint8_t(i / 3));
    return out;
}

Bytes rleTga() {
    Bytes out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(out, kWidth);
    put16(out, kHeight);
    out.insert(out.end(), {32, 8});
    const Bytes& p = photo();
    for (uint64_t i = 0; i < kPixels;) {
        uint64_t run = 1;
        while (run < 128 && i + run < kPixels && std::memcmp(&p[i * 4], &p[(i + run) * 4], 4) == 0) ++run;
        out.push_back(uint8_t(0x80 | (run - 1)));
        out.insert(out.end(), {p[i * 4 + 2], p[i * 4 + 1], p[i * 4], p[i * 4 + 3]});
        i += run;
    }
    return out;
}

std::string jpegFile(bool subsampled) {
    const std::string path = tempPath(subsampled ? "420.jpg" : "444.jpg");
    kvtest::writeJpeg(path, photo(), kWidth, kHeight, 90, subsampled);
    return path;
}

void reportPixels(benchmark::State& state, uint64_t bytes) {
    state.counters["MP/s"] = benchmark::Counter(double(kPixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

template <typename Codec>
void loadFromMemory(benchmark::State& state, const Bytes& file) {
    for (auto _ : state) {
        Codec codec;
        if (codec.LoadFromMemory(file.data(), uint32_t(file.size())) != KDGL_OK) state.SkipWithError("load failed");
        std::free(codec.data);
    }
    reportPixels(state, file.size());
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

void BM_LoadBmp8(benchmark::State& s) { static const Bytes f = eightBitBmp(); loadFromMemory<CCodecBMP>(s, f); }
void BM_LoadBmp24(benchmark::State& s) { static const Bytes f = savedFile("24.bmp", KDGL_TYPE_24BIT); loadFromMemory<CCodecBMP>(s, f); }
void BM_LoadBmp32(benchmark::State& s) { static const Bytes f = savedFile("32.bmp", KDGL_TYPE_32BIT); loadFromMemory<CCodecBMP>(s, f); }
void BM_LoadPcx8(benchmark::State& s) { static const Bytes f = eightBitPcx(); loadFromMemory<CCodecPCX>(s, f); }
void BM_LoadPcx24(benchmark::State& s) { static const Bytes f = savedFile("24.pcx", KDGL_TYPE_24BIT); loadFromMemory<CCodecPCX>(s, f); }
void BM_LoadTgaRaw(benchmark::State& s) { static const Bytes f = savedFile("32.tga", KDGL_TYPE_32BIT); loadFromMemory<CCodecTGA>(s, f); }
void BM_LoadTgaRle(benchmark::State& s) { static const Bytes f = rleTga(); loadFromMemory<CCodecTGA>(s, f); }
BENCHMARK(BM_LoadBmp8);
BENCHMARK(BM_LoadBmp24);
BENCHMARK(BM_LoadBmp32);
BENCHMARK(BM_LoadPcx8);
BENCHMARK(BM_LoadPcx24);
BENCHMARK(BM_LoadTgaRaw);
BENCHMARK(BM_LoadTgaRle);

void loadJpeg(benchmark::State& state, bool subsampled) {
    const std::string path = jpegFile(subsampled);
    for (auto _ : state) {
        CCodecJPEG codec;
        if (codec.LoadFromFile(path.c_str()) != KDGL_OK) state.SkipWithError("load failed");
        std::free(codec.data);
    }
    reportPixels(state, kPixels * 3);
    std::remove(path.c_str());
}

// The same decode straight through libjpeg into one buffer: the floor for the codec.
void libjpegDirect(benchmark::State& state, bool subsampled) {
    const std::string path = jpegFile(subsampled);
    Bytes pixels(kPixels * 3);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &pixels[uint64_t(info.output_scanline) * kWidth * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
    }
    reportPixels(state, kPixels * 3);
    std::remove(path.c_str());
}

void BM_LoadJpeg420(benchmark::State& s) { loadJpeg(s, true); }
void BM_LoadJpeg444(benchmark::State& s) { loadJpeg(s, false); }
void BM_LibjpegDirect420(benchmark::State& s) { libjpegDirect(s, true); }
void BM_LibjpegDirect444(benchmark::State& s) { libjpegDirect(s, false); }
BENCHMARK(BM_LoadJpeg420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegDirect420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpeg444)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegDirect444)->Unit(benchmark::kMillisecond);

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
