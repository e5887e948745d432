// The DirectSound 8 interfaces the engine plays sounds through. Secondary buffers of 8- or
// 16-bit PCM are mixed in software into the process's one audio output (48 kHz stereo).
// Names, values and semantics follow DirectSound 8; only the subset the suite calls exists.
#pragma once

#include <platform/com.h>
#include <platform/wintypes.h>

#include <cstdint>

// ---- Results ---------------------------------------------------------------------------
constexpr HRESULT makeDsHresult(uint32_t code) { return static_cast<HRESULT>(0x88780000u | code); }
constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DSERR_ALLOCATED = makeDsHresult(10);
constexpr HRESULT DSERR_CONTROLUNAVAIL = makeDsHresult(30);
constexpr HRESULT DSERR_INVALIDCALL = makeDsHresult(50);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = makeDsHresult(70);
constexpr HRESULT DSERR_BADFORMAT = makeDsHresult(100);
constexpr HRESULT DSERR_NODRIVER = makeDsHresult(120);
constexpr HRESULT DSERR_UNINITIALIZED = makeDsHresult(170);
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DSERR_NOAGGREGATION = CLASS_E_NOAGGREGATION;
constexpr HRESULT DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DSERR_GENERIC = E_FAIL;

// ---- Constants -------------------------------------------------------------------------
constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_STATIC = 0x00000002;
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr DWORD DSBCAPS_CTRLFX = 0x00000200;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr DWORD DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;
constexpr DWORD DSBCAPS_LOCDEFER = 0x00040000;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;
constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;

constexpr LONG DSBVOLUME_MIN = -10000;  // hundredths of a decibel
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;  // the right channel is attenuated by -pan
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;  // the left channel is attenuated by pan
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr WORD WAVE_FORMAT_PCM = 1;

inline constexpr IID IID_IDirectSound8 = {0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
inline constexpr IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IDirectSoundBuffer8 = {0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};
inline constexpr GUID DS3DALG_DEFAULT = GUID_NULL;

// ---- Records ---------------------------------------------------------------------------
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;  // nBlockAlign * nSamplesPerSec
    WORD nBlockAlign;       // nChannels * wBitsPerSample / 8
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPCWAVEFORMATEX = const WAVEFORMATEX*;

struct DSBUFFERDESC {
    DWORD dwSize;  // sizeof(DSBUFFERDESC)
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
using LPCDSBUFFERDESC = const DSBUFFERDESC*;

// ---- Interfaces ------------------------------------------------------------------------
// A secondary buffer. Play, Stop and the controls take effect at the next mixing block
// (about 10 ms); the play cursor is the position the mixer reads next.
struct IDirectSoundBuffer : IUnknown {
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    // Locks `bytes` bytes from `offset` (the write cursor with DSBLOCK_FROMWRITECURSOR, the
    // whole buffer with DSBLOCK_ENTIREBUFFER); what runs past the end wraps to the start
    // and is given as the second part.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* part1, DWORD* bytes1, LPVOID* part2, DWORD* bytes2,
                         DWORD flags) = 0;
    // Plays from the play cursor; a buffer already playing only takes the new looping flag.
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;  // DSBFREQUENCY_ORIGINAL restores the format's rate
    virtual HRESULT Stop() = 0;  // keeps the play cursor
    virtual HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) = 0;
};

struct IDirectSoundBuffer8 : IDirectSoundBuffer {};

struct IDirectSound8 : IUnknown {
    // Secondary buffers only; the primary buffer is the mixer's and cannot be created.
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer, IUnknown* outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
};

using LPDIRECTSOUND8 = IDirectSound8*;
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;
using LPDIRECTSOUNDBUFFER8 = IDirectSoundBuffer8*;

// Opens the process's audio output (SDL2, 48 kHz stereo) on first use. `device` must be
// null or GUID_NULL (the default device). DSERR_NODRIVER when no audio output can be opened.
HRESULT DirectSoundCreate8(LPCGUID device, IDirectSound8** directSound, IUnknown* outer);
