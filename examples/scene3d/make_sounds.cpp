// scene3d_make_sounds EFFECT.wav MUSIC.wav: the example's sound effect (a short falling
// chirp, 22.05 kHz mono 16-bit) and eight seconds of a looping tune (44.1 kHz mono 16-bit),
// which the build then encodes to MP3. Both are computed, so the repository holds no audio.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The canonical RIFF/WAVE layout: 'fmt ' then 'data'.
bool writeWav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate) {
    const auto dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (int16_t s : samples) put16(out, uint16_t(s));
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

int16_t sample(double v) { return int16_t(std::lround(std::fmax(-1.0, std::fmin(1.0, v)) * 32767.0)); }

// A quarter of a second falling from 1400 Hz to 300 Hz, fading out.
std::vector<int16_t> chirp(uint32_t rate) {
    const uint32_t frames = rate / 4;
    std::vector<int16_t> out(frames);
    double phase = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / frames;
        phase += 2 * kPi * (1400.0 - 1100.0 * t) / rate;
        out[i] = sample(0.6 * (1 - t) * (1 - t) * std::sin(phase));
    }
    return out;
}

// Four bars of arpeggios over a bass at 120 beats a minute, ending where it began so that
// the loop joins up.
std::vector<int16_t> tune(uint32_t rate) {
    static const int kChords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};  // Am F C G
    const double beat = 0.5;
    const uint32_t frames = uint32_t(16 * beat * rate);
    std::vector<int16_t> out(frames);
    auto hz = [](int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); };
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const int bar = int(t / (4 * beat)) % 4;
        const int eighth = int(t / (beat / 2));
        const double inNote = t - eighth * (beat / 2);
        const double inBar = t - int(t / (4 * beat)) * (4 * beat);
        const int note = kChords[bar][eighth % 3] + 12 * ((eighth % 6) / 3);
        const double lead = std::sin(2 * kPi * hz(note) * t) * std::exp(-6.0 * inNote);
        const double bass = std::sin(2 * kPi * hz(kChords[bar][0] - 24) * t) * std::exp(-0.8 * inBar);
        const double fade = std::fmin(1.0, std::fmin(t, (frames - 1.0 - i) / rate) * 200.0);
        out[i] = sample(fade * (0.35 * lead + 0.3 * bass));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s EFFECT.wav MUSIC.wav\n", argv[0]);
        return 2;
    }
    for (const auto& [path, samples, rate] : {std::tuple{argv[1], chirp(22050), 22050u},
                                              std::tuple{argv[2], tune(44100), 44100u}}) {
        if (!writeWav(path, samples, rate)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path);
            return 1;
        }
    }
    return 0;
}
