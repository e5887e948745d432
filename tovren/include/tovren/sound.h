// The engine's sound: a DirectSound device, static buffers loaded from WAV and Ogg Vorbis
// files, and one background music stream played from an MP3 file. Buffers belong to the
// game, which releases them; every buffer operation takes one and accepts null.
#pragma once

#include <platform/dsound.h>
#include <platform/wintypes.h>

#include <cstdint>

constexpr uint32_t TOVREN_ERR_SOUND_DEVICE = 0x30000001;
constexpr uint32_t TOVREN_ERR_SOUND_COOPERATIVE = 0x30000002;
constexpr uint32_t TOVREN_ERR_SOUND_CREATE_BUFFER = 0x30000003;
constexpr uint32_t TOVREN_ERR_SOUND_FORMAT = 0x30000004;
constexpr uint32_t TOVREN_ERR_SOUND_LOCK = 0x30000005;
constexpr uint32_t TOVREN_ERR_SOUND_UNLOCK = 0x30000006;
constexpr uint32_t TOVREN_ERR_SOUND_QUERY = 0x30000007;
constexpr uint32_t TOVREN_ERR_SOUND_PLAY = 0x30000008;
constexpr uint32_t TOVREN_ERR_SOUND_UNKNOWN_FORMAT = 0x30000009;

// Buffer flags of both loaders: static, frequency, pan and volume controls, global focus,
// precise play cursor.
constexpr DWORD TOVREN_SOUND_BUFFER_FLAGS = 0x180E2;

class cTOVREN_Sound {
public:
    IDirectSound8* directSound = nullptr;

    cTOVREN_Sound() = default;
    cTOVREN_Sound(const cTOVREN_Sound&) = default;
    cTOVREN_Sound& operator=(const cTOVREN_Sound&) = default;
    virtual ~cTOVREN_Sound();  // releases nothing: call Uninit

    // Opens the default device with exclusive cooperation on `window`.
    uint32_t Init(HWND window);
    void Uninit();

    // By the name's last three letters, in any case: WAV or OGG; else 0x30000009. The out
    // pointer is written only on success.
    uint32_t Load(IDirectSoundBuffer** buffer, const char* fileName);
    // A RIFF/WAVE file of 8- or 16-bit PCM, mono or stereo, read by its chunks; a 'data'
    // chunk longer than the file keeps the bytes there. 4 when the file cannot be opened,
    // 0x30000004 for any other kind of file.
    uint32_t LoadWAV(IDirectSoundBuffer** buffer, const char* fileName);
    // An Ogg Vorbis file decoded whole to 16-bit PCM; the buffer handed out is the
    // IDirectSoundBuffer8 interface. 4 when the file cannot be opened, 5 when it is not
    // Ogg Vorbis or its decoding fails.
    uint32_t LoadOGG(IDirectSoundBuffer** buffer, const char* fileName);

    // Starts from the beginning when the buffer was playing; 0x30000008 on failure or null.
    uint32_t Play(IDirectSoundBuffer* buffer, bool loop);
    void Stop(IDirectSoundBuffer* buffer);  // and rewinds
    bool isPlay(IDirectSoundBuffer* buffer);

    // Hundredths of a decibel, -10000 to 0; reads give 0 when they fail.
    int32_t GetVolume(IDirectSoundBuffer* buffer);
    void SetVolume(IDirectSoundBuffer* buffer, int32_t volume);
    // 0 is silence (-10000), 100 and above full volume, in between (log10(p) - 2) * 4000.
    void SetVolPct(IDirectSoundBuffer* buffer, uint32_t percent);
    // -10000 (left only) to 10000 (right only): the far channel is lowered by that many
    // hundredths of a decibel.
    int32_t GetPan(IDirectSoundBuffer* buffer);
    void SetPan(IDirectSoundBuffer* buffer, int32_t pan);
    // Byte offsets of the play cursor.
    uint32_t GetPosition(IDirectSoundBuffer* buffer);
    void SetPosition(IDirectSoundBuffer* buffer, uint32_t position);

    // The one music stream of the engine. Starting a new one stops the old first; false
    // when the file is missing or is not MP3.
    bool PlayMP3Stream(const char* fileName);
    void StopMP3Stream();
    // Call every frame or so: once the music has ended it starts again from `position`
    // (100-nanosecond units).
    void CheckMP3Stream(uint32_t position);
};
