// Synthesises the sounds of the glider game into the folder named on the command line:
//   crystal.wav  a bright rising chime (16-bit PCM)
//   bump.wav     a dull thud when the glider scrapes the ground (8-bit PCM)
//   boom.ogg     a mine going off: filtered noise (Ogg Vorbis, encoded with libvorbisenc)
//   beacon.ogg   a mine's warning beep
//   start.ogg    a short fanfare when a round starts
//   music.wav    the music, which the build encodes to music.mp3 with LAME
// All mono at 22050 Hz. The random numbers come from a fixed seed, so every build writes the
// same samples.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr float kTwoPi = 6.28318531f;

using Samples = std::vector<float>;  // -1..1

Samples silence(float seconds) { return Samples(static_cast<size_t>(seconds * kRate), 0.0f); }

// Adds a tone of `frequency` Hz starting at `start` seconds, with a quick attack and an
// exponential decay; `harmonics` adds the octave and the twelfth for a bell-like colour.
void addTone(Samples& out, float start, float seconds, float frequency, float volume, float decay, bool harmonics) {
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t count = static_cast<size_t>(seconds * kRate);
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float envelope = std::min(t / 0.005f, 1.0f) * std::exp(-decay * t);
        float wave = std::sin(kTwoPi * frequency * t);
        if (harmonics) wave += 0.4f * std::sin(kTwoPi * 2 * frequency * t) + 0.2f * std::sin(kTwoPi * 3 * frequency * t);
        out[first + i] += volume * envelope * wave;
    }
}

float noteFrequency(int semitonesFromA4) { return 440.0f * std::pow(2.0f, static_cast<float>(semitonesFromA4) / 12); }

Samples chime() {
    Samples s = silence(0.6f);
    const int notes[] = {3, 7, 10, 15};  // C, E, G, C an octave up
    for (int i = 0; i < 4; ++i) addTone(s, 0.05f * static_cast<float>(i), 0.5f, noteFrequency(notes[i]), 0.22f, 7, true);
    return s;
}

Samples thud() {
    Samples s = silence(0.25f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float frequency = 90 - 160 * t;  // falling pitch
        s[i] = 0.8f * std::exp(-18 * t) * std::sin(kTwoPi * frequency * t);
    }
    return s;
}

// Noise through a one-pole low-pass filter that closes as the blast dies away.
Samples boom() {
    Samples s = silence(1.4f);
    uint32_t seed = 12345;
    float low = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        low += (noise - low) * (0.35f * std::exp(-3 * t) + 0.02f);
        s[i] = 1.6f * low * std::exp(-2.5f * t) * std::min(t / 0.01f, 1.0f);
    }
    return s;
}

Samples beacon() {
    Samples s = silence(0.25f);
    addTone(s, 0, 0.12f, 1320, 0.3f, 20, false);
    return s;
}

Samples fanfare() {
    Samples s = silence(1.0f);
    const int notes[] = {-2, 2, 5, 10};
    for (int i = 0; i < 4; ++i) addTone(s, 0.12f * static_cast<float>(i), 0.6f, noteFrequency(notes[i]), 0.2f, 4, true);
    return s;
}

// Eight bars of a bass line and a bell melody over it, about 13 seconds, played in a loop.
Samples music() {
    constexpr float kBeat = 0.4f;
    Samples s = silence(32 * kBeat + 0.5f);
    const int bass[8] = {-21, -21, -16, -16, -19, -19, -14, -17};  // one a bar: C, F, D, G ...
    const int melody[32] = {3,  7,  10, 7,  8,  12, 15, 12, 5,  8,  12, 8,  7,  10, 14, 10,
                            3,  7,  10, 15, 12, 8,  5,  8,  5,  8,  12, 10, 7,  2,  3,  -100};
    for (int bar = 0; bar < 8; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            const float at = static_cast<float>(bar * 4 + beat) * kBeat;
            addTone(s, at, kBeat, noteFrequency(bass[bar]), beat == 0 ? 0.22f : 0.12f, 5, false);
            const int note = melody[bar * 4 + beat];
            if (note > -100) addTone(s, at, kBeat * 2, noteFrequency(note), 0.09f, 3.5f, true);
        }
    }
    return s;
}

void putLittleEndian(FILE* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), out);
}

// A RIFF/WAVE file: the 'fmt ' chunk, then the 'data' chunk of 8-bit (unsigned) or 16-bit
// (signed) samples.
bool writeWav(const std::string& path, const Samples& samples, int bits) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const uint32_t bytesPerSample = static_cast<uint32_t>(bits / 8);
    const uint32_t dataSize = static_cast<uint32_t>(samples.size()) * bytesPerSample;
    std::fputs("RIFF", out);
    putLittleEndian(out, 36 + dataSize, 4);
    std::fputs("WAVEfmt ", out);
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2);  // PCM
    putLittleEndian(out, 1, 2);  // mono
    putLittleEndian(out, kRate, 4);
    putLittleEndian(out, kRate * bytesPerSample, 4);
    putLittleEndian(out, bytesPerSample, 2);
    putLittleEndian(out, static_cast<uint32_t>(bits), 2);
    std::fputs("data", out);
    putLittleEndian(out, dataSize, 4);
    for (const float sample : samples) {
        const float v = std::clamp(sample, -1.0f, 1.0f);
        if (bits == 8) {
            std::fputc(static_cast<int>(std::lround(128 + 127 * v)), out);
        } else {
            putLittleEndian(out, static_cast<uint32_t>(static_cast<int16_t>(std::lround(32767 * v))), 2);
        }
    }
    return std::fclose(out) == 0;
}

bool writePages(FILE* out, ogg_stream_state& stream, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, page.header_len, out) != static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, page.body_len, out) != static_cast<size_t>(page.body_len))
            return false;
    }
    return true;
}

// Ogg Vorbis through libvorbisenc, the way its documentation lays out: the three header
// packets first, then the samples in blocks, then the end of the stream.
bool writeOgg(const std::string& path, const Samples& samples) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info info;
    vorbis_info_init(&info);
    bool ok = vorbis_encode_init_vbr(&info, 1, kRate, 0.4f) == 0;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    ogg_stream_init(&stream, 2026);
    if (ok) {
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_packet header, commentPacket, codebooks;
        vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
        ogg_stream_packetin(&stream, &header);
        ogg_stream_packetin(&stream, &commentPacket);
        ogg_stream_packetin(&stream, &codebooks);
        ok = writePages(out, stream, true);

        constexpr size_t kChunk = 1024;
        for (size_t done = 0; ok && done <= samples.size(); done += kChunk) {
            const size_t count = std::min(kChunk, samples.size() - std::min(done, samples.size()));
            if (count == 0) {
                vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
            } else {
                float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
                std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(done), count, buffer[0]);
                vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            }
            while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
                vorbis_analysis(&block, nullptr);
                vorbis_bitrate_addblock(&block);
                ogg_packet packet;
                while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                    ogg_stream_packetin(&stream, &packet);
                    ok = writePages(out, stream, false);
                }
            }
            if (count == 0) break;
        }
        ok = ok && writePages(out, stream, true);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
    }
    ogg_stream_clear(&stream);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1] + std::string("/");
    const bool ok = writeWav(dir + "crystal.wav", chime(), 16) && writeWav(dir + "bump.wav", thud(), 8) &&
                    writeOgg(dir + "boom.ogg", boom()) && writeOgg(dir + "beacon.ogg", beacon()) &&
                    writeOgg(dir + "start.ogg", fanfare()) && writeWav(dir + "music.wav", music(), 16);
    if (!ok) {
        std::fprintf(stderr, "make_sounds: cannot write the sounds into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
