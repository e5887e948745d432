#include "sound_buffer.h"

#include "../com/ref_counted.h"

#include <new>

namespace platform::audio {

namespace {

constexpr DWORD kSupportedFlags = DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                                  DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS |
                                  DSBCAPS_GETCURRENTPOSITION2;

class SoundBuffer final : public RefCounted<IDirectSoundBuffer8> {
public:
    SoundBuffer(std::shared_ptr<Mixer> mixer, std::shared_ptr<Voice> voice, DWORD flags)
        : mixer_(std::move(mixer)), voice_(std::move(voice)), flags_(flags) {}

    ~SoundBuffer() override {
        std::lock_guard lock(mixer_->stateLock());
        mixer_->deactivate(voice_.get());
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectSoundBuffer || riid == IID_IDirectSoundBuffer8) {
            AddRef();
            *object = static_cast<IDirectSoundBuffer8*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override {
        if (!playCursor && !writeCursor) return DSERR_INVALIDPARAM;
        const auto [play, write] = cursors();
        if (playCursor) *playCursor = play;
        if (writeCursor) *writeCursor = write;
        return DS_OK;
    }

    HRESULT GetVolume(LONG* volume) override { return readControl(DSBCAPS_CTRLVOLUME, volume, &Voice::volume); }
    HRESULT GetPan(LONG* pan) override { return readControl(DSBCAPS_CTRLPAN, pan, &Voice::pan); }

    HRESULT GetFrequency(DWORD* frequency) override {
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        if (!frequency) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        *frequency = voice_->frequency;
        return DS_OK;
    }

    HRESULT GetStatus(DWORD* status) override {
        if (!status) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        *status = voice_->playing ? DSBSTATUS_PLAYING | (voice_->looping ? DSBSTATUS_LOOPING : 0) : 0;
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* part1, DWORD* bytes1, LPVOID* part2, DWORD* bytes2,
                 DWORD flags) override {
        const auto size = static_cast<DWORD>(voice_->bytes.size());
        if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
        if (flags & DSBLOCK_FROMWRITECURSOR) offset = cursors().second;
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
        if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
        uint8_t* base = voice_->bytes.data();
        const DWORD first = std::min(bytes, size - offset);
        *part1 = base + offset;
        *bytes1 = first;
        if (part2) *part2 = bytes > first ? base : nullptr;
        if (bytes2) *bytes2 = part2 ? bytes - first : 0;
        return DS_OK;
    }

    HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) override {
        return inBuffer(part1, bytes1) && (!part2 || inBuffer(part2, bytes2)) ? DS_OK : DSERR_INVALIDPARAM;
    }

    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override {
        if (reserved != 0 || priority != 0) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        if (!voice_->playing) ++voice_->generation;
        voice_->playing = true;
        voice_->looping = (flags & DSBPLAY_LOOPING) != 0;
        mixer_->activate(voice_);
        return DS_OK;
    }

    HRESULT Stop() override {
        std::lock_guard lock(mixer_->stateLock());
        voice_->playing = false;
        ++voice_->generation;
        mixer_->deactivate(voice_.get());
        return DS_OK;
    }

    HRESULT SetCurrentPosition(DWORD position) override {
        const DWORD frame = position / voice_->layout.frameBytes();
        if (frame >= voice_->frameCount) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        voice_->position = static_cast<uint64_t>(frame) << 32;
        ++voice_->generation;
        return DS_OK;
    }

    HRESULT SetVolume(LONG volume) override {
        return setControl(DSBCAPS_CTRLVOLUME, volume, DSBVOLUME_MIN, DSBVOLUME_MAX, &Voice::volume);
    }
    HRESULT SetPan(LONG pan) override { return setControl(DSBCAPS_CTRLPAN, pan, DSBPAN_LEFT, DSBPAN_RIGHT, &Voice::pan); }

    HRESULT SetFrequency(DWORD frequency) override {
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        const bool original = frequency == DSBFREQUENCY_ORIGINAL;
        if (!original && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        voice_->frequency = original ? voice_->rate : frequency;
        return DS_OK;
    }

private:
    // The play cursor is where the mixer reads next; the write cursor one 10 ms block on.
    std::pair<DWORD, DWORD> cursors() {
        const uint32_t frameBytes = voice_->layout.frameBytes();
        std::lock_guard lock(mixer_->stateLock());
        const auto frame = static_cast<uint32_t>(voice_->position >> 32);
        uint32_t ahead = 0;
        if (voice_->playing) ahead = static_cast<uint32_t>((uint64_t{voice_->frequency} + 99) / 100);
        const uint32_t writeFrame = static_cast<uint32_t>((uint64_t{frame} + ahead) % voice_->frameCount);
        return {frame * frameBytes, writeFrame * frameBytes};
    }

    HRESULT readControl(DWORD flag, LONG* out, int32_t Voice::*field) {
        if (!(flags_ & flag)) return DSERR_CONTROLUNAVAIL;
        if (!out) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        *out = (*voice_).*field;
        return DS_OK;
    }

    HRESULT setControl(DWORD flag, LONG value, LONG low, LONG high, int32_t Voice::*field) {
        if (!(flags_ & flag)) return DSERR_CONTROLUNAVAIL;
        if (value < low || value > high) return DSERR_INVALIDPARAM;
        std::lock_guard lock(mixer_->stateLock());
        (*voice_).*field = value;
        voice_->updateGains();
        return DS_OK;
    }

    bool inBuffer(const void* part, DWORD bytes) const {
        const uint8_t* begin = voice_->bytes.data();
        const auto* p = static_cast<const uint8_t*>(part);
        if (!p || p < begin || p > begin + voice_->bytes.size()) return false;
        return bytes <= static_cast<size_t>(begin + voice_->bytes.size() - p);
    }

    std::shared_ptr<Mixer> mixer_;
    std::shared_ptr<Voice> voice_;
    const DWORD flags_;
};

bool validFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

}  // namespace

HRESULT createSoundBuffer(const std::shared_ptr<Mixer>& mixer, LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer) {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (!desc || desc->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
    if (desc->dwFlags & (DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLFX | DSBCAPS_CTRLPOSITIONNOTIFY)) {
        return DSERR_UNSUPPORTED;
    }
    if (desc->dwFlags & ~kSupportedFlags) return DSERR_INVALIDPARAM;
    if (!desc->lpwfxFormat || !validFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
    const WAVEFORMATEX& format = *desc->lpwfxFormat;
    const DWORD bytes = desc->dwBufferBytes;
    if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || bytes % format.nBlockAlign != 0) return DSERR_INVALIDPARAM;
    try {
        const PcmLayout layout{format.nChannels, format.wBitsPerSample};
        auto voice = std::make_shared<Voice>(layout, format.nSamplesPerSec, bytes);
        *buffer = new SoundBuffer(mixer, std::move(voice), desc->dwFlags);
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
    return DS_OK;
}

}  // namespace platform::audio
