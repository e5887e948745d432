// A real mix on SDL's audio thread, written to a file by SDL's disk driver and read back.
#include "audio_fixture.h"

#include <testsupport.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

TEST(DiskOutput, APlayedBufferReachesTheDeviceSampleForSample) {
    kvtest::TempDir dir;
    const std::string path = dir.file("mix.raw");
    // Read when the audio subsystem starts, which is at the first device of this process.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    platform::audio::holdOutput(false);
    HWND window = platform::createOffscreenWindow(32, 32);
    IDirectSound8* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DS_OK);
    ASSERT_EQ(sound->SetCooperativeLevel(window, DSSCL_PRIORITY), DS_OK);

    constexpr uint32_t kFrames = 4800;  // 0.1 s of a pattern no silence or tone could fake
    std::vector<int16_t> samples(kFrames * 2);
    uint32_t state = 12345;
    for (int16_t& s : samples) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<int16_t>(state >> 16);
    }
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 48000, 48000 * 4, 4, 16, 0};
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_STATIC, kFrames * 4, 0, const_cast<WAVEFORMATEX*>(&format), {}};
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    void* part = nullptr;
    DWORD bytes = 0;
    ASSERT_EQ(buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::memcpy(part, samples.data(), bytes);
    ASSERT_EQ(buffer->Unlock(part, bytes, nullptr, 0), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);

    DWORD status = DSBSTATUS_PLAYING;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((status & DSBSTATUS_PLAYING) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        buffer->GetStatus(&status);
    }
    EXPECT_FALSE(status & DSBSTATUS_PLAYING);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    buffer->Release();
    sound->Release();  // the last object closes the device and its file
    platform::destroyWindow(window);

    const kvtest::Bytes raw = kvtest::readFile(path);
    std::vector<int16_t> written(raw.size() / 2);
    std::memcpy(written.data(), raw.data(), written.size() * 2);
    const auto found = std::search(written.begin(), written.end(), samples.begin(), samples.end());
    ASSERT_NE(found, written.end()) << "the pattern is not in the " << written.size() << " samples written";
    EXPECT_EQ((found - written.begin()) % 2, 0);  // starts on a frame
    EXPECT_TRUE(std::all_of(written.begin(), found, [](int16_t s) { return s == 0; }));
}

}  // namespace
