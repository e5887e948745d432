// A sound device on an offscreen window with the output held, so that each test pulls the
// mix itself and sees exactly what the audio device would be given.
#pragma once

#include <platform/audio.h>
#include <platform/dsound.h>
#include <platform/window.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// The next `frames` frames of the mix, left and right interleaved.
inline std::vector<int16_t> pullMix(uint32_t frames) {
    std::vector<int16_t> out(size_t{frames} * 2);
    platform::audio::renderMix(out.data(), frames);
    return out;
}

class SoundDeviceTest : public ::testing::Test {
protected:
    static constexpr DWORD kControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

    void SetUp() override {
        platform::audio::holdOutput(true);
        window_ = platform::createOffscreenWindow(64, 64);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
        ASSERT_EQ(sound_->SetCooperativeLevel(window_, DSSCL_EXCLUSIVE), DS_OK);
    }

    void TearDown() override {
        for (IDirectSoundBuffer* buffer : buffers_) buffer->Release();
        if (sound_) sound_->Release();
        platform::destroyWindow(window_);
    }

    static WAVEFORMATEX format(uint16_t channels, uint16_t bits, uint32_t rate) {
        const auto block = static_cast<WORD>(channels * bits / 8);
        return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
    }

    HRESULT create(WAVEFORMATEX fmt, DWORD bytes, DWORD flags, IDirectSoundBuffer** out) {
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &fmt;
        return sound_->CreateSoundBuffer(&desc, out, nullptr);
    }

    // A buffer holding `bytes`, owned by the fixture.
    IDirectSoundBuffer* buffer(const std::vector<uint8_t>& bytes, uint16_t channels, uint16_t bits, uint32_t rate,
                               DWORD flags = kControls) {
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(create(format(channels, bits, rate), static_cast<DWORD>(bytes.size()), flags, &b), DS_OK);
        if (!b) return nullptr;
        buffers_.push_back(b);
        void* part = nullptr;
        DWORD size = 0;
        EXPECT_EQ(b->Lock(0, 0, &part, &size, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(part));
        EXPECT_EQ(b->Unlock(part, size, nullptr, 0), DS_OK);
        return b;
    }

    IDirectSoundBuffer* buffer16(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
        std::vector<uint8_t> bytes(samples.size() * 2);
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        return buffer(bytes, channels, 16, rate);
    }

    static std::vector<int16_t> pull(uint32_t frames) { return pullMix(frames); }

    static bool playing(IDirectSoundBuffer* b) {
        DWORD status = 0;
        b->GetStatus(&status);
        return (status & DSBSTATUS_PLAYING) != 0;
    }

    static DWORD playCursor(IDirectSoundBuffer* b) {
        DWORD play = 0xFFFFFFFF;
        b->GetCurrentPosition(&play, nullptr);
        return play;
    }

    HWND window_ = nullptr;
    IDirectSound8* sound_ = nullptr;
    std::vector<IDirectSoundBuffer*> buffers_;
};
