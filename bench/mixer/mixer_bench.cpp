// 32 playing buffers (mono and stereo, 8 and 16 bits, six rates, volume and pan set) mixed
// into 10 ms blocks of 48 kHz stereo, beside SDL's own per-voice conversion and mixing; and
// the MP3 music path rendered offline beside plain libmpg123 decoding. Ratios, the share of
// one core and the memory a playing 10-minute song holds are printed after the run.
#include <audiofiles.h>

#include <platform/audio.h>
#include <platform/dshow.h>
#include <platform/dsound.h>
#include <platform/window.h>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kVoices = 32;
constexpr uint32_t kBlock = 480;  // 10 ms at 48 kHz
constexpr uint32_t kRates[] = {8000, 11025, 22050, 32000, 44100, 48000};

// By benchmark: wall and processor time of one iteration in its unit, and real-time factors.
struct Figures {
    double wall = 0, cpu = 0, realTime = 0;
};
std::map<std::string, Figures> gFigures;

struct VoiceSpec {
    uint16_t channels, bits;
    uint32_t rate;
    std::vector<uint8_t> bytes;  // one second of a tone
};

std::vector<VoiceSpec> voices() {
    std::vector<VoiceSpec> out;
    for (uint32_t v = 0; v < kVoices; ++v) {
        VoiceSpec spec{static_cast<uint16_t>(1 + v % 2), static_cast<uint16_t>(v % 4 < 2 ? 16 : 8), kRates[v % 6], {}};
        const auto tone = kvtest::sineWave(spec.rate, spec.rate, 200.0 + 37.0 * v, 0.05, spec.channels);
        if (spec.bits == 16) {
            spec.bytes = kvtest::bytesOf(tone);
        } else {
            for (int16_t s : tone) spec.bytes.push_back(static_cast<uint8_t>((s >> 8) + 128));
        }
        out.push_back(std::move(spec));
    }
    return out;
}

void BM_Mix32Voices(benchmark::State& state) {
    platform::audio::holdOutput(true);
    HWND window = platform::createOffscreenWindow(16, 16);
    IDirectSound8* sound = nullptr;
    if (DirectSoundCreate8(nullptr, &sound, nullptr) != DS_OK) {
        state.SkipWithError("no audio output");
        return;
    }
    std::vector<IDirectSoundBuffer*> buffers;
    for (const VoiceSpec& spec : voices()) {
        const auto block = static_cast<WORD>(spec.channels * spec.bits / 8);
        WAVEFORMATEX format{WAVE_FORMAT_PCM, spec.channels, spec.rate, spec.rate * block, block, spec.bits, 0};
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN,
                          static_cast<DWORD>(spec.bytes.size()), 0, &format, {}};
        IDirectSoundBuffer* buffer = nullptr;
        sound->CreateSoundBuffer(&desc, &buffer, nullptr);
        void* part = nullptr;
        DWORD bytes = 0;
        buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        std::memcpy(part, spec.bytes.data(), bytes);
        buffer->Unlock(part, bytes, nullptr, 0);
        buffer->SetVolume(-300 - static_cast<LONG>(buffers.size()) * 20);
        buffer->SetPan(static_cast<LONG>(buffers.size()) * 300 - 4500);
        buffer->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(buffer);
    }
    std::vector<int16_t> out(kBlock * 2);
    for (auto _ : state) {
        platform::audio::renderMix(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    for (IDirectSoundBuffer* b : buffers) b->Release();
    sound->Release();
    platform::destroyWindow(window);
}

// The same job with SDL: one audio stream per voice converting to 48 kHz stereo 16-bit,
// then SDL_MixAudioFormat with a volume.
void BM_Mix32VoicesSdl(benchmark::State& state) {
    struct Peer {
        SDL_AudioStream* stream;
        std::vector<uint8_t> bytes;
        size_t at;
        uint32_t bytesPerBlock;
        int volume;
    };
    std::vector<Peer> peers;
    int v = 0;
    for (VoiceSpec& spec : voices()) {
        const SDL_AudioFormat format = spec.bits == 16 ? AUDIO_S16SYS : AUDIO_U8;
        SDL_AudioStream* stream = SDL_NewAudioStream(format, static_cast<Uint8>(spec.channels), static_cast<int>(spec.rate),
                                                     AUDIO_S16SYS, 2, 48000);
        const uint32_t frameBytes = spec.channels * spec.bits / 8u;
        peers.push_back({stream, std::move(spec.bytes), 0, (spec.rate + 99) / 100 * frameBytes,
                         SDL_MIX_MAXVOLUME * 7 / 10 - v++});
    }
    std::vector<uint8_t> out(kBlock * 4), converted(kBlock * 4);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), uint8_t{0});
        for (Peer& p : peers) {
            while (SDL_AudioStreamAvailable(p.stream) < static_cast<int>(converted.size())) {
                if (p.at + p.bytesPerBlock > p.bytes.size()) p.at = 0;
                SDL_AudioStreamPut(p.stream, p.bytes.data() + p.at, static_cast<int>(p.bytesPerBlock));
                p.at += p.bytesPerBlock;
            }
            SDL_AudioStreamGet(p.stream, converted.data(), static_cast<int>(converted.size()));
            SDL_MixAudioFormat(out.data(), converted.data(), AUDIO_S16SYS, static_cast<Uint32>(converted.size()),
                               p.volume);
        }
        benchmark::DoNotOptimize(out.data());
    }
    for (Peer& p : peers) SDL_FreeAudioStream(p.stream);
}

std::string songPath(int seconds) {
    static std::map<int, std::string> made;
    if (auto found = made.find(seconds); found != made.end()) return found->second;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("mixer_bench_" + std::to_string(seconds) + "s.mp3")).string();
    // Ten seconds of stereo chords, repeated: MPEG frames stand alone, so copies join up.
    const auto low = kvtest::sineWave(441000, 44100, 220.0, 0.3, 2);
    auto music = kvtest::sineWave(441000, 44100, 330.0, 0.3, 2);
    for (size_t i = 0; i < music.size(); ++i) music[i] = static_cast<int16_t>(music[i] + low[i]);
    const std::string piece = path + ".piece";
    if (!kvtest::writeMp3(piece, music, 2, 44100)) std::abort();
    FILE* in = std::fopen(piece.c_str(), "rb");
    std::vector<char> bytes(std::filesystem::file_size(piece));
    if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) std::abort();
    std::fclose(in);
    FILE* out = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < seconds / 10; ++i) std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    std::filesystem::remove(piece);
    return made[seconds] = path;
}

struct Graph {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* event = nullptr;

    explicit Graph(const std::string& path) {
        CoInitialize(nullptr);
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph));
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&event));
        const std::u16string wide(path.begin(), path.end());
        if (graph->RenderFile(wide.c_str(), nullptr) != S_OK) std::abort();
        control->Run();
    }
    ~Graph() {
        event->Release();
        control->Release();
        graph->Release();
        CoUninitialize();
    }
    bool ended() {
        LONG code = 0;
        return event->WaitForCompletion(0, &code) == S_OK;
    }
};

// The whole music path offline: decoder thread, ring and resampling to 48 kHz.
void BM_Mp3GraphOffline(benchmark::State& state) {
    platform::audio::holdOutput(true);
    const std::string path = songPath(60);
    std::vector<int16_t> out(kBlock * 2);
    double blocks = 0;
    for (auto _ : state) {
        Graph graph(path);
        while (!graph.ended()) {
            platform::audio::renderMix(out.data(), kBlock);
            ++blocks;
        }
    }
    state.counters["x real time"] =
        benchmark::Counter(blocks * 0.01, benchmark::Counter::kIsRate);
}

void BM_Mp3Mpg123Peer(benchmark::State& state) {
    const std::string path = songPath(60);
    std::vector<unsigned char> out(1152 * 4);
    double frames = 0;
    long rate = 44100;
    for (auto _ : state) {
        mpg123_handle* handle = mpg123_new(nullptr, nullptr);
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_open(handle, path.c_str());
        int channels = 0, encoding = 0;
        mpg123_getformat(handle, &rate, &channels, &encoding);
        size_t done = 0;
        while (mpg123_read(handle, out.data(), out.size(), &done) == MPG123_OK) frames += done / 4.0;
        mpg123_close(handle);
        mpg123_delete(handle);
    }
    state.counters["x real time"] = benchmark::Counter(frames / rate, benchmark::Counter::kIsRate);
}

// Heap held by a running graph of a 10-minute song, after a minute of it was mixed.
size_t songMemoryBytes() {
    platform::audio::holdOutput(true);
    const std::string path = songPath(600);
    const size_t before = mallinfo2().uordblks;
    Graph graph(path);
    std::vector<int16_t> out(kBlock * 2);
    size_t peak = 0;
    for (int i = 0; i < 6000; ++i) {
        platform::audio::renderMix(out.data(), kBlock);
        if (i % 100 == 0) peak = std::max(peak, mallinfo2().uordblks - before);
    }
    return peak;
}

class TimeCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            Figures& f = gFigures[run.run_name.function_name];
            f.wall = run.GetAdjustedRealTime();
            f.cpu = run.GetAdjustedCPUTime();
            if (auto it = run.counters.find("x real time"); it != run.counters.end()) f.realTime = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Processor time is the steadier figure on a shared machine; a 10 ms block's share of one
// core is its microseconds / 100.
void printSummary() {
    const Figures ours = gFigures["BM_Mix32Voices"], peer = gFigures["BM_Mix32VoicesSdl"];
    if (ours.cpu > 0 && peer.cpu > 0) {
        std::printf("\n32 voices into 10 ms of 48 kHz stereo (processor time; wall clock in brackets):\n");
        std::printf("  ours %.1f us/block = %.2f%% of one core (%.1f us), SDL %.1f us/block = %.2f%% (%.1f us)\n",
                    ours.cpu, ours.cpu / 100.0, ours.wall, peer.cpu, peer.cpu / 100.0, peer.wall);
        std::printf("  ours is %.2fx as fast as SDL (%.2fx by the wall clock)\n", peer.cpu / ours.cpu, peer.wall / ours.wall);
    }
    const double graph = gFigures["BM_Mp3GraphOffline"].realTime, plain = gFigures["BM_Mp3Mpg123Peer"].realTime;
    if (graph > 0 && plain > 0) {
        std::printf("MP3 (44.1 kHz stereo, 128 kbit/s): music path %.0fx real time, plain libmpg123 %.0fx (ratio %.2f)\n",
                    graph, plain, graph / plain);
    }
}

}  // namespace

BENCHMARK(BM_Mix32Voices)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Mix32VoicesSdl)->Unit(benchmark::kMicrosecond)->UseRealTime();
// The decoder runs on its own thread: wall time is what counts.
BENCHMARK(BM_Mp3GraphOffline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Mp3Mpg123Peer)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TimeCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary();
    std::printf("heap held while a 10-minute song plays: %.0f KB\n", songMemoryBytes() / 1024.0);
    return 0;
}
