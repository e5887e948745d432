// cTOVREN_Sound against files the tests write themselves (RIFF/WAVE by hand, Ogg Vorbis and
// MP3 through the real encoders), heard through the held audio output.
#include <tovren/tovren.h>

#include <audiofiles.h>
#include <testsupport.h>

#include <platform/audio.h>
#include <platform/window.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <numeric>

namespace {

using kvtest::Bytes;

std::vector<int16_t> pull(uint32_t frames) {
    std::vector<int16_t> out(size_t{frames} * 2);
    platform::audio::renderMix(out.data(), frames);
    return out;
}

class EngineSound : public ::testing::Test {
protected:
    void SetUp() override {
        platform::audio::holdOutput(true);
        window_ = platform::createOffscreenWindow(64, 64);
        ASSERT_EQ(sound_.Init(window_), TOVREN_OK);
        ASSERT_NE(sound_.directSound, nullptr);
    }

    void TearDown() override {
        sound_.StopMP3Stream();
        for (IDirectSoundBuffer* b : buffers_) b->Release();
        sound_.Uninit();
        platform::destroyWindow(window_);
    }

    std::string file(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_.file(name);
        kvtest::writeFile(path, bytes);
        return path;
    }

    // Loads `path`; the buffer is released after the test.
    IDirectSoundBuffer* load(const std::string& path, uint32_t expected = TOVREN_OK) {
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(sound_.Load(&buffer, path.c_str()), expected) << path;
        if (buffer) buffers_.push_back(buffer);
        return buffer;
    }

    static Bytes contents(IDirectSoundBuffer* buffer) {
        void* part = nullptr;
        DWORD bytes = 0;
        EXPECT_EQ(buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        Bytes out(static_cast<uint8_t*>(part), static_cast<uint8_t*>(part) + bytes);
        buffer->Unlock(part, bytes, nullptr, 0);
        return out;
    }

    kvtest::TempDir dir_;
    HWND window_ = nullptr;
    cTOVREN_Sound sound_;
    std::vector<IDirectSoundBuffer*> buffers_;
};

std::vector<int16_t> pattern(size_t count) {
    std::vector<int16_t> samples(count);
    uint32_t state = 99;
    for (int16_t& s : samples) {
        state = state * 1103515245u + 12345u;
        s = static_cast<int16_t>(state >> 16);
    }
    return samples;
}

TEST_F(EngineSound, InitAndUninitOwnTheDevice) {
    cTOVREN_Sound other;
    EXPECT_EQ(other.Init(nullptr), TOVREN_ERR_SOUND_COOPERATIVE);
    other.Uninit();
    EXPECT_EQ(other.directSound, nullptr);
    other.Uninit();  // twice is harmless
    // Loading without a device fails instead of calling through a null device.
    IDirectSoundBuffer* buffer = nullptr;
    const std::string path = file("a.wav", kvtest::pcmWave(1, 8000, 8, Bytes(100, 0x80)));
    EXPECT_EQ(other.LoadWAV(&buffer, path.c_str()), TOVREN_ERR_SOUND_CREATE_BUFFER);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(sound_.LoadWAV(nullptr, path.c_str()), TOVREN_ERR_POINTER);
}

TEST_F(EngineSound, LoadChoosesTheReaderByTheLastThreeLettersInAnyCase) {
    const Bytes wav = kvtest::pcmWave(1, 8000, 8, Bytes(100, 0x80));
    EXPECT_NE(load(file("a.WaV", wav)), nullptr);
    load(file("b.oGg", wav), TOVREN_ERR_FILE_READ);  // read as Ogg Vorbis, which it is not
    IDirectSoundBuffer* untouched = reinterpret_cast<IDirectSoundBuffer*>(8);
    EXPECT_EQ(sound_.Load(&untouched, file("c.mp3", wav).c_str()), TOVREN_ERR_SOUND_UNKNOWN_FORMAT);
    EXPECT_EQ(sound_.Load(&untouched, file("av", wav).c_str()), TOVREN_ERR_SOUND_UNKNOWN_FORMAT);
    EXPECT_EQ(sound_.Load(&untouched, nullptr), TOVREN_ERR_SOUND_UNKNOWN_FORMAT);
    EXPECT_EQ(untouched, reinterpret_cast<IDirectSoundBuffer*>(8));
    EXPECT_EQ(sound_.Load(&untouched, dir_.file("missing.wav").c_str()), TOVREN_ERR_CREATE_FILE);
    EXPECT_EQ(sound_.Load(&untouched, dir_.file("missing.ogg").c_str()), TOVREN_ERR_CREATE_FILE);
}

TEST_F(EngineSound, ACanonicalWavKeepsAllItsSamplesAndPlaysThemExactly) {
    const auto samples = pattern(2 * 2400);
    const Bytes data = kvtest::bytesOf(samples);
    const Bytes wav = kvtest::pcmWave(2, 48000, 16, data);
    ASSERT_EQ(wav.size(), 44 + data.size());
    IDirectSoundBuffer* buffer = load(file("exact.wav", wav));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(contents(buffer), data);  // N bytes, from the first data byte on
    ASSERT_EQ(sound_.Play(buffer, false), TOVREN_OK);
    EXPECT_EQ(pull(2400), samples);
    EXPECT_FALSE(sound_.isPlay(buffer));
}

TEST_F(EngineSound, WavChunksAreFoundWhereverTheyAre) {
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const Bytes list{'I', 'N', 'F', 'O', 'a', 'b', 'c'};  // odd size, padded
    const Bytes wav = kvtest::riffWave({{"LIST", list},
                                        {"fmt ", kvtest::fmtChunk(1, 1, 22050, 8)},
                                        {"fact", {4, 0, 0, 0}},
                                        {"data", data},
                                        {"LIST", list}});
    IDirectSoundBuffer* buffer = load(file("chunks.wav", wav));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(contents(buffer), data);
    // 'data' before 'fmt ', and a longer 'fmt ' with extra bytes.
    Bytes longFormat = kvtest::fmtChunk(1, 2, 44100, 16);
    longFormat.insert(longFormat.end(), {0, 0});
    const Bytes stereo{1, 2, 3, 4, 5, 6, 7, 8};
    buffer = load(file("order.wav", kvtest::riffWave({{"data", stereo}, {"fmt ", longFormat}})));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(contents(buffer), stereo);
    DWORD frequency = 0;
    buffer->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 44100u);
}

TEST_F(EngineSound, DataPastTheEndIsCutToTheWholeFramesThere) {
    Bytes wav = kvtest::pcmWave(2, 8000, 16, kvtest::bytesOf(pattern(64)));  // 128 data bytes
    wav[40] = 0x00, wav[41] = 0x10;  // the data chunk claims 4096 bytes
    wav.resize(wav.size() - 3);      // and the file ends inside a frame
    IDirectSoundBuffer* buffer = load(file("cut.wav", wav));
    ASSERT_NE(buffer, nullptr);
    const Bytes kept = contents(buffer);
    EXPECT_EQ(kept.size(), 124u);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), wav.begin() + 44));
}

TEST_F(EngineSound, FilesOtherThanPcm8Or16WavAreTheWrongFormat) {
    const Bytes pcm(64, 0);
    const auto wrong = [&](const std::string& name, const Bytes& bytes) {
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(sound_.LoadWAV(&buffer, file(name, bytes).c_str()), TOVREN_ERR_SOUND_FORMAT) << name;
        EXPECT_EQ(buffer, nullptr);
    };
    wrong("float.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(3, 1, 44100, 32)}, {"data", pcm}}));
    wrong("adpcm.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(2, 1, 44100, 4)}, {"data", pcm}}));
    wrong("24bit.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(1, 2, 44100, 24)}, {"data", pcm}}));
    wrong("surround.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(1, 6, 44100, 16)}, {"data", pcm}}));
    Bytes badAlign = kvtest::fmtChunk(1, 2, 44100, 16);
    badAlign[12] = 2;
    wrong("align.wav", kvtest::riffWave({{"fmt ", badAlign}, {"data", pcm}}));
    Bytes shortFormat = kvtest::fmtChunk(1, 1, 8000, 8);
    shortFormat.resize(14);
    wrong("short.wav", kvtest::riffWave({{"fmt ", shortFormat}, {"data", pcm}}));
    wrong("nodata.wav", kvtest::riffWave({{"fmt ", kvtest::fmtChunk(1, 1, 8000, 8)}}));
    wrong("nofmt.wav", kvtest::riffWave({{"data", pcm}}));
    Bytes rifx = kvtest::pcmWave(1, 8000, 8, pcm);
    rifx[3] = 'X';
    wrong("rifx.wav", rifx);
    Bytes avi = kvtest::pcmWave(1, 8000, 8, pcm);
    std::memcpy(&avi[8], "AVI ", 4);
    wrong("avi.wav", avi);
    wrong("text.wav", Bytes(200, 'x'));
    wrong("empty.wav", {});
    // Not a regular file: neither a folder nor a FIFO is opened (a FIFO would block).
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(sound_.LoadWAV(&buffer, dir_.path().c_str()), TOVREN_ERR_CREATE_FILE);
    const std::string fifo = dir_.file("fifo.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(sound_.LoadWAV(&buffer, fifo.c_str()), TOVREN_ERR_CREATE_FILE);
    EXPECT_EQ(sound_.LoadOGG(&buffer, fifo.c_str()), TOVREN_ERR_CREATE_FILE);
    EXPECT_FALSE(sound_.PlayMP3Stream(fifo.c_str()));
}

TEST_F(EngineSound, OggFilesDecodeToTheirLengthAndTone) {
    const std::string mono = dir_.file("mono.ogg");
    ASSERT_TRUE(kvtest::writeOgg(mono, kvtest::sineWave(44100, 44100, 440.0, 0.5, 1), 1, 44100));
    IDirectSoundBuffer* buffer = load(mono);
    ASSERT_NE(buffer, nullptr);
    IDirectSoundBuffer8* same = nullptr;
    ASSERT_EQ(buffer->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(static_cast<IDirectSoundBuffer*>(same), buffer);
    same->Release();
    EXPECT_EQ(contents(buffer).size(), 44100u * 2);
    ASSERT_EQ(sound_.Play(buffer, false), TOVREN_OK);
    const auto heard = pull(48000 + 480);
    EXPECT_NEAR(kvtest::frequencyOf(heard.data() + 4800, 38400, 0, 48000), 440.0, 1.0);
    EXPECT_NEAR(kvtest::rmsOf(heard.data() + 4800, 38400, 1), 0.5 * 32767 / std::sqrt(2.0), 300.0);
    EXPECT_NEAR(static_cast<double>(kvtest::soundEnd(heard.data(), heard.size() / 2, 300)), 48000.0, 50.0);

    std::vector<int16_t> both;
    const auto left = kvtest::sineWave(11025, 22050, 300.0, 0.4, 1);
    const auto right = kvtest::sineWave(11025, 22050, 1200.0, 0.4, 1);
    for (size_t i = 0; i < left.size(); ++i) both.insert(both.end(), {left[i], right[i]});
    const std::string stereo = dir_.file("stereo.OGG");
    ASSERT_TRUE(kvtest::writeOgg(stereo, both, 2, 22050));
    buffer = load(stereo);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(contents(buffer).size(), 11025u * 4);
    ASSERT_EQ(sound_.Play(buffer, false), TOVREN_OK);
    const auto pair = pull(24000);
    EXPECT_NEAR(kvtest::frequencyOf(pair.data() + 4800, 19200, 0, 48000), 300.0, 1.5);
    EXPECT_NEAR(kvtest::frequencyOf(pair.data() + 4800, 19200, 1, 48000), 1200.0, 3.0);
}

TEST_F(EngineSound, DamagedOggEndsTheLoadWithAReadFailure) {
    const std::string path = dir_.file("noise.ogg");
    ASSERT_TRUE(kvtest::writeOgg(path, pattern(88200), 1, 44100));  // noise fills many pages
    Bytes bytes = kvtest::readFile(path);
    // Without one page from the middle the stream has a hole.
    std::vector<size_t> pages;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
        if (std::memcmp(&bytes[i], "OggS", 4) == 0) pages.push_back(i);
    }
    ASSERT_GT(pages.size(), 6u);
    const size_t middle = pages.size() / 2;
    bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(pages[middle]),
                bytes.begin() + static_cast<ptrdiff_t>(pages[middle + 1]));
    IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(8);
    EXPECT_EQ(sound_.LoadOGG(&buffer, file("hole.ogg", bytes).c_str()), TOVREN_ERR_FILE_READ);
    EXPECT_EQ(buffer, reinterpret_cast<IDirectSoundBuffer*>(8));
    bytes.resize(100);  // not even the headers
    EXPECT_EQ(sound_.LoadOGG(&buffer, file("short.ogg", bytes).c_str()), TOVREN_ERR_FILE_READ);
}

TEST_F(EngineSound, VolumePercentFollowsTheLogarithmicScale) {
    IDirectSoundBuffer* buffer = load(file("v.wav", kvtest::pcmWave(2, 48000, 16, kvtest::bytesOf(std::vector<int16_t>(960, 20000)))));
    ASSERT_NE(buffer, nullptr);
    const std::pair<uint32_t, int32_t> cases[] = {{0, -10000}, {250, 0}, {100, 0}, {50, -1204}, {10, -4000}, {1, -8000}};
    for (const auto& [percent, volume] : cases) {
        sound_.SetVolPct(buffer, percent);
        EXPECT_EQ(sound_.GetVolume(buffer), volume) << percent;
    }
    sound_.SetVolPct(buffer, 50);
    sound_.SetPan(buffer, -2000);
    EXPECT_EQ(sound_.GetPan(buffer), -2000);
    ASSERT_EQ(sound_.Play(buffer, false), TOVREN_OK);
    const auto out = pull(10);
    EXPECT_EQ(out[0], 5001);  // 20000 at -12.04 dB
    EXPECT_EQ(out[1], 500);   // and 20 dB less on the far side
    sound_.SetVolume(buffer, -20000);  // out of range: refused, kept
    EXPECT_EQ(sound_.GetVolume(buffer), -1204);
}

TEST_F(EngineSound, PlayRestartsAPlayingBufferAndStopRewinds) {
    std::vector<int16_t> ramp(2 * 4800);
    std::iota(ramp.begin(), ramp.end(), int16_t{0});
    IDirectSoundBuffer* buffer = load(file("ramp.wav", kvtest::pcmWave(2, 48000, 16, kvtest::bytesOf(ramp))));
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(sound_.Play(buffer, false), TOVREN_OK);
    pull(1000);
    EXPECT_EQ(sound_.GetPosition(buffer), 4000u);
    ASSERT_EQ(sound_.Play(buffer, true), TOVREN_OK);
    EXPECT_EQ(sound_.GetPosition(buffer), 0u);
    EXPECT_EQ(pull(1)[0], 0);
    const auto looped = pull(4800);  // wraps around once
    EXPECT_EQ(looped[2 * 4799], 0);
    EXPECT_TRUE(sound_.isPlay(buffer));
    sound_.Stop(buffer);
    EXPECT_FALSE(sound_.isPlay(buffer));
    EXPECT_EQ(sound_.GetPosition(buffer), 0u);
    sound_.SetPosition(buffer, 400);
    EXPECT_EQ(sound_.GetPosition(buffer), 400u);

    EXPECT_EQ(sound_.Play(nullptr, false), TOVREN_ERR_SOUND_PLAY);
    sound_.Stop(nullptr);
    EXPECT_FALSE(sound_.isPlay(nullptr));
    EXPECT_EQ(sound_.GetVolume(nullptr), 0);
    EXPECT_EQ(sound_.GetPan(nullptr), 0);
    EXPECT_EQ(sound_.GetPosition(nullptr), 0u);
    sound_.SetVolPct(nullptr, 50);
    sound_.SetPan(nullptr, 5);
    sound_.SetPosition(nullptr, 5);
}

class EngineMusic : public EngineSound {
protected:
    // `seconds` of `hz`, then as long again of twice that, mono 44.1 kHz.
    std::string song(const std::string& name, double hz, uint32_t seconds = 1) {
        auto samples = kvtest::sineWave(44100 * seconds, 44100, hz, 0.5, 1);
        const auto high = kvtest::sineWave(44100 * seconds, 44100, hz * 2, 0.5, 1);
        samples.insert(samples.end(), high.begin(), high.end());
        const std::string path = dir_.file(name);
        EXPECT_TRUE(kvtest::writeMp3(path, samples, 1, 44100));
        return path;
    }
};

TEST_F(EngineMusic, MissingOrBrokenFilesReturnFalse) {
    sound_.CheckMP3Stream(0);  // no stream: nothing happens
    EXPECT_FALSE(sound_.PlayMP3Stream(dir_.file("missing.mp3").c_str()));
    EXPECT_FALSE(sound_.PlayMP3Stream(file("text.mp3", Bytes(3000, 't')).c_str()));
    EXPECT_FALSE(sound_.PlayMP3Stream(nullptr));
    EXPECT_FALSE(sound_.PlayMP3Stream("bad\xC3.mp3"));  // not a name the wide conversion takes
    sound_.CheckMP3Stream(0);
    EXPECT_EQ(kvtest::rmsOf(pull(480).data(), 480, 0), 0.0);
}

TEST_F(EngineMusic, TheSongLoopsFromTheGivenPositionAfterItsEnd) {
    ASSERT_TRUE(sound_.PlayMP3Stream(song("song.mp3", 440.0).c_str()));
    std::vector<int16_t> heard;
    for (int block = 0; block < 300; ++block) {  // 3 s of 10 ms frames, checking each time
        const auto b = pull(480);
        heard.insert(heard.end(), b.begin(), b.end());
        sound_.CheckMP3Stream(15000000);  // 1.5 s
    }
    EXPECT_NEAR(kvtest::frequencyOf(heard.data() + 2 * 4800, 38400, 0, 48000), 440.0, 1.0);
    EXPECT_NEAR(kvtest::frequencyOf(heard.data() + 2 * 52800, 38400, 0, 48000), 880.0, 1.0);
    // Past the end the second half plays again instead of the beginning, with no pause to
    // speak of between the loops.
    EXPECT_NEAR(kvtest::frequencyOf(heard.data() + 2 * 100000, 40000, 0, 48000), 880.0, 1.5);
    EXPECT_GT(kvtest::rmsOf(heard.data() + 2 * 96000, 48000, 0), 10000.0);
}

TEST_F(EngineMusic, CheckBeforeTheEndChangesNothing) {
    ASSERT_TRUE(sound_.PlayMP3Stream(song("song.mp3", 440.0).c_str()));
    const auto start = pull(52800);
    sound_.CheckMP3Stream(0);
    const auto later = pull(9600);
    EXPECT_NEAR(kvtest::frequencyOf(later.data(), 9600, 0, 48000), 880.0, 2.0);  // still in the second half
}

TEST_F(EngineMusic, ANewSongStopsTheOldOne) {
    ASSERT_TRUE(sound_.PlayMP3Stream(song("first.mp3", 300.0, 2).c_str()));
    pull(4800);
    ASSERT_TRUE(sound_.PlayMP3Stream(song("second.mp3", 700.0, 2).c_str()));
    const auto only = pull(9600);
    EXPECT_NEAR(kvtest::frequencyOf(only.data() + 2 * 2400, 7200, 0, 48000), 700.0, 2.0);
    EXPECT_NEAR(kvtest::rmsOf(only.data() + 2 * 2400, 7200, 0), 0.5 * 32767 / std::sqrt(2.0), 600.0);
    // A failing start still stops what played.
    EXPECT_FALSE(sound_.PlayMP3Stream(dir_.file("missing.mp3").c_str()));
    EXPECT_EQ(kvtest::rmsOf(pull(480).data(), 480, 0), 0.0);
    ASSERT_TRUE(sound_.PlayMP3Stream(song("third.mp3", 500.0).c_str()));
    sound_.StopMP3Stream();
    EXPECT_EQ(kvtest::rmsOf(pull(480).data(), 480, 0), 0.0);
    sound_.StopMP3Stream();
}

}  // namespace
