// sound_fuzz_seeds WAVDIR OGGDIR: small WAV files of every kind the reader meets (formats,
// chunk orders, cut data) and short Ogg Vorbis files, as seeds.
#include <audiofiles.h>

#include <cstdio>
#include <string>

namespace {

bool save(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WAVDIR OGGDIR\n", argv[0]);
        return 2;
    }
    const std::string wav = argv[1], ogg = argv[2];
    bool ok = true;
    const auto tone = kvtest::sineWave(64, 8000, 1000.0, 0.5, 2);
    const auto bytes = kvtest::bytesOf(tone);
    ok &= save(wav + "/stereo16.wav", kvtest::pcmWave(2, 8000, 16, bytes));
    ok &= save(wav + "/mono8.wav", kvtest::pcmWave(1, 11025, 8, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 50)));
    ok &= save(wav + "/chunks.wav", kvtest::riffWave({{"LIST", {'I', 'N', 'F', 'O', 'x'}},
                                                      {"fmt ", kvtest::fmtChunk(1, 1, 22050, 16)},
                                                      {"fact", {1, 0, 0, 0}},
                                                      {"data", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40)}}));
    ok &= save(wav + "/data_first.wav",
               kvtest::riffWave({{"data", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 32)},
                                 {"fmt ", kvtest::fmtChunk(1, 2, 44100, 8)}}));
    auto cut = kvtest::pcmWave(2, 48000, 16, bytes);
    cut.resize(cut.size() - 37);
    ok &= save(wav + "/cut.wav", cut);
    ok &= save(wav + "/float.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(3, 1, 8000, 32)}, {"data", bytes}}));

    const std::string monoPath = ogg + "/mono.ogg", stereoPath = ogg + "/stereo.ogg";
    ok &= kvtest::writeOgg(monoPath, kvtest::sineWave(2000, 8000, 440.0, 0.5, 1), 1, 8000);
    ok &= kvtest::writeOgg(stereoPath, kvtest::sineWave(1500, 22050, 880.0, 0.3, 2), 2, 22050);
    if (!ok) std::fprintf(stderr, "%s: could not write every seed\n", argv[0]);
    return ok ? 0 : 1;
}
