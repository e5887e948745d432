// DirectSound-shaped buffers: what they accept, how they lock, and what the mixer makes of
// them, read back sample by sample from the held output.
#include "audio_fixture.h"

#include <audiofiles.h>

#include <cmath>
#include <numeric>

namespace {

class SoundBuffer : public SoundDeviceTest {};

TEST_F(SoundBuffer, CreationAcceptsPcm8And16MonoStereoAndRefusesTheRest) {
    IDirectSoundBuffer* b = nullptr;
    for (uint16_t channels : {1, 2}) {
        for (uint16_t bits : {8, 16}) {
            ASSERT_EQ(create(format(channels, bits, 11025), 4096, kControls, &b), DS_OK);
            IDirectSoundBuffer8* b8 = nullptr;
            ASSERT_EQ(b->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&b8)), S_OK);
            EXPECT_EQ(static_cast<IDirectSoundBuffer*>(b8), b);
            void* other = reinterpret_cast<void*>(1);
            EXPECT_EQ(b->QueryInterface(IID_IDirectSound8, &other), E_NOINTERFACE);
            EXPECT_EQ(other, nullptr);
            EXPECT_EQ(b8->Release(), 1u);
            EXPECT_EQ(b->Release(), 0u);
        }
    }
    WAVEFORMATEX f = format(2, 16, 44100);
    f.wFormatTag = 3;  // float
    EXPECT_EQ(create(f, 4096, 0, &b), DSERR_BADFORMAT);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(create(format(2, 24, 44100), 4096, 0, &b), DSERR_BADFORMAT);
    EXPECT_EQ(create(format(3, 16, 44100), 4096, 0, &b), DSERR_BADFORMAT);
    EXPECT_EQ(create(format(1, 16, 50), 4096, 0, &b), DSERR_BADFORMAT);
    f = format(2, 16, 44100);
    f.nBlockAlign = 2;
    EXPECT_EQ(create(f, 4096, 0, &b), DSERR_BADFORMAT);
    EXPECT_EQ(create(format(2, 16, 44100), 2, 0, &b), DSERR_INVALIDPARAM);      // below 4 bytes
    EXPECT_EQ(create(format(2, 16, 44100), 4098, 0, &b), DSERR_INVALIDPARAM);   // part of a frame
    EXPECT_EQ(create(format(1, 8, 8000), DSBSIZE_MAX + 1, 0, &b), DSERR_INVALIDPARAM);
    EXPECT_EQ(create(format(1, 8, 8000), 4096, DSBCAPS_PRIMARYBUFFER, &b), DSERR_UNSUPPORTED);
    DSBUFFERDESC desc{};
    desc.dwSize = 36;  // the 32-bit record's size
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound_->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &b, reinterpret_cast<IUnknown*>(sound_)), DSERR_NOAGGREGATION);

    EXPECT_EQ(sound_->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound_->SetCooperativeLevel(window_, 5), DSERR_INVALIDPARAM);
    IDirectSound8* other = nullptr;
    const GUID someDevice = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(DirectSoundCreate8(&someDevice, &other, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(DirectSoundCreate8(&GUID_NULL, &other, nullptr), DS_OK);
    other->Release();
}

TEST_F(SoundBuffer, LockGivesBothPartsOfAWrappingRegion) {
    IDirectSoundBuffer* b = buffer(std::vector<uint8_t>(1000, 0x80), 1, 8, 8000);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 1000u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    uint8_t* start = static_cast<uint8_t*>(p1);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

    ASSERT_EQ(b->Lock(900, 300, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(p1, start + 900);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(p2, start);
    EXPECT_EQ(n2, 200u);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    // Without a place for the second part only the first is locked.
    ASSERT_EQ(b->Lock(900, 300, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n1, 100u);

    ASSERT_EQ(b->SetCurrentPosition(250), DS_OK);
    ASSERT_EQ(b->Lock(0, 10, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(p1, start + 250);  // a stopped buffer's write cursor is its play cursor

    EXPECT_EQ(b->Lock(1000, 10, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 1001, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    uint8_t elsewhere[4];
    EXPECT_EQ(b->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Unlock(start + 990, 20, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(SoundBuffer, NewBuffersAreSilentIn8And16Bits) {
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(create(format(1, 8, 48000), 480, 0, &b), DS_OK);
    void* p = nullptr;
    DWORD n = 0;
    ASSERT_EQ(b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p)[0], 0x80);
    b->Unlock(p, n, nullptr, 0);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const auto out = pull(480);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 960);
    b->Release();
}

TEST_F(SoundBuffer, A48kHzBufferPlaysItsExactSamplesOnceThenStops) {
    std::vector<int16_t> samples(2 * 1000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i * 7919) % 65536 - 32768);
    IDirectSoundBuffer* b = buffer16(samples, 2, 48000);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_TRUE(playing(b));
    const auto first = pull(600);
    EXPECT_EQ(playCursor(b), 600u * 4);
    const auto rest = pull(600);
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 1200, first.begin()));
    EXPECT_TRUE(std::equal(samples.begin() + 1200, samples.end(), rest.begin()));
    EXPECT_TRUE(std::all_of(rest.begin() + 800, rest.end(), [](int16_t s) { return s == 0; }));
    EXPECT_FALSE(playing(b));
    EXPECT_EQ(playCursor(b), 0u);  // a finished sound starts over at the next Play
}

TEST_F(SoundBuffer, EightBitMonoGoesToBothChannelsAtFullScale) {
    IDirectSoundBuffer* b = buffer({0x80, 0xFF, 0x00, 0xC0}, 1, 8, 48000);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const auto out = pull(4);
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 32512, 32512, -32768, -32768, 16384, 16384}));
}

TEST_F(SoundBuffer, OtherRatesAreResampledByLinearInterpolation) {
    // A ramp stays a ramp: at half the output rate every other frame lies half-way.
    std::vector<int16_t> ramp(400);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 40);
    IDirectSoundBuffer* b = buffer16(ramp, 1, 24000);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const auto out = pull(800);
    for (size_t j = 0; j + 2 < 798; ++j) ASSERT_EQ(out[j * 2], static_cast<int16_t>(j * 20)) << j;
    EXPECT_EQ(playCursor(b), 0u);
    EXPECT_FALSE(playing(b));

    // A tone keeps its pitch and its length at 44.1 kHz and at 11.025 kHz.
    for (uint32_t rate : {44100u, 11025u}) {
        IDirectSoundBuffer* tone = buffer16(kvtest::sineWave(rate / 4, rate, 1000.0, 0.5, 1), 1, rate);
        ASSERT_EQ(tone->Play(0, 0, 0), DS_OK);
        const auto mixed = pull(12000 + 480);
        EXPECT_NEAR(kvtest::frequencyOf(mixed.data(), 12000, 0, 48000), 1000.0, 2.0) << rate;
        EXPECT_NEAR(kvtest::soundEnd(mixed.data(), 12480, 100), 12000.0, 5.0) << rate;
    }
}

TEST_F(SoundBuffer, FrequencyChangesSpeedWithinItsRange) {
    IDirectSoundBuffer* b = buffer16(kvtest::sineWave(4800, 48000, 500.0, 0.5, 1), 1, 48000);
    DWORD frequency = 0;
    ASSERT_EQ(b->SetFrequency(96000), DS_OK);
    ASSERT_EQ(b->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 96000u);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const auto out = pull(4800);
    EXPECT_NEAR(kvtest::frequencyOf(out.data(), 2300, 0, 48000), 1000.0, 2.0);
    EXPECT_NEAR(kvtest::soundEnd(out.data(), 4800, 100), 2400.0, 3.0);
    EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    b->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 48000u);
    EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(200001), DSERR_INVALIDPARAM);

    IDirectSoundBuffer* plain = buffer({0x80, 0x80, 0x80, 0x80}, 1, 8, 8000, 0);
    EXPECT_EQ(plain->SetFrequency(9000), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
    LONG value = 0;
    EXPECT_EQ(plain->GetVolume(&value), DSERR_CONTROLUNAVAIL);
}

// Levels of a constant signal, so each output sample is the input times the gain.
class SoundLevels : public SoundDeviceTest {
protected:
    std::pair<int, int> levels(LONG volume, LONG pan) {
        IDirectSoundBuffer* b = buffer16(std::vector<int16_t>(960, 20000), 2, 48000);
        EXPECT_EQ(b->SetVolume(volume), DS_OK);
        EXPECT_EQ(b->SetPan(pan), DS_OK);
        EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
        const auto out = pull(480);
        return {out[100], out[101]};
    }
};

TEST_F(SoundLevels, VolumeIsHundredthsOfADecibel) {
    EXPECT_EQ(levels(0, 0), std::make_pair(20000, 20000));
    EXPECT_EQ(levels(-600, 0), std::make_pair(10024, 10024));  // 20000 * 10^(-600/2000)
    EXPECT_EQ(levels(-2000, 0), std::make_pair(2000, 2000));
    EXPECT_EQ(levels(DSBVOLUME_MIN, 0), std::make_pair(0, 0));
}

TEST_F(SoundLevels, PanAttenuatesOnlyTheFarChannel) {
    EXPECT_EQ(levels(0, 1000), std::make_pair(6325, 20000));    // left down 10 dB
    EXPECT_EQ(levels(0, -2000), std::make_pair(20000, 2000));   // right down 20 dB
    EXPECT_EQ(levels(0, DSBPAN_RIGHT), std::make_pair(0, 20000));
    EXPECT_EQ(levels(-600, 1000), std::make_pair(3170, 10024)); // the two multiply
}

TEST_F(SoundLevels, ControlsKeepTheirValuesAndRefuseOutOfRange) {
    IDirectSoundBuffer* b = buffer16(std::vector<int16_t>(8, 0), 2, 48000);
    ASSERT_EQ(b->SetVolume(-1234), DS_OK);
    ASSERT_EQ(b->SetPan(567), DS_OK);
    LONG volume = 0, pan = 0;
    b->GetVolume(&volume);
    b->GetPan(&pan);
    EXPECT_EQ(volume, -1234);
    EXPECT_EQ(pan, 567);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetPan(-10001), DSERR_INVALIDPARAM);
    b->GetVolume(&volume);
    EXPECT_EQ(volume, -1234);
}

TEST_F(SoundLevels, TheSumClipsAtFullScale) {
    IDirectSoundBuffer* up = buffer16(std::vector<int16_t>(96, 25000), 2, 48000);
    IDirectSoundBuffer* up2 = buffer16(std::vector<int16_t>(96, 25000), 2, 48000);
    IDirectSoundBuffer* down = buffer16(std::vector<int16_t>(192, -25000), 2, 48000);
    IDirectSoundBuffer* down2 = buffer16(std::vector<int16_t>(192, -25000), 2, 48000);
    for (IDirectSoundBuffer* b : {up, up2, down, down2}) ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const auto out = pull(96);
    EXPECT_EQ(out[0], 0);  // +2 -2 cancel out
    EXPECT_EQ(out[100], -32768);
    EXPECT_EQ(out[40], 0);
    for (IDirectSoundBuffer* b : {down, down2}) b->Stop();
    up->SetCurrentPosition(0);
    up2->SetCurrentPosition(0);
    up->Play(0, 0, 0);
    up2->Play(0, 0, 0);
    EXPECT_EQ(pull(8)[0], 32767);
}

TEST_F(SoundBuffer, LoopingRepeatsUntilStoppedAndStopKeepsTheCursor) {
    std::vector<int16_t> samples(2 * 100);
    std::iota(samples.begin(), samples.end(), int16_t{1});
    IDirectSoundBuffer* b = buffer16(samples, 2, 48000);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    const auto out = pull(1030);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], samples[i % 200]) << i;
    EXPECT_EQ(playCursor(b), 30u * 4);

    ASSERT_EQ(b->Stop(), DS_OK);
    EXPECT_EQ(pull(10)[0], 0);
    EXPECT_EQ(playCursor(b), 30u * 4);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);  // resumes where it stopped, now without looping
    const auto resumed = pull(100);
    EXPECT_EQ(resumed[0], samples[60]);
    EXPECT_EQ(resumed[140], 0);
    EXPECT_FALSE(playing(b));
}

TEST_F(SoundBuffer, PositionMovesThePlayCursorAndPlayWhilePlayingKeepsIt) {
    std::vector<int16_t> samples(2 * 1000);
    std::iota(samples.begin(), samples.end(), int16_t{0});
    IDirectSoundBuffer* b = buffer16(samples, 2, 48000);
    ASSERT_EQ(b->SetCurrentPosition(403), DS_OK);  // rounded down to the frame
    EXPECT_EQ(playCursor(b), 400u);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(pull(1)[0], samples[200]);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(pull(1)[0], samples[202]);
    ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
    EXPECT_EQ(pull(1)[0], samples[0]);
    EXPECT_EQ(b->SetCurrentPosition(4000), DSERR_INVALIDPARAM);
    DWORD play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 4u);
    EXPECT_EQ(write, (1u + 480u) * 4);  // one 10 ms block ahead while playing
    EXPECT_EQ(b->GetCurrentPosition(nullptr, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Play(1, 0, 0), DSERR_INVALIDPARAM);
}

TEST_F(SoundBuffer, ReleasingAPlayingBufferSilencesIt) {
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(create(format(2, 16, 48000), 48000 * 4, 0, &b), DS_OK);
    void* p = nullptr;
    DWORD n = 0;
    b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    std::fill_n(static_cast<int16_t*>(p), n / 2, int16_t{1000});
    b->Unlock(p, n, nullptr, 0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(pull(10)[0], 1000);
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_EQ(pull(10)[0], 0);
    // The device goes with its last object; the mix is silent, not stale.
    sound_->Release();
    sound_ = nullptr;
    EXPECT_EQ(pull(10)[0], 0);
}

}  // namespace
