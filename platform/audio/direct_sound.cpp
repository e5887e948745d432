// The DirectSound 8 device: a handle on the shared mixer that creates secondary buffers.
#include "mixer.h"
#include "sound_buffer.h"

#include "../com/ref_counted.h"

#include <platform/dsound.h>
#include <platform/window.h>

#include <new>

namespace platform::audio {

namespace {

class DirectSound final : public RefCounted<IDirectSound8> {
public:
    explicit DirectSound(std::shared_ptr<Mixer> mixer) : mixer_(std::move(mixer)) {}

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectSound8) {
            AddRef();
            *object = static_cast<IDirectSound8*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer, IUnknown* outer) override {
        if (outer) return DSERR_NOAGGREGATION;
        return createSoundBuffer(mixer_, desc, buffer);
    }

    // Only checked: every buffer is mixed into the one output whatever the level.
    HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
        if (!isLiveWindow(window) || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        return DS_OK;
    }

private:
    std::shared_ptr<Mixer> mixer_;
};

}  // namespace

}  // namespace platform::audio

HRESULT DirectSoundCreate8(LPCGUID device, IDirectSound8** directSound, IUnknown* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (device && *device != GUID_NULL) return DSERR_NODRIVER;
    auto mixer = platform::audio::Mixer::acquire();
    if (!mixer) return DSERR_NODRIVER;
    *directSound = new (std::nothrow) platform::audio::DirectSound(std::move(mixer));
    return *directSound ? DS_OK : DSERR_OUTOFMEMORY;
}
