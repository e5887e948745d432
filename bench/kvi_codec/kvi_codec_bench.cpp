// KVI codec speed on a 1920x1080 photo-like picture: B1 beside OpenJPEG, B1 at three
// qualities and every run-length mode, through the public classes, plus the B1 plane coder
// against the literal reference on one plane. Rates are MB/s of picture bytes; coded sizes
// are counters.
#include <benchmark/benchmark.h>
#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "b1_reference.h"
#include "b1plane.h"
#include "openjpeg_peer.h"
#include "sidebyside.h"
#include "testsupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kWidth = 1920, kHeight = 1080;

const Bytes& photo() {
    static const Bytes px = [] {
        Bytes out(size_t(kWidth) * kHeight * 4);
        uint32_t seed = 99;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = int(seed >> 28) - 8;
                const double wave = 50 * std::sin(x * 0.01 + y * 0.004) * std::cos(y * 0.013);
                const bool block = ((x / 240) + (y / 270)) % 3 == 0;
                uint8_t* p = &out[(size_t(y) * kWidth + x) * 4];
                auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
                p[0] = clamp(120 + wave + (block ? 60 : 0) + grain);
                p[1] = clamp(90 + x / 16.0 - wave / 2 + grain);
                p[2] = clamp(200 - y / 8.0 + wave / 3 + grain);
                p[3] = block ? 255 : 200;
            }
        return out;
    }();
    return px;
}

// The red plane of the picture, for the plane-coder comparison.
const Bytes& redPlane() {
    static const Bytes plane = [] {
        Bytes out(size_t(kWidth) * kHeight);
        for (size_t i = 0; i < out.size(); ++i) out[i] = photo()[i * 4];
        return out;
    }();
    return plane;
}

struct Coded {
    Bytes data;
    uint32_t status;
};

Coded compress(uint32_t mode, uint32_t quality) {
    CKVICODER c{};
    c.Reset();
    c.width = kWidth;
    c.height = kHeight;
    c.bitsPerPixel = 32;
    c.quality = quality;
    c.AddCoder(mode);
    Coded out{{}, c.CompressImage(photo().data())};
    if (out.status == 0) out.data.assign(c.data, c.data + c.dataSize);
    std::free(c.data);
    std::free(c.work);
    return out;
}

void report(benchmark::State& state, size_t codedBytes) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(photo().size()));
    state.counters["coded_bytes"] = double(codedBytes);
    state.counters["ratio"] = double(photo().size()) / double(codedBytes);
}

void encodeBench(benchmark::State& state, uint32_t mode, uint32_t quality) {
    (void)photo();  // painted once, outside the timing
    Coded last{};
    for (auto _ : state) {
        last = compress(mode, quality);
        benchmark::DoNotOptimize(last.data.data());
    }
    if (last.status != 0) state.SkipWithError("CompressImage failed");
    report(state, last.data.size());
}

// Decodes with the public class; the caller frees the returned R, G, B, A pixels.
uint8_t* decompress(const Coded& coded, uint32_t mode, uint32_t quality) {
    CKVIDECODER d{};
    d.Reset();
    d.width = kWidth;
    d.height = kHeight;
    d.bitsPerPixel = 32;
    d.quality = quality;
    d.coders[0] = mode;
    d.data = const_cast<uint8_t*>(coded.data.data());
    d.dataSize = uint32_t(coded.data.size());
    const uint32_t status = d.DecompressImage();
    if (d.data != coded.data.data()) std::free(d.data);
    if (status == 0) return d.image;
    std::free(d.image);
    return nullptr;
}

void decodeBench(benchmark::State& state, uint32_t mode, uint32_t quality) {
    Coded coded = compress(mode, quality);
    for (auto _ : state) {
        uint8_t* image = decompress(coded, mode, quality);
        if (!image) state.SkipWithError("DecompressImage failed");
        benchmark::DoNotOptimize(image);
        std::free(image);
    }
    report(state, coded.data.size());
}

void BM_B1Encode(benchmark::State& state) { encodeBench(state, KVI_MODE_B1, uint32_t(state.range(0))); }
void BM_B1Decode(benchmark::State& state) { decodeBench(state, KVI_MODE_B1, uint32_t(state.range(0))); }
void BM_RunLengthEncode(benchmark::State& state) { encodeBench(state, uint32_t(state.range(0)), 0); }
void BM_RunLengthDecode(benchmark::State& state) { decodeBench(state, uint32_t(state.range(0)), 0); }

// One plane, production against the literal reference: the rates are per plane byte.
void planeRate(benchmark::State& state, size_t codedBytes) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(redPlane().size()));
    state.counters["coded_bytes"] = double(codedBytes);
}

void BM_PlaneEncode(benchmark::State& state) {
    Bytes stream;
    (void)redPlane();
    for (auto _ : state) kvi::b1::encodePlane(redPlane().data(), kWidth, kHeight, uint32_t(state.range(0)), stream);
    planeRate(state, stream.size());
}

void BM_PlaneEncodeReference(benchmark::State& state) {
    Bytes stream;
    (void)redPlane();
    for (auto _ : state) stream = b1ref::encode(redPlane().data(), kWidth, kHeight, int(state.range(0)));
    planeRate(state, stream.size());
}

void BM_PlaneDecode(benchmark::State& state) {
    Bytes stream, out(redPlane().size());
    kvi::b1::encodePlane(redPlane().data(), kWidth, kHeight, uint32_t(state.range(0)), stream);
    for (auto _ : state) kvi::b1::decodePlane(stream.data(), stream.size(), kWidth, kHeight, uint32_t(state.range(0)), out.data());
    planeRate(state, stream.size());
}

// The symbol searches of processors without AVX-512: 1 AVX2, 2 portable.
kvi::b1::Search searchOf(int64_t arg) {
    return arg == 0 ? kvi::b1::Search::Fastest : arg == 1 ? kvi::b1::Search::Avx2 : kvi::b1::Search::Portable;
}

void BM_PlaneDecodeSearch(benchmark::State& state) {
    Bytes stream, out(redPlane().size());
    kvi::b1::encodePlane(redPlane().data(), kWidth, kHeight, 100, stream);
    for (auto _ : state)
        kvi::b1::decodePlane(stream.data(), stream.size(), kWidth, kHeight, 100, out.data(), searchOf(state.range(0)));
    planeRate(state, stream.size());
}

void BM_PlaneDecodeReference(benchmark::State& state) {
    Bytes stream, out(redPlane().size());
    kvi::b1::encodePlane(redPlane().data(), kWidth, kHeight, uint32_t(state.range(0)), stream);
    for (auto _ : state) b1ref::decode(stream.data(), stream.size(), kWidth, kHeight, int(state.range(0)), out.data());
    planeRate(state, stream.size());
}

// Streams no encoder writes: all zero bits, all one bits and noise at the shortest length
// the decoder accepts (every symbol the lowest, the highest, or drawn from the model), and
// noise as long as the plane itself (many bits a symbol). Each should decode about as fast
// as the q100 stream of a real picture. The second argument is the search, as above.
void BM_PlaneDecodeHostile(benchmark::State& state) {
    const int kind = int(state.range(0));
    const kvi::b1::Search search = searchOf(state.range(1));
    Bytes stream(kind == 3 ? redPlane().size() : kvi::b1::minStreamBytes(kWidth, kHeight)), out(redPlane().size());
    uint32_t seed = 7;
    for (uint8_t& b : stream) {
        seed = seed * 1664525u + 1013904223u;
        b = kind == 0 ? 0x00 : kind == 1 ? 0xFF : uint8_t(seed >> 24);
    }
    for (auto _ : state) kvi::b1::decodePlane(stream.data(), stream.size(), kWidth, kHeight, 100, out.data(), search);
    planeRate(state, stream.size());
}

// The q100 stream of a plane of noise: the most bits a symbol takes in a real picture, and
// the symbols spread over the whole alphabet. The noise stream above costs about as much.
void BM_PlaneDecodeNoise(benchmark::State& state) {
    Bytes noise(redPlane().size()), stream, out(noise.size());
    uint32_t seed = 11;
    for (uint8_t& b : noise) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    kvi::b1::encodePlane(noise.data(), kWidth, kHeight, 100, stream);
    for (auto _ : state) kvi::b1::decodePlane(stream.data(), stream.size(), kWidth, kHeight, 100, out.data());
    planeRate(state, stream.size());
}

// B1 beside OpenJPEG, library to library: B1 at quality 100 against OpenJPEG lossless, and
// B1 at quality 90 against OpenJPEG coded to the PSNR that B1 reaches there.
struct Versus {
    uint32_t quality;
    Coded ours;
    double oursPsnr;
    float peerTarget;  // 0: lossless
    Bytes peer;
    double peerPsnr;
};

const Versus& versus(uint32_t quality) {
    static std::map<uint32_t, Versus> made;
    auto found = made.find(quality);
    if (found != made.end()) return found->second;
    Versus v{quality, compress(KVI_MODE_B1, quality), 0, 0, {}, 0};
    uint8_t* image = decompress(v.ours, KVI_MODE_B1, quality);
    const Bytes back(image, image + photo().size());
    std::free(image);
    v.oursPsnr = kvtest::psnr(photo(), back);
    v.peerTarget = quality == 100 ? 0.0f : float(v.oursPsnr);
    v.peer = openjpeg::encode(photo(), kWidth, kHeight, v.peerTarget);
    Bytes peerBack;
    v.peerPsnr = openjpeg::decode(v.peer, peerBack) ? kvtest::psnr(photo(), peerBack) : 0;
    return made.emplace(quality, std::move(v)).first->second;
}

void describe(benchmark::State& state, const Versus& v) {
    state.counters["B1 dB"] = v.oursPsnr;
    state.counters["openjpeg dB"] = std::min(v.peerPsnr, 999.0);  // 999: lossless
    state.counters["B1 bytes"] = double(v.ours.data.size());
    state.counters["openjpeg bytes"] = double(v.peer.size());
}

void BM_VersusOpenJpegEncode(benchmark::State& state) {
    const Versus& v = versus(uint32_t(state.range(0)));
    kvbench::sideBySide(
        state, photo().size() * 1e-6, "MB", [&] { benchmark::DoNotOptimize(compress(KVI_MODE_B1, v.quality).data.data()); },
        {{"openjpeg", [&] { benchmark::DoNotOptimize(openjpeg::encode(photo(), kWidth, kHeight, v.peerTarget).data()); }}});
    describe(state, v);
}

void BM_VersusOpenJpegDecode(benchmark::State& state) {
    const Versus& v = versus(uint32_t(state.range(0)));
    Bytes peerBack;
    kvbench::sideBySide(
        state, photo().size() * 1e-6, "MB", [&] { std::free(decompress(v.ours, KVI_MODE_B1, v.quality)); },
        {{"openjpeg", [&] { openjpeg::decode(v.peer, peerBack); }}});
    describe(state, v);
}

BENCHMARK(BM_VersusOpenJpegEncode)->Arg(100)->Arg(90)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VersusOpenJpegDecode)->Arg(100)->Arg(90)->UseManualTime()->Unit(benchmark::kMillisecond);

const std::vector<int64_t> kQualities{100, 90, 50};

BENCHMARK(BM_B1Encode)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_B1Decode)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunLengthEncode)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunLengthDecode)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneEncode)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneEncodeReference)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneDecode)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneDecodeSearch)->DenseRange(1, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneDecodeHostile)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneDecodeNoise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneDecodeReference)->ArgsProduct({kQualities})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
